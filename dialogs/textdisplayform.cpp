#include "dialogs/textdisplayform.h"

#include <QTextEdit>
#include <QVBoxLayout>

TTextDisplayForm *TextDisplayForm = nullptr;

TTextDisplayForm::TTextDisplayForm(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TextDisplayForm"));
    setWindowTitle(QStringLiteral("Info"));
    resize(429, 347);

    RichEdit1 = new QTextEdit(this);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setMinimumSize(250, 200);
    RichEdit1->setLineWrapMode(QTextEdit::NoWrap);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setPlainText(helpRows().join(QLatin1Char('\n')));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(RichEdit1);
    TextDisplayForm = this;
}

TTextDisplayForm::~TTextDisplayForm()
{
    if (TextDisplayForm == this)
        TextDisplayForm = nullptr;
}

QStringList TTextDisplayForm::helpRows()
{
    return {
        QStringLiteral("Basic Mouse Functions"),
        QStringLiteral("----------------------"),
        QString(),
        QStringLiteral("ROTATION"),
        QStringLiteral("--------"),
        QStringLiteral("Left button: Rotation of the image."),
        QStringLiteral("Left button + Shift: Rotation of the image in the screen plane."),
        QStringLiteral("[Ctrl+R stops/runs rotation.]"),
        QStringLiteral("[Velocity of the rotation is set by velocity of the mouse cursor on the "
                       "end of its shift.]"),
        QString(),
        QStringLiteral("DISTANCES"),
        QStringLiteral("---------"),
        QStringLiteral("Left button + Ctrl: Gradual selection (or unselection) of atoms to show "
                       "their "),
        QStringLiteral("distance."),
        QStringLiteral("Left button + Ctrl + Shift: Selection of the new first atom (break of the "
                       "atom pair "),
        QStringLiteral("sequence)."),
        QStringLiteral("[Ctrl+D shows/hides distance labels]"),
        QString(),
        QStringLiteral("ZOOM"),
        QStringLiteral("-----"),
        QStringLiteral("Right button: Zoom of the image."),
        QStringLiteral("Right button + Ctrl: Zoom of the atoms only."),
        QStringLiteral("Right button + Alt: Zoom of the impuls arrows."),
        QStringLiteral("Middle button: Zoom of the impuls arrows (drag), details of the atom "
                       "(click)."),
        QStringLiteral("Wheel: Zoom of the image about the mouse cursor."),
        QStringLiteral("Wheel + Ctrl: Zoom of the atoms only."),
        QStringLiteral("[Ctrl+Z for more zoom options]"),
        QString(),
        QStringLiteral("MOVING THE VIEW"),
        QStringLiteral("---------------"),
        QStringLiteral("Right button + Shift: Moves the image."),
        QStringLiteral("Shift + arrow keys: Move the image."),
        QStringLiteral("C: Centres the view on the molecule and fits it to the window."),
        QStringLiteral("R: Resets the view to the start of the file."),
        QString(),
        QStringLiteral("KEYS"),
        QStringLiteral("----"),
        QStringLiteral("Space: Play or pause. Left/Right arrow: Previous/next frame. Home: First "
                       "frame."),
        QString(),
        QStringLiteral("DETAILES"),
        QStringLiteral("--------"),
        QStringLiteral("Left button + Alt: Detailed properties of the clicked atom or of the all "
                       "cluster (click "),
        QStringLiteral("to background)."),
        QString(),
        QString(),
        QString(),
        QString(),
        QString(),
        QStringLiteral(" "),
    };
}

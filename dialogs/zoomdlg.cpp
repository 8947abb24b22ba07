#include "dialogs/zoomdlg.h"

#include "dialogs/dialogparts.h"
#include "dialogs/mainformlink.h"
#include "model/numberparse.h"
#include "render/displaystate.h"
#include "render/pixelmath.h"

#include <QButtonGroup>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include <string>

TZoomDlg *ZoomDlg = nullptr;

namespace {

// Start values of the three zooms: the edits show the stored values divided by them.
constexpr double DistanceStart = 32.0;
constexpr double AtomStart = 32.0;
constexpr double ImpulseStart = 20.0;
constexpr double DistanceLimit = 32000.0;
constexpr double AtomLimit = 32000.0;
constexpr double ImpulseLimit = 20000.0;

QLineEdit *addZoomEdit(QFormLayout *form, const char *name, const QString &caption)
{
    auto *edit = new QLineEdit;
    edit->setObjectName(QString::fromLatin1(name));
    limitTyping(*edit, 5);
    edit->setPlaceholderText(QStringLiteral("1.521"));
    form->addRow(caption, edit);
    return edit;
}

QString shown(double stored, double start, int digits)
{
    return QString::fromStdString(formatGeneral(stored * (1.0 / start), digits));
}

// The leading part of text that reads as a number; an empty or non-numeric text reads as 0.
double typedValue(const QString &text)
{
    const std::string typed = text.toStdString();
    double value = 0.0;
    if (!parseReal(typed.data(), typed.data() + typed.size(), value))
        return 0.0;
    return value;
}

} // namespace

TZoomDlg::TZoomDlg(MainFormLink &main)
    : QDialog(main.Window())
    , Main(main)
{
    setObjectName(QStringLiteral("ZoomDlg"));
    setWindowTitle(QStringLiteral("Zoom"));

    auto *form = new QFormLayout;
    DistZoomEdit = addZoomEdit(form, "DistZoomEdit", QStringLiteral("Zoom of distances"));
    AtomZoomEdit = addZoomEdit(form, "AtomZoomEdit", QStringLiteral("Zoom of atoms"));
    ImpulsZoomEdit = addZoomEdit(form, "ImpulsZoomEdit", QStringLiteral("Zoom of impulses"));

    FittingRadioGroup = new QGroupBox(QStringLiteral("Fit in window"));
    FittingRadioGroup->setObjectName(QStringLiteral("FittingRadioGroup"));
    FittingItems = new QButtonGroup(this);
    auto *items = new QVBoxLayout(FittingRadioGroup);
    const QString captions[] = {QStringLiteral("First frame of animation"),
        QStringLiteral("Each frame of animation"), QStringLiteral("Overflowing frames"),
        QStringLiteral("None (fixed zoom)")};
    int index = 0;
    for (const QString &caption : captions) {
        auto *item = new QRadioButton(caption);
        FittingItems->addButton(item, index++);
        items->addWidget(item);
    }

    OKBtn = new QPushButton(QStringLiteral("OK"));
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(FittingRadioGroup);
    layout->addLayout(buttons);

    for (QLineEdit *edit : {DistZoomEdit, AtomZoomEdit, ImpulsZoomEdit})
        edit->installEventFilter(this);
    connect(FittingItems, &QButtonGroup::idClicked, this, &TZoomDlg::FittingRadioGroupClick);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    ZoomDlg = this;
}

TZoomDlg::~TZoomDlg()
{
    detachControls(*this);
    if (ZoomDlg == this)
        ZoomDlg = nullptr;
}

void TZoomDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // A window system's own show (after being minimised) is no new opening: what was paused
    // stays remembered.
    if (!event->spontaneous())
        FormActivate();
}

void TZoomDlg::done(int result)
{
    // Enter takes the default button without moving the focus: the edit being typed in is
    // still to be read.
    EditLeft(focusWidget());
    FormClose();
    QDialog::done(result);
}

bool TZoomDlg::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut)
        EditLeft(watched);
    return QDialog::eventFilter(watched, event);
}

void TZoomDlg::EditLeft(QObject *edit)
{
    if (edit == DistZoomEdit)
        DistZoomEditExit();
    else if (edit == AtomZoomEdit)
        AtomZoomEditExit();
    else if (edit == ImpulsZoomEdit)
        ImpulsZoomEditExit();
}

void TZoomDlg::FormActivate()
{
    PausedAnimation = Main.IsPlaying();
    if (PausedAnimation)
        Main.Pause1Click();
    PausedRotation = Main.IsRotating();
    if (PausedRotation)
        Main.Rotate1Click();
    const DisplayState &display = Main.Display();
    if (QAbstractButton *item = FittingItems->button(display.FitMode))
        item->setChecked(true);
    DistZoomEdit->setText(shown(Main.ViewTransform.scale, DistanceStart, 5));
    AtomZoomEdit->setText(shown(Main.SceneSettings.atomScale, AtomStart, 5));
    ImpulsZoomEdit->setText(shown(display.ImpulseZoom, ImpulseStart, 5));
}

void TZoomDlg::FormClose()
{
    if (PausedAnimation)
        Main.Forward1Click();
    if (PausedRotation)
        Main.Rotate1Click();
    PausedAnimation = false;
    PausedRotation = false;
}

void TZoomDlg::FittingRadioGroupClick()
{
    Main.Display().FitMode = FittingItems->checkedId();
    // a fit chosen here is asked for now, even where the user holds a panned view
    Main.ReleaseHeldView();
    Main.Redraw(nullptr, true);
}

void TZoomDlg::DistZoomEditExit()
{
    EditExit(DistZoomEdit, Main.ViewTransform.scale, DistanceStart, DistanceLimit);
}

void TZoomDlg::AtomZoomEditExit()
{
    EditExit(AtomZoomEdit, Main.SceneSettings.atomScale, AtomStart, AtomLimit);
}

void TZoomDlg::ImpulsZoomEditExit()
{
    EditExit(ImpulsZoomEdit, Main.Display().ImpulseZoom, ImpulseStart, ImpulseLimit);
}

void TZoomDlg::EditExit(QLineEdit *edit, double &stored, double start, double limit)
{
    // The edit shows the zoom with 5 digits: merely passing through it must not round it.
    if (!takeTypedText(*edit))
        return;
    const double value = typedValue(edit->text()) * start;
    // Written so that "nan" is refused too: a zoom that is not a number would wreck the view.
    if (!(value >= 0.0 && value <= limit)) {
        edit->setText(shown(stored, start, 4));
        return;
    }
    if (value != stored) {
        stored = value;
        Main.Redraw(nullptr, true);
    }
}

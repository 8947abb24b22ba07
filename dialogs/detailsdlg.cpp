#include "dialogs/detailsdlg.h"

#include "dialogs/mainformlink.h"

#include <QCloseEvent>

TDetailsDlg *DetailsDlg = nullptr;

TDetailsDlg::TDetailsDlg(MainFormLink &main)
    : QDialog(main.Window(), Qt::Tool | Qt::WindowStaysOnTopHint)
    , Main(main)
{
    setObjectName(QStringLiteral("DetailsDlg"));
    setWindowTitle(QStringLiteral("Details"));
    setMinimumWidth(100);
    setMaximumWidth(112);
    setFixedHeight(200);
    resize(92, 200);
    DetailsDlg = this;
    placeDetails();
}

TDetailsDlg::~TDetailsDlg()
{
    if (DetailsDlg == this)
        DetailsDlg = nullptr;
}

void TDetailsDlg::refreshDetails() { }

void TDetailsDlg::placeDetails()
{
    const QRect picture = Main.PictureScreenRect();
    move(picture.left() + picture.width() - frameGeometry().width(), picture.top());
}

void TDetailsDlg::closeEvent(QCloseEvent *event)
{
    // Closing by the title bar goes through the main window's switch so its state stays in step.
    event->accept();
    if (isVisible())
        Main.Details1Click();
}

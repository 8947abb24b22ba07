#include "dialogs/zoomdlg.h"

TZoomDlg *ZoomDlg = nullptr;

TZoomDlg::TZoomDlg(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("ZoomDlg"));
    setWindowTitle(QStringLiteral("Zoom"));
    ZoomDlg = this;
}

TZoomDlg::~TZoomDlg()
{
    if (ZoomDlg == this)
        ZoomDlg = nullptr;
}

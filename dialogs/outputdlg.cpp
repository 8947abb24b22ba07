#include "dialogs/outputdlg.h"

TOutputDlg *OutputDlg = nullptr;

TOutputDlg::TOutputDlg(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("OutputDlg"));
    setWindowTitle(QStringLiteral("Save frames options"));
    OutputDlg = this;
}

TOutputDlg::~TOutputDlg()
{
    if (OutputDlg == this)
        OutputDlg = nullptr;
}

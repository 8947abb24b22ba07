#include "dialogs/electronsdlg.h"

TElectronsDlg *ElectronsDlg = nullptr;

TElectronsDlg::TElectronsDlg(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("ElectronsDlg"));
    setWindowTitle(QStringLiteral("Electrons visualisation settings "));
    ElectronsDlg = this;
}

TElectronsDlg::~TElectronsDlg()
{
    if (ElectronsDlg == this)
        ElectronsDlg = nullptr;
}

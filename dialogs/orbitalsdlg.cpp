#include "dialogs/orbitalsdlg.h"

TOrbitalsDlg *OrbitalsDlg = nullptr;

TOrbitalsDlg::TOrbitalsDlg(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("OrbitalsDlg"));
    setWindowTitle(QStringLiteral("Orbital of atom XXX"));
    OrbitalsDlg = this;
}

TOrbitalsDlg::~TOrbitalsDlg()
{
    if (OrbitalsDlg == this)
        OrbitalsDlg = nullptr;
}

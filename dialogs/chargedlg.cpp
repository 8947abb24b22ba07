#include "dialogs/chargedlg.h"

TChargeDlg *ChargeDlg = nullptr;

TChargeDlg::TChargeDlg(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("ChargeDlg"));
    setWindowTitle(QStringLiteral("Charge options"));
    ChargeDlg = this;
}

TChargeDlg::~TChargeDlg()
{
    if (ChargeDlg == this)
        ChargeDlg = nullptr;
}

#include "dialogs/atomsdlg.h"

TAtomsDlg *AtomsDlg = nullptr;

TAtomsDlg::TAtomsDlg(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("AtomsDlg"));
    setWindowTitle(QStringLiteral("General settings of atoms"));
    AtomsDlg = this;
}

TAtomsDlg::~TAtomsDlg()
{
    if (AtomsDlg == this)
        AtomsDlg = nullptr;
}

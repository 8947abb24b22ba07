#include "dialogs/saveframedlg.h"

TSaveFrameDlg *SaveFrameDlg = nullptr;

TSaveFrameDlg::TSaveFrameDlg(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("SaveFrameDlg"));
    setWindowTitle(QStringLiteral("Save frame options"));
    SaveFrameDlg = this;
}

TSaveFrameDlg::~TSaveFrameDlg()
{
    if (SaveFrameDlg == this)
        SaveFrameDlg = nullptr;
}

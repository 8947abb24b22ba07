#include "app/mainwindow.h"
#include "dialogs/aboutbox.h"
#include "dialogs/atomsdlg.h"
#include "dialogs/chargedlg.h"
#include "dialogs/detailsdlg.h"
#include "dialogs/electronsdlg.h"
#include "dialogs/inputdlg.h"
#include "dialogs/memorydlg.h"
#include "dialogs/outputdlg.h"
#include "dialogs/textdisplayform.h"
#include "dialogs/zoomdlg.h"

#include <QAction>
#include <QInputDialog>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace {

QAction *addItem(
    QMenu *menu, const char *name, const QString &caption, const QKeySequence &shortcut = {})
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    return action;
}

QAction *addSeparator(QMenu *menu, const char *name)
{
    QAction *separator = menu->addSeparator();
    separator->setObjectName(QString::fromLatin1(name));
    return separator;
}

QMenu *addSubmenu(QWidget *parent, const char *name, const QString &caption)
{
    auto *menu = new QMenu(caption, parent);
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    return menu;
}

QKeySequence ctrl(Qt::Key key)
{
    return QKeySequence(Qt::CTRL | key);
}

} // namespace

void TMainForm::BuildMenu()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    File1 = addSubmenu(this, "File1", QStringLiteral("&File"));
    New1 = addItem(File1, "New1", QStringLiteral("&New"));
    Open1 = addItem(File1, "Open1", QStringLiteral("&Open..."), ctrl(Qt::Key_O));
    OpenSetup1 = addItem(File1, "OpenSetup1", QStringLiteral("O&pen Setup..."));
    Save1 = addItem(File1, "Save1", QStringLiteral("&Save..."), ctrl(Qt::Key_S));
    SaveSetup1 = addItem(File1, "SaveSetup1", QStringLiteral("Save Setup..."));
    N6 = addSeparator(File1, "N6");
    SaveFrame1 = addItem(File1, "SaveFrame1", QStringLiteral("Sa&ve Frame..."), ctrl(Qt::Key_V));
    N1 = addSeparator(File1, "N1");
    Print1 = addItem(File1, "Print1", QStringLiteral("&Print..."));
    PrintSetup1 = addItem(File1, "PrintSetup1", QStringLiteral("P&rint Setup..."));
    N2 = addSeparator(File1, "N2");
    Exit1 = addItem(File1, "Exit1", QStringLiteral("E&xit"));
    bar->addMenu(File1);

    Animation1 = addSubmenu(this, "Animation1", QStringLiteral("&Animation"));
    Forward1 = addItem(Animation1, "Forward1", QStringLiteral("&Play"), ctrl(Qt::Key_P));
    Pause1 = addItem(Animation1, "Pause1", QStringLiteral("Pa&use"), ctrl(Qt::Key_U));
    Rewind1 = addItem(Animation1, "Rewind1", QStringLiteral("Re&wind"), ctrl(Qt::Key_W));
    N7 = addSeparator(Animation1, "N7");
    Repeat1 = addItem(Animation1, "Repeat1", QStringLiteral("R&epeat"));
    Rotate1 = addItem(Animation1, "Rotate1", QStringLiteral("&Rotate"), ctrl(Qt::Key_R));
    N3 = addSeparator(Animation1, "N3");
    Speed1 = addItem(Animation1, "Speed1", QStringLiteral("&Speed..."));
    Zoom1 = addItem(Animation1, "Zoom1", QStringLiteral("&Zoom..."), ctrl(Qt::Key_Z));
    N12 = addSeparator(Animation1, "N12");
    Centre1 = addItem(Animation1, "Centre1", QStringLiteral("&Centre"), QKeySequence(Qt::Key_C));
    ResetView1 =
        addItem(Animation1, "ResetView1", QStringLiteral("Reset &view"), QKeySequence(Qt::Key_R));
    bar->addMenu(Animation1);

    Options2 = addSubmenu(this, "Options2", QStringLiteral("&Options"));
    Atoms2 = addItem(Options2, "Atoms2", QStringLiteral("&Atoms..."), ctrl(Qt::Key_A));
    Charges1 = addItem(Options2, "Charges1", QStringLiteral("&Charges..."), ctrl(Qt::Key_C));
    Electrons2 = addItem(Options2, "Electrons2", QStringLiteral("Electro&ns..."), ctrl(Qt::Key_N));
    N5 = addSeparator(Options2, "N5");
    Colors2 = addSubmenu(Options2, "Colors2", QStringLiteral("Co&lors"));
    Forprinting1 =
        addItem(Colors2, "Forprinting1", QStringLiteral("For printin&g"), ctrl(Qt::Key_G));
    N11 = addSeparator(Colors2, "N11");
    Foreground2 = addItem(Colors2, "Foreground2", QStringLiteral("&Foreground..."));
    Background2 = addItem(Colors2, "Background2", QStringLiteral("&Background..."));
    Electrons3 = addItem(Colors2, "Electrons3", QStringLiteral("&Electrons..."));
    Tone = addItem(Colors2, "Tone", QStringLiteral("&Tone..."));
    Options2->addMenu(Colors2);
    N10 = addSeparator(Options2, "N10");
    Electrons1 = addItem(Options2, "Electrons1", QStringLiteral("&Electrons"), ctrl(Qt::Key_E));
    Labels1 = addItem(Options2, "Labels1", QStringLiteral("&Labels"), ctrl(Qt::Key_L));
    Distances1 = addItem(Options2, "Distances1", QStringLiteral("&Distances"), ctrl(Qt::Key_D));
    Impulses1 = addItem(Options2, "Impulses1", QStringLiteral("Impulses"), ctrl(Qt::Key_I));
    Text1 = addItem(Options2, "Text1", QStringLiteral("&Text"), ctrl(Qt::Key_T));
    Cell1 = addItem(Options2, "Cell1", QStringLiteral("Cell"));
    Legend1 = addItem(Options2, "Legend1", QStringLiteral("Legend"));
    Bonds1 = addItem(Options2, "Bonds1", QStringLiteral("&Bonds"), ctrl(Qt::Key_B));
    BondRadius1 = addItem(Options2, "BondRadius1", QStringLiteral("Bond &radius..."));
    Details1 = addItem(Options2, "Details1", QStringLiteral("Details"));
    N13 = addSeparator(Options2, "N13");
    MemoryLimit1 = addItem(Options2, "MemoryLimit1", QStringLiteral("&Memory limit..."));
    bar->addMenu(Options2);

    Help1 = addSubmenu(this, "Help1", QStringLiteral("Help"));
    Mousefunctions1 = addItem(Help1, "Mousefunctions1", QStringLiteral("Mouse functions..."));
    About1 = addItem(Help1, "About1", QStringLiteral("About..."));
    bar->addMenu(Help1);

    // The check marks are set only when their menu opens, never when a value changes.
    for (QAction *toggle : {Forward1, Pause1, Repeat1, Rotate1, Forprinting1, Electrons1, Labels1,
             Distances1, Impulses1, Text1, Cell1, Legend1, Bonds1, Details1})
        toggle->setCheckable(true);
    connect(Animation1, &QMenu::aboutToShow, this, &TMainForm::Animation1Click);
    connect(Options2, &QMenu::aboutToShow, this, &TMainForm::Options2Click);

    const std::pair<QAction *, void (TMainForm::*)()> handlers[] = {
        {New1, &TMainForm::New1Click},
        {Open1, &TMainForm::Open1Click},
        {OpenSetup1, &TMainForm::OpenSetup1Click},
        {Save1, &TMainForm::Save1Click},
        {SaveSetup1, &TMainForm::SaveSetup1Click},
        {SaveFrame1, &TMainForm::SaveFrame1Click},
        {Exit1, &TMainForm::Exit1Click},
        {Forward1, &TMainForm::Forward1Click},
        {Pause1, &TMainForm::Pause1Click},
        {Rewind1, &TMainForm::Rewind1Click},
        {Repeat1, &TMainForm::Repeat1Click},
        {Rotate1, &TMainForm::Rotate1Click},
        {Speed1, &TMainForm::Speed1Click},
        {Zoom1, &TMainForm::Zoom1Click},
        {Centre1, &TMainForm::Centre1Click},
        {ResetView1, &TMainForm::ResetView1Click},
        {Atoms2, &TMainForm::Atoms2Click},
        {Charges1, &TMainForm::Charges1Click},
        {Electrons2, &TMainForm::Electrons2Click},
        {Forprinting1, &TMainForm::Forprinting1Click},
        {Foreground2, &TMainForm::Foreground2Click},
        {Background2, &TMainForm::Background2Click},
        {Electrons3, &TMainForm::Electrons3Click},
        {Tone, &TMainForm::ToneClick},
        {Electrons1, &TMainForm::Electrons1Click},
        {Labels1, &TMainForm::Labels1Click},
        {Distances1, &TMainForm::Distances1Click},
        {Impulses1, &TMainForm::Impulses1Click},
        {Text1, &TMainForm::Text1Click},
        {Cell1, &TMainForm::Cell1Click},
        {Legend1, &TMainForm::Legend1Click},
        {Bonds1, &TMainForm::Bonds1Click},
        {BondRadius1, &TMainForm::BondRadius1Click},
        {Details1, &TMainForm::Details1Click},
        {MemoryLimit1, &TMainForm::MemoryLimit1Click},
        {Mousefunctions1, &TMainForm::Mousefunctions1Click},
        {About1, &TMainForm::About1Click},
    };
    for (const auto &[action, handler] : handlers)
        connect(action, &QAction::triggered, this, handler);
}

void TMainForm::Options2Click()
{
    Electrons1->setChecked(ShowElectrons);
    Labels1->setChecked(ShowLabels);
    Distances1->setChecked(ShowDistances);
    Impulses1->setChecked(ShowImpulses);
    Text1->setChecked(ShowText);
    Cell1->setChecked(ShowCell);
    Legend1->setChecked(ShowLegend);
    Bonds1->setChecked(ShowBonds);
    Forprinting1->setChecked(PrintColors);
    Details1->setChecked(ShowDetails);
}

void TMainForm::OpenSetup1Click()
{
    if (InputDlg)
        InputDlg->exec();
}

void TMainForm::SaveSetup1Click()
{
    if (OutputDlg)
        OutputDlg->exec();
}

void TMainForm::Exit1Click()
{
    ClearTrajectory();
    close();
}

void TMainForm::Zoom1Click()
{
    if (ZoomDlg)
        ZoomDlg->exec();
}

void TMainForm::Atoms2Click()
{
    if (AtomsDlg)
        AtomsDlg->exec();
}

void TMainForm::Charges1Click()
{
    if (ChargeDlg)
        ChargeDlg->exec();
}

void TMainForm::Electrons2Click()
{
    if (ElectronsDlg)
        ElectronsDlg->exec();
    Redraw(nullptr, true);
}

void TMainForm::Forprinting1Click()
{
    ToggleAndRedraw(PrintColors);
}

void TMainForm::ToggleAndRedraw(bool &shown)
{
    shown = !shown;
    Redraw(nullptr, true);
}

void TMainForm::RunColorCommand(std::uint32_t &member, bool redrawAlways)
{
    const std::optional<std::uint32_t> chosen = ChooseColor(member);
    if (!chosen)
        return;
    member = *chosen;
    // Electron colours only show in a cloud, so they need no redraw while electrons are off.
    if (redrawAlways || ShowElectrons)
        Redraw(nullptr, true);
}

void TMainForm::Foreground2Click()
{
    RunColorCommand(ForegroundColor, true);
}

void TMainForm::Background2Click()
{
    RunColorCommand(BackgroundColor, true);
}

void TMainForm::Electrons3Click()
{
    RunColorCommand(ElectronColor, false);
}

void TMainForm::ToneClick()
{
    RunColorCommand(ToneColor, false);
}

void TMainForm::Electrons1Click()
{
    ShowElectrons = !ShowElectrons;
    if (ShowElectrons) {
        ElectronsSwitched = true;
        SavedShowLabels = ShowLabels;
        SavedAtomColorMode = AtomColorMode;
        ShowLabels = false;
        ScaleAtoms(0.2);
    } else if (ElectronsSwitched) {
        ShowLabels = SavedShowLabels;
        AtomColorMode = SavedAtomColorMode;
        ScaleAtoms(5.0);
    }
    Redraw(nullptr, true);
}

void TMainForm::Labels1Click()
{
    ToggleAndRedraw(ShowLabels);
}

void TMainForm::Distances1Click()
{
    ToggleAndRedraw(ShowDistances);
}

void TMainForm::Impulses1Click()
{
    ToggleAndRedraw(ShowImpulses);
}

void TMainForm::Text1Click()
{
    ToggleAndRedraw(ShowText);
}

void TMainForm::Cell1Click()
{
    ToggleAndRedraw(ShowCell);
}

void TMainForm::Legend1Click()
{
    ToggleAndRedraw(ShowLegend);
}

void TMainForm::Bonds1Click()
{
    // the user's choice outlasts the next file, whatever its layout would show
    BondsChosen = true;
    ToggleAndRedraw(ShowBonds);
}

void TMainForm::BondRadius1Click()
{
    std::optional<double> radius;
    if (ChooseBondRadius) {
        radius = ChooseBondRadius(BondRadius);
    } else {
        bool accepted = false;
        const double chosen = QInputDialog::getDouble(this, QStringLiteral("Bond radius"),
            QStringLiteral("Radius of the bonds' sticks (Angstrom):"), BondRadius, MinBondRadius,
            MaxBondRadius, 2, &accepted, Qt::WindowFlags(), 0.01);
        if (accepted)
            radius = chosen;
    }
    if (!radius || !(*radius >= MinBondRadius) || !(*radius <= MaxBondRadius))
        return;
    BondRadius = *radius;
    if (ShowBonds)
        Redraw(nullptr, true);
}

void TMainForm::MemoryLimit1Click()
{
    if (!MemoryDlg1)
        MemoryDlg1 = new TMemoryDlg(*this);
    if (const std::optional<std::size_t> chosen = MemoryDlg1->Ask(TrajectoryMemoryLimit()))
        MemoryLimit = *chosen;
}

void TMainForm::Details1Click()
{
    ShowDetails = !ShowDetails;
    if (!DetailsDlg)
        return;
    if (DetailsDlg->isVisible()) {
        DetailsDlg->hide();
    } else {
        DetailsDlg->refreshDetails();
        DetailsDlg->show();
    }
}

void TMainForm::Mousefunctions1Click()
{
    if (!TextDisplayForm)
        return;
    TextDisplayForm->show();
    TextDisplayForm->raise();
    TextDisplayForm->activateWindow();
}

void TMainForm::About1Click()
{
    if (AboutBox)
        AboutBox->exec();
}

void TMainForm::ScaleAtoms(double factor)
{
    // The electrons switch shrinks the atoms to a fifth while clouds are shown and restores
    // them afterwards; the distances between them stay.
    SceneSettings.atomScale *= factor;
}

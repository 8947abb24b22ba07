#include "app/application.h"
#include "app/mainwindow.h"
#include "app/statuslabel.h"
#include "app/viewwidget.h"
#include "dialogs/aboutbox.h"
#include "dialogs/atomsdlg.h"
#include "dialogs/chargedlg.h"
#include "dialogs/detailsdlg.h"
#include "dialogs/electronsdlg.h"
#include "dialogs/inputdlg.h"
#include "dialogs/orbitalsdlg.h"
#include "dialogs/outputdlg.h"
#include "dialogs/saveframedlg.h"
#include "dialogs/speeddlg.h"
#include "dialogs/textdisplayform.h"
#include "dialogs/toolsdlg.h"
#include "dialogs/zoomdlg.h"
#include "guitestsupport.h"

#include <QAction>
#include <QColorDialog>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <memory>

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { windows = std::make_unique<TessalyWindows>(); }
    void cleanup() { windows.reset(); }

    void startsUntitledWithAnEmptyCounter();
    void startsWithEveryMemberAtItsDefault();
    void startsWithTheDefaultAtomTypesAndSize();
    void bitmapFollowsTheClientAreaLessTheStatusBar();
    void viewCentreIsTheIntegerHalfOfTheView();
    void captionShowsTheFileNamePartAfterAnySeparator_data();
    void captionShowsTheFileNamePartAfterAnySeparator();
    void statusShowsTheFrameTextAfterTheCounter();
    void counterTextTidiesNumberNoiseOnly_data();
    void counterTextTidiesNumberNoiseOnly();
    void aHugeFrameTextIsCutToTheStatusLine();
    void clearTrajectoryForgetsFramesPicksAndSaveRange();
    void exitClearsAndClosesTheWindow();
    void createsTheFourteenWindowsWithTheirCaptions();
    void destroyingTheWindowsClearsTheirPointers();
    void commandLineFileIsOpenedOnlyOnceTheEventLoopRuns();
    void commandLineWithoutFileOpensNothing();
    void joinsCommandLineArgumentsWithSingleBlanks_data();
    void joinsCommandLineArgumentsWithSingleBlanks();
    void menuItemsHaveTheirCaptionsAndShortcuts_data();
    void menuItemsHaveTheirCaptionsAndShortcuts();
    void menuItemsSitInTheirSubmenus();
    void optionsMenuChecksFollowTheSwitchesWhenItOpens();
    void animationMenuChecksFollowTheStateWhenItOpens();
    void displayTogglesInvertTheirSwitch();
    void electronsSwitchHidesLabelsAndRestoresThem();
    void electronsSwitchRestoresTheColourModeOfItsStart();
    void printingColoursPaintAWhiteBackground();
    void colourCommandKeepsTheMemberWhenCancelled();
    void backgroundColourIsDrawnAtOnce();
    void detailsToggleShowsAndHidesTheDetailsWindow();
    void mouseFunctionsShowsTheOneInfoWindow();
    void messagesGoThroughTheReplaceableSink();
    void busyTextIsShownInTheStatusLine();
    void counterSurvivesAMenuHover();
    void colourCommandsShareTheOneColourDialog();
    void newEmptiesTheTrajectoryAndStopsEverything();

private:
    std::unique_ptr<TessalyWindows> windows;
};

void MainWindowTest::startsUntitledWithAnEmptyCounter()
{
    QCOMPARE(MainForm->windowTitle(), QStringLiteral("Tessaly - Untitled"));
    QCOMPARE(MainForm->StatusText(), QStringLiteral("Frame 0 of 0"));
    QCOMPARE(MainForm->FileName, QStringLiteral("Untitled"));
}

void MainWindowTest::startsWithEveryMemberAtItsDefault()
{
    TMainForm &m = *MainForm;
    QVERIFY(m.SaveFileName.isEmpty());
    QCOMPARE(m.FrameCount, 0);
    QCOMPARE(m.CurrentFrameIndex, 0);
    QCOMPARE(m.CurrentFrame, &m.Frames.head());
    QVERIFY(m.Frames.empty());
    // Colours are 0x00BBGGRR: yellow has red and green, no blue.
    QCOMPARE(m.ForegroundColor, 0x0000FFFFu);
    QCOMPARE(m.BackgroundColor, 0x00000000u);
    QCOMPARE(m.ElectronColor, 0x00FFFFFFu);
    QCOMPARE(m.ToneColor, 0x00008000u);
    QVERIFY(!m.PrintColors);
    QVERIFY(!m.Playing);
    QVERIFY(m.RepeatPlay);
    QVERIFY(!m.Rotating);
    QCOMPARE(m.FitMode, 2);
    QCOMPARE(m.FramesPerSecond, 10);
    QCOMPARE(m.AnimTimer.interval(), 100);
    QVERIFY(!m.AnimTimer.isActive());
    QCOMPARE(m.RotationTimer.interval(), 100);
    QVERIFY(!m.RotationTimer.isActive());
    QVERIFY(!m.MouseTimer.isActive());
    QCOMPARE(m.RotationRateHorizontal, 0.001);
    QCOMPARE(m.RotationRateVertical, 0.0);
    QCOMPARE(m.RotationRateInPlane, 0.0);
    QVERIFY(!m.MouseHeld);
    QVERIFY(!m.MouseReleased);
    QVERIFY(!m.ShowElectrons);
    QVERIFY(m.ShowLabels);
    QCOMPARE(m.LabelKind, 0);
    QCOMPARE(m.AtomColorMode, 0);
    QCOMPARE(m.AtomRadiusMode, 0);
    QCOMPARE(m.Electron3DMinimum, 0.0);
    QCOMPARE(m.ElectronQuickMinimum, 0.5);
    QCOMPARE(m.ToneLevel, 5000.0);
    QCOMPARE(m.Brightness, 5000.0);
    QCOMPARE(m.Absorption, 5000.0);
    QVERIFY(!m.ChargeWeighted);
    QCOMPARE(m.ComputingModel, 1);
    QCOMPARE(m.DrawingModel, 0);
    QVERIFY(m.ShowDistances);
    QVERIFY(m.ShowImpulses);
    QVERIFY(!m.ShowAxes);
    QVERIFY(m.ShowText);
    QVERIFY(!m.ShowDetails);
    QVERIFY(m.DistancePairs.empty());
    QCOMPARE(m.PickedAtom, -1);
    QCOMPARE(m.DetailsAtom, -1);
    QCOMPARE(m.ImpulseZoom, 20.0);
    QCOMPARE(m.SaveFrameCount, 51);
    QCOMPARE(m.SaveFirstFrame, 1);
    QCOMPARE(m.SaveLastFrame, 0);
    QVERIFY(!m.SaveAllFrames);
    QVERIFY(!m.QuickDraw);
    QVERIFY(!m.RedrawOnRelease);
    QVERIFY(!m.ElectronsSwitched);
    QVERIFY(m.ReaderWarned == ::ReaderWarned{});
}

void MainWindowTest::startsWithTheDefaultAtomTypesAndSize()
{
    QCOMPARE(MainForm->AtomTypes.size(), 24 + 95);
    QCOMPARE(MainForm->size(), QSize(481, 394));
    QCOMPARE(MainForm->minimumSize(), QSize(100, 100));
    // Before the window is ever shown the bitmap already covers the picture area.
    const int viewHeight =
        394 - MainForm->menuBar()->sizeHint().height() - MainForm->statusBar()->sizeHint().height();
    QCOMPARE(MainForm->ViewBitmap.size(), QSize(481, viewHeight));
    QCOMPARE(MainForm->ViewTransform.originX, 240.0);
    QCOMPARE(MainForm->ViewTransform.originY, static_cast<double>(viewHeight / 2));
}

void MainWindowTest::bitmapFollowsTheClientAreaLessTheStatusBar()
{
    TMainForm &m = *MainForm;
    m.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m));
    m.resize(600, 450);
    QTRY_COMPARE(m.ClientWidth(), 600);
    const int viewHeight = 450 - m.menuBar()->height() - m.statusBar()->height();
    QCOMPARE(m.ViewHeight(), viewHeight);
    QCOMPARE(m.ViewBitmap.size(), QSize(600, viewHeight));
    QCOMPARE(m.ViewBitmap.format(), QImage::Format_RGB32);
    QCOMPARE(m.ViewRect, QRect(0, 0, 600, viewHeight));
}

void MainWindowTest::viewCentreIsTheIntegerHalfOfTheView()
{
    TMainForm &m = *MainForm;
    m.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m));
    m.resize(481, 394);
    QTRY_COMPARE(m.ClientWidth(), 481);
    QCOMPARE(m.ViewTransform.originX, 240.0);
    QCOMPARE(m.ViewTransform.originY, static_cast<double>(m.ViewHeight() / 2));
    m.resize(300, 301);
    QTRY_COMPARE(m.ClientWidth(), 300);
    QCOMPARE(m.ViewTransform.originX, 150.0);
    QCOMPARE(m.ViewTransform.originY, static_cast<double>(m.ViewHeight() / 2));
}

void MainWindowTest::captionShowsTheFileNamePartAfterAnySeparator_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::newRow("bare") << "water.xyz"
                          << "Tessaly - water.xyz";
    QTest::newRow("slash") << "/data/runs/water.xyz"
                           << "Tessaly - water.xyz";
    QTest::newRow("backslash") << "C:\\runs\\water.xyz"
                               << "Tessaly - water.xyz";
    QTest::newRow("colon") << "disk:water.xyz"
                           << "Tessaly - water.xyz";
    QTest::newRow("blank inside") << "/tmp/my water.xyz"
                                  << "Tessaly - my water.xyz";
}

void MainWindowTest::captionShowsTheFileNamePartAfterAnySeparator()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    MainForm->SetFileName(name);
    QCOMPARE(MainForm->windowTitle(), caption);
    QCOMPARE(MainForm->FileName, name);
}

void MainWindowTest::statusShowsTheFrameTextAfterTheCounter()
{
    loadFrames(*MainForm, 2);
    QCOMPARE(MainForm->StatusText(), QStringLiteral("Frame 1 of 2 step 1"));
    MainForm->Frames.frameAt(2).clearText();
    MainForm->GoToFrame(2);
    QCOMPARE(MainForm->StatusText(), QStringLiteral("Frame 2 of 2"));
    MainForm->ShowStatus(QStringLiteral("I'm reading frames, please wait!"));
    QCOMPARE(MainForm->StatusText(), QStringLiteral("I'm reading frames, please wait!"));
}

void MainWindowTest::counterTextTidiesNumberNoiseOnly_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    // noise past the digits a double holds goes; what a writer chose to write stays
    QTest::newRow("sum noise") << "time_fs=350.00000000000006\n"
                               << "time_fs=350";
    QTest::newRow("below one") << "t 0.30000000000000004 fs"
                               << "t 0.3 fs";
    QTest::newRow("exponent") << "e=-1.0000000000000002e-05"
                              << "e=-1e-05";
    QTest::newRow("15 digits stay") << "x=1.23456789012345"
                                    << "x=1.23456789012345";
    QTest::newRow("trailing zeros stay") << "T=300.00 K"
                                         << "T=300.00 K";
    QTest::newRow("integers stay") << "step=12345678901234567890"
                                   << "step=12345678901234567890";
    QTest::newRow("version stays") << "code 1.00000000000000001.2"
                                   << "code 1.00000000000000001.2";
    QTest::newRow("line ends") << "a\tb\r\n"
                               << "a b";
}

void MainWindowTest::counterTextTidiesNumberNoiseOnly()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(frameCounterText(3, 9, text.toStdString()), QStringLiteral("Frame 3 of 9 ") + shown);
}

void MainWindowTest::aHugeFrameTextIsCutToTheStatusLine()
{
    TMainForm &m = *MainForm;
    m.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m));
    const int width = m.width();
    loadFrames(m, 1);
    // a comment line of 10 MB, numbers in it: only its start is kept and shown
    std::string comment;
    for (int i = 0; comment.size() < 10'000'000; ++i)
        comment += "q" + std::to_string(i) + "=0.1000000000000000055 ";
    m.Frames.frameAt(1).setText(comment);
    m.ShowStatus();
    QVERIFY(m.StatusText().startsWith(QStringLiteral("Frame 1 of 1 q0=0.1 q1=0.1 ")));
    QVERIFY(m.StatusText().size() <= 2100);
    QCoreApplication::processEvents();
    // the line shows what fits, cut with an ellipsis, and the window keeps its width
    const QString shown = m.FrameCounter->text();
    QVERIFY(shown.endsWith(QChar(0x2026)));
    QVERIFY(m.FrameCounter->fontMetrics().horizontalAdvance(shown) <= m.FrameCounter->width());
    QCOMPARE(m.width(), width);
}

void MainWindowTest::clearTrajectoryForgetsFramesPicksAndSaveRange()
{
    TMainForm &m = *MainForm;
    loadFrames(m, 3);
    m.GoToFrame(3);
    m.DistancePairs.push_back({0, 1});
    m.PickedAtom = 1;
    m.DetailsAtom = 0;
    m.SaveFirstFrame = 2;
    m.SaveLastFrame = 3;
    m.ClearTrajectory();
    QCOMPARE(m.FrameCount, 0);
    QVERIFY(m.Frames.empty());
    QCOMPARE(m.CurrentFrame, &m.Frames.head());
    QCOMPARE(m.CurrentFrameIndex, 0);
    QVERIFY(m.DistancePairs.empty());
    QCOMPARE(m.PickedAtom, -1);
    QCOMPARE(m.DetailsAtom, -1);
    QCOMPARE(m.SaveFirstFrame, 1);
    QCOMPARE(m.SaveLastFrame, 0);
    QCOMPARE(m.StatusText(), QStringLiteral("Frame 0 of 0"));
}

void MainWindowTest::exitClearsAndClosesTheWindow()
{
    TMainForm &m = *MainForm;
    m.show();
    loadFrames(m, 2);
    QSignalSpy closed(&m, &TMainForm::Closed);
    m.Exit1->trigger();
    QCOMPARE(closed.count(), 1);
    QVERIFY(!m.isVisible());
    QCOMPARE(m.FrameCount, 0);
}

void MainWindowTest::createsTheFourteenWindowsWithTheirCaptions()
{
    const std::pair<QWidget *, const char *> expected[] = {
        {MainForm, "Tessaly - Untitled"},
        {ZoomDlg, "Zoom"},
        {SpeedDlg, "Animation speed (frames / s)"},
        {ToolsDlg, "Animation control"},
        {InputDlg, "Input file options"},
        {DetailsDlg, "Details"},
        {AtomsDlg, "General settings of atoms"},
        {ChargeDlg, "Charge options"},
        {OutputDlg, "Save frames options"},
        {ElectronsDlg, "Electrons visualisation settings "},
        {OrbitalsDlg, "Orbital of atom XXX"},
        {SaveFrameDlg, "Save frame options"},
        {TextDisplayForm, "Info"},
        {AboutBox, "About"},
    };
    for (const auto &[window, caption] : expected) {
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), QString::fromLatin1(caption));
    }
    // Only the main window shows at start; the tool window waits for a trajectory.
    QVERIFY(!ToolsDlg->isVisible());
    QVERIFY(!DetailsDlg->isVisible());
}

void MainWindowTest::destroyingTheWindowsClearsTheirPointers()
{
    windows.reset();
    QVERIFY(!MainForm);
    QVERIFY(!ZoomDlg);
    QVERIFY(!SpeedDlg);
    QVERIFY(!ToolsDlg);
    QVERIFY(!InputDlg);
    QVERIFY(!DetailsDlg);
    QVERIFY(!AtomsDlg);
    QVERIFY(!ChargeDlg);
    QVERIFY(!OutputDlg);
    QVERIFY(!ElectronsDlg);
    QVERIFY(!OrbitalsDlg);
    QVERIFY(!SaveFrameDlg);
    QVERIFY(!TextDisplayForm);
    QVERIFY(!AboutBox);
}

void MainWindowTest::commandLineFileIsOpenedOnlyOnceTheEventLoopRuns()
{
    // A name with a blank, given without quotes, arrives as two arguments and is one file.
    QTemporaryDir folder;
    QVERIFY(writeTrajectory(folder.filePath(QStringLiteral("my water.xyz")), 1));
    RecordingSink sink;
    MainForm->Messages = &sink;
    // The tools window has posted the start-up event while it was built; it waits in the queue.
    MainForm->CommandLineArguments = {QStringLiteral("/usr/bin/tessaly"),
        folder.filePath(QStringLiteral("my")), QStringLiteral("water.xyz")};
    QCOMPARE(MainForm->FrameCount, 0);
    QCOMPARE(MainForm->windowTitle(), QStringLiteral("Tessaly - Untitled"));
    QCoreApplication::sendPostedEvents(MainForm);
    QCOMPARE(MainForm->FrameCount, 1);
    QCOMPARE(MainForm->windowTitle(), QStringLiteral("Tessaly - my water.xyz"));
    QVERIFY(sink.messages.empty());
}

void MainWindowTest::commandLineWithoutFileOpensNothing()
{
    RecordingSink sink;
    MainForm->Messages = &sink;
    MainForm->CommandLineArguments = {QStringLiteral("/usr/bin/tessaly")};
    QCoreApplication::sendPostedEvents(MainForm);
    QVERIFY(sink.messages.empty());
    QCOMPARE(MainForm->windowTitle(), QStringLiteral("Tessaly - Untitled"));
}

void MainWindowTest::joinsCommandLineArgumentsWithSingleBlanks_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("path");
    const QString program = QStringLiteral("/opt/tessaly/bin/tessaly");
    const QString longPath =
        QStringLiteral("/data/") + QString(300, QLatin1Char('d')) + QStringLiteral("/run.xyz");
    QTest::newRow("no argument") << QStringList{program} << QString();
    QTest::newRow("one name") << QStringList{program, "water.xyz"} << "water.xyz";
    QTest::newRow("unquoted name with a blank")
        << QStringList{program, "my", "water.xyz"} << "my water.xyz";
    QTest::newRow("quoted name with a blank")
        << QStringList{program, "my water.xyz"} << "my water.xyz";
    QTest::newRow("leading empty argument") << QStringList{program, "", "water.xyz"} << "water.xyz";
    QTest::newRow("only an empty argument") << QStringList{program, ""} << QString();
    QTest::newRow("longer than 259 characters") << QStringList{program, longPath} << longPath;
}

void MainWindowTest::joinsCommandLineArgumentsWithSingleBlanks()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, path);
    QCOMPARE(joinCommandLineArguments(arguments), path);
}

void MainWindowTest::menuItemsHaveTheirCaptionsAndShortcuts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("shortcut");
    const char *rows[][3] = {
        {"File1", "&File", ""},
        {"New1", "&New", ""},
        {"Open1", "&Open...", "Ctrl+O"},
        {"OpenSetup1", "O&pen Setup...", ""},
        {"Save1", "&Save...", "Ctrl+S"},
        {"SaveSetup1", "Save Setup...", ""},
        {"SaveFrame1", "Sa&ve Frame...", "Ctrl+V"},
        {"Print1", "&Print...", ""},
        {"PrintSetup1", "P&rint Setup...", ""},
        {"Exit1", "E&xit", ""},
        {"Animation1", "&Animation", ""},
        {"Forward1", "&Play", "Ctrl+P"},
        {"Pause1", "Pa&use", "Ctrl+U"},
        {"Rewind1", "Re&wind", "Ctrl+W"},
        {"Repeat1", "R&epeat", ""},
        {"Rotate1", "&Rotate", "Ctrl+R"},
        {"Speed1", "&Speed...", ""},
        {"Zoom1", "&Zoom...", "Ctrl+Z"},
        {"Centre1", "&Centre", "C"},
        {"ResetView1", "Reset &view", "R"},
        {"Options2", "&Options", ""},
        {"Atoms2", "&Atoms...", "Ctrl+A"},
        {"Charges1", "&Charges...", "Ctrl+C"},
        {"Electrons2", "Electro&ns...", "Ctrl+N"},
        {"Colors2", "Co&lors", ""},
        {"Forprinting1", "For printin&g", "Ctrl+G"},
        {"Foreground2", "&Foreground...", ""},
        {"Background2", "&Background...", ""},
        {"Electrons3", "&Electrons...", ""},
        {"Tone", "&Tone...", ""},
        {"Electrons1", "&Electrons", "Ctrl+E"},
        {"Labels1", "&Labels", "Ctrl+L"},
        {"Distances1", "&Distances", "Ctrl+D"},
        {"Impulses1", "Impulses", "Ctrl+I"},
        {"Text1", "&Text", "Ctrl+T"},
        {"Cell1", "Cell", ""},
        {"Legend1", "Legend", ""},
        {"Details1", "Details", ""},
        {"MemoryLimit1", "&Memory limit...", ""},
        {"Help1", "Help", ""},
        {"Mousefunctions1", "Mouse functions...", ""},
        {"About1", "About...", ""},
    };
    for (const auto &row : rows)
        QTest::newRow(row[0]) << row[0] << row[1] << row[2];
}

void MainWindowTest::menuItemsHaveTheirCaptionsAndShortcuts()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, shortcut);
    const QList<QAction *> found = MainForm->findChildren<QAction *>(name);
    QCOMPARE(found.size(), 1);
    QCOMPARE(found.front()->text(), caption);
    QCOMPARE(found.front()->shortcut(), QKeySequence(shortcut));
}

void MainWindowTest::menuItemsSitInTheirSubmenus()
{
    const auto names = [](const QMenu *menu) {
        QStringList result;
        for (const QAction *action : menu->actions())
            result << action->objectName();
        return result;
    };
    QStringList bar;
    for (const QAction *action : MainForm->menuBar()->actions())
        bar << action->objectName();
    QCOMPARE(bar, QStringList({"File1", "Animation1", "Options2", "Help1"}));
    QCOMPARE(names(MainForm->File1),
        QStringList({"New1", "Open1", "OpenSetup1", "Save1", "SaveSetup1", "N6", "SaveFrame1", "N1",
            "Print1", "PrintSetup1", "N2", "Exit1"}));
    QCOMPARE(names(MainForm->Animation1),
        QStringList({"Forward1", "Pause1", "Rewind1", "N7", "Repeat1", "Rotate1", "N3", "Speed1",
            "Zoom1", "N12", "Centre1", "ResetView1"}));
    QCOMPARE(names(MainForm->Options2),
        QStringList({"Atoms2", "Charges1", "Electrons2", "N5", "Colors2", "N10", "Electrons1",
            "Labels1", "Distances1", "Impulses1", "Text1", "Cell1", "Legend1", "Bonds1",
            "BondRadius1", "Details1", "N13", "MemoryLimit1"}));
    QCOMPARE(names(MainForm->Colors2),
        QStringList({"Forprinting1", "N11", "Foreground2", "Background2", "Electrons3", "Tone"}));
    QCOMPARE(names(MainForm->Help1), QStringList({"Mousefunctions1", "About1"}));
    for (const char *separator : {"N6", "N1", "N2", "N7", "N3", "N12", "N5", "N11", "N10", "N13"})
        QVERIFY(MainForm->findChild<QAction *>(QString::fromLatin1(separator))->isSeparator());
}

void MainWindowTest::optionsMenuChecksFollowTheSwitchesWhenItOpens()
{
    TMainForm &m = *MainForm;
    m.ShowElectrons = true;
    m.ShowLabels = false;
    m.ShowDistances = true;
    m.ShowImpulses = false;
    m.ShowText = true;
    m.PrintColors = true;
    m.ShowDetails = false;
    m.ShowCell = false;
    // The marks change only when the menu opens.
    QVERIFY(!m.Electrons1->isChecked());
    emit m.Options2->aboutToShow();
    QVERIFY(m.Electrons1->isChecked());
    QVERIFY(!m.Labels1->isChecked());
    QVERIFY(m.Distances1->isChecked());
    QVERIFY(!m.Impulses1->isChecked());
    QVERIFY(m.Text1->isChecked());
    QVERIFY(m.Forprinting1->isChecked());
    QVERIFY(!m.Details1->isChecked());
    QVERIFY(!m.Cell1->isChecked());
    m.Cell1->trigger();
    QVERIFY(m.ShowCell);
    QVERIFY(!m.Legend1->isChecked());
    m.Legend1->trigger();
    QVERIFY(m.ShowLegend);
}

void MainWindowTest::animationMenuChecksFollowTheStateWhenItOpens()
{
    TMainForm &m = *MainForm;
    emit m.Animation1->aboutToShow();
    QVERIFY(!m.Forward1->isChecked());
    QVERIFY(m.Pause1->isChecked());
    QVERIFY(m.Repeat1->isChecked());
    QVERIFY(!m.Rotate1->isChecked());
    m.Forward1Click();
    m.Repeat1Click();
    m.Rotate1Click();
    emit m.Animation1->aboutToShow();
    QVERIFY(m.Forward1->isChecked());
    QVERIFY(!m.Pause1->isChecked());
    QVERIFY(!m.Repeat1->isChecked());
    QVERIFY(m.Rotate1->isChecked());
}

void MainWindowTest::displayTogglesInvertTheirSwitch()
{
    TMainForm &m = *MainForm;
    m.Labels1->trigger();
    m.Distances1->trigger();
    m.Impulses1->trigger();
    m.Text1->trigger();
    m.Forprinting1->trigger();
    QVERIFY(!m.ShowLabels);
    QVERIFY(!m.ShowDistances);
    QVERIFY(!m.ShowImpulses);
    QVERIFY(!m.ShowText);
    QVERIFY(m.PrintColors);
    m.Labels1->trigger();
    m.Distances1->trigger();
    m.Impulses1->trigger();
    m.Text1->trigger();
    m.Forprinting1->trigger();
    QVERIFY(m.ShowLabels);
    QVERIFY(m.ShowDistances);
    QVERIFY(m.ShowImpulses);
    QVERIFY(m.ShowText);
    QVERIFY(!m.PrintColors);
}

void MainWindowTest::electronsSwitchHidesLabelsAndRestoresThem()
{
    TMainForm &m = *MainForm;
    m.Electrons1->trigger();
    QVERIFY(m.ShowElectrons);
    QVERIFY(m.ElectronsSwitched);
    QVERIFY(!m.ShowLabels);
    m.Electrons1->trigger();
    QVERIFY(!m.ShowElectrons);
    QVERIFY(m.ShowLabels);
    // Labels already off when the clouds come on stay off afterwards.
    m.ShowLabels = false;
    m.Electrons1Click();
    m.Electrons1Click();
    QVERIFY(!m.ShowLabels);
}

void MainWindowTest::electronsSwitchRestoresTheColourModeOfItsStart()
{
    TMainForm &m = *MainForm;
    m.Electrons1Click();
    m.AtomColorMode = 1;
    m.Electrons1Click();
    QCOMPARE(m.AtomColorMode, 0);
}

void MainWindowTest::printingColoursPaintAWhiteBackground()
{
    TMainForm &m = *MainForm;
    m.BackgroundColor = rgbColor(0, 0, 255);
    m.Redraw(nullptr, false);
    QCOMPARE(m.ViewBitmap.pixel(5, 5), qRgb(0, 0, 255));
    m.Forprinting1Click();
    QCOMPARE(m.ViewBitmap.pixel(5, 5), qRgb(255, 255, 255));
    m.Forprinting1Click();
    QCOMPARE(m.ViewBitmap.pixel(5, 5), qRgb(0, 0, 255));
}

void MainWindowTest::colourCommandKeepsTheMemberWhenCancelled()
{
    TMainForm &m = *MainForm;
    std::uint32_t presetSeen = 1;
    m.ChooseColor = [&presetSeen](std::uint32_t preset) -> std::optional<std::uint32_t> {
        presetSeen = preset;
        return std::nullopt;
    };
    m.Foreground2Click();
    QCOMPARE(presetSeen, rgbColor(255, 255, 0));
    QCOMPARE(m.ForegroundColor, rgbColor(255, 255, 0));
    m.ToneClick();
    QCOMPARE(presetSeen, rgbColor(0, 128, 0));
    QCOMPARE(m.ToneColor, rgbColor(0, 128, 0));
}

void MainWindowTest::backgroundColourIsDrawnAtOnce()
{
    TMainForm &m = *MainForm;
    m.ChooseColor = [](std::uint32_t) -> std::optional<std::uint32_t> {
        return rgbColor(10, 20, 30);
    };
    m.Background2Click();
    QCOMPARE(m.BackgroundColor, rgbColor(10, 20, 30));
    QCOMPARE(m.ViewBitmap.pixel(0, 0), qRgb(10, 20, 30));
    m.Electrons3Click();
    QCOMPARE(m.ElectronColor, rgbColor(10, 20, 30));
}

void MainWindowTest::detailsToggleShowsAndHidesTheDetailsWindow()
{
    TMainForm &m = *MainForm;
    m.show();
    m.Details1->trigger();
    QVERIFY(m.ShowDetails);
    QVERIFY(DetailsDlg->isVisible());
    m.Details1->trigger();
    QVERIFY(!m.ShowDetails);
    QVERIFY(!DetailsDlg->isVisible());
    // Closing it by its frame switches the main window's flag off too.
    m.Details1Click();
    DetailsDlg->close();
    QVERIFY(!m.ShowDetails);
    QVERIFY(!DetailsDlg->isVisible());
    // So does Escape.
    m.Details1Click();
    QTest::keyClick(DetailsDlg, Qt::Key_Escape);
    QVERIFY(!m.ShowDetails);
    QVERIFY(!DetailsDlg->isVisible());
}

void MainWindowTest::mouseFunctionsShowsTheOneInfoWindow()
{
    MainForm->Mousefunctions1->trigger();
    QVERIFY(TextDisplayForm->isVisible());
    QVERIFY(!TextDisplayForm->isModal());
    MainForm->Mousefunctions1->trigger();
    QCOMPARE(MainForm->findChildren<TTextDisplayForm *>().size(), 1);
    const QStringList rows = TextDisplayForm->RichEdit1->toPlainText().split(QLatin1Char('\n'));
    // The mouse rows, moving the view, the wheel, the middle button and the keys, then the
    // empty tail.
    QCOMPARE(rows.size(), 55);
    QCOMPARE(rows.at(0), QStringLiteral("Basic Mouse Functions"));
    QCOMPARE(rows.at(1), QString(22, QLatin1Char('-')));
    QCOMPARE(rows.at(12),
        QStringLiteral("Left button + Ctrl: Gradual selection (or unselection) of atoms to "
                       "show their "));
    QCOMPARE(rows.at(32), QStringLiteral("DETAILES"));
    QCOMPARE(rows.at(35), QStringLiteral("to background)."));
    QCOMPARE(rows.at(54), QStringLiteral(" "));
    for (int empty : {3, 10, 18, 25, 32, 38, 44, 50, 51, 52, 53, 54})
        QVERIFY2(rows.at(empty - 1).isEmpty(), qPrintable(QString::number(empty)));
}

void MainWindowTest::messagesGoThroughTheReplaceableSink()
{
    RecordingSink recorder;
    MainForm->Messages = &recorder;
    MainForm->ShowMessage(QString(), QStringLiteral("Can't open XYZ file water.xyz"));
    MainForm->ShowMessage(QStringLiteral("SAVE ERROR"), QStringLiteral("Disk full?"));
    QCOMPARE(recorder.messages.size(), std::size_t(2));
    QCOMPARE(recorder.messages[0].first, std::string());
    QCOMPARE(recorder.messages[0].second, std::string("Can't open XYZ file water.xyz"));
    QCOMPARE(recorder.messages[1].first, std::string("SAVE ERROR"));
}

void MainWindowTest::busyTextIsShownInTheStatusLine()
{
    TMainForm &m = *MainForm;
    m.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m));
    m.StatusLine->showBusy("I'm reading frames, please wait!");
    QCOMPARE(m.StatusText(), QStringLiteral("I'm reading frames, please wait!"));
    m.StatusLine->showCounter();
    QCOMPARE(m.StatusText(), QStringLiteral("Frame 0 of 0"));
}

void MainWindowTest::newEmptiesTheTrajectoryAndStopsEverything()
{
    TMainForm &m = *MainForm;
    loadFrames(m, 3);
    m.SetFileName(QStringLiteral("water.xyz"));
    ToolsDlg->show();
    m.Forward1Click();
    m.Rotate1Click();
    m.New1->trigger();
    QCOMPARE(m.windowTitle(), QStringLiteral("Tessaly - Untitled"));
    QVERIFY(!m.Playing);
    QVERIFY(!m.Rotating);
    QVERIFY(!m.AnimTimer.isActive());
    QVERIFY(!m.RotationTimer.isActive());
    QCOMPARE(m.FrameCount, 0);
    QVERIFY(!ToolsDlg->isVisible());
    QCOMPARE(m.StatusText(), QStringLiteral("Frame 0 of 0"));
}

void MainWindowTest::counterSurvivesAMenuHover()
{
    TMainForm &m = *MainForm;
    m.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m));
    loadFrames(m, 2);
    // Open "Options" from the menu bar and rest the pointer on an item, as a user browsing does.
    QMenuBar *bar = m.menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier,
        bar->actionGeometry(m.Options2->menuAction()).center());
    QVERIFY(QTest::qWaitForWindowExposed(m.Options2));
    const QPoint item = m.Options2->actionGeometry(m.Labels1).center();
    QTest::mouseMove(m.Options2->windowHandle(), item);
    QTest::mouseMove(m.Options2->windowHandle(), item + QPoint(2, 0));
    QCOMPARE(m.Options2->activeAction(), m.Labels1);
    m.Options2->hide();
    QCOMPARE(m.StatusText(), QStringLiteral("Frame 1 of 2 step 1"));
    QVERIFY(m.FrameCounter->isVisible());
    // A busy text covers it, and the counter returns after it.
    m.StatusLine->showBusy("I'm saving frames, please wait!");
    QVERIFY(!m.FrameCounter->isVisible());
    m.StatusLine->showCounter();
    QVERIFY(m.FrameCounter->isVisible());
    QCOMPARE(m.StatusText(), QStringLiteral("Frame 1 of 2 step 1"));
}

void MainWindowTest::colourCommandsShareTheOneColourDialog()
{
    TMainForm &m = *MainForm;
    QList<QColor> presets;
    const auto answer = [&m, &presets](const QColor &chosen) {
        QTimer::singleShot(0, &m, [&m, &presets, chosen] {
            presets << m.ColorDialog1->currentColor();
            m.ColorDialog1->setCurrentColor(chosen);
            m.ColorDialog1->accept();
        });
    };
    answer(QColor(10, 20, 30));
    m.Foreground2Click();
    answer(QColor(40, 50, 60));
    m.ToneClick();
    QCOMPARE(presets, (QList<QColor>{QColor(255, 255, 0), QColor(0, 128, 0)}));
    QCOMPARE(m.ForegroundColor, rgbColor(10, 20, 30));
    QCOMPARE(m.ToneColor, rgbColor(40, 50, 60));
    QCOMPARE(m.findChildren<QColorDialog *>().size(), 1);
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"

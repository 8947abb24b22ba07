#include "app/application.h"
#include "app/mainwindow.h"
#include "dialogs/electronsdlg.h"
#include "guitestsupport.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

// The main window as the dialog sees it: its display state, and the redraws asked for.
class CountingMain : public MainFormLink
{
public:
    QWidget window;
    DisplayState display;
    int redraws = 0;
    AtomTypeTable types;
    FrameList frames;
    RecordingSink messages;
    QWidget *Window() override { return &window; }
    QRect PictureScreenRect() const override { return {}; }
    void Redraw(Frame *, bool) override { ++redraws; }
    void GoToFrame(int) override { }
    void Pause1Click() override { }
    void Forward1Click() override { }
    void Details1Click() override { }
    void Rotate1Click() override { }
    bool AbandonCloudPass() override { return false; }
    void ReleaseHeldView() override { }
    bool IsPlaying() const override { return false; }
    bool IsRotating() const override { return false; }
    DisplayState &Display() override { return display; }
    const Frame &ShownFrame() const override { return frames.head(); }
    int ShownFrameIndex() const override { return 0; }
    int ShownDetailsAtom() const override { return -1; }
    AtomTypeTable &TypeTable() override { return types; }
    FrameList &LoadedFrames() override { return frames; }
    Frame &ShownFrame() override { return frames.head(); }
    MessageSink &MessageBoxes() override { return messages; }
    StatusSink *BusyLine() override { return nullptr; }
    std::optional<std::uint32_t> PickColor(std::uint32_t) override { return std::nullopt; }
};

} // namespace

// The electrons dialog over the window's settings, and the 3D cloud in the window.
class ElectronsTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        main = std::make_unique<CountingMain>();
        dialog = std::make_unique<TElectronsDlg>(*main);
    }
    void cleanup()
    {
        dialog.reset();
        main.reset();
    }

    void showingPutsTheSettingsIntoTheControls();
    void controlsSetTheirSettingsAndOnlyQuickOnesRedraw();
    void minimumSliderReturnsToEachModelsValue();
    void escAbandonsTheWindowsThreeDPassForTheQuickModel();
    void resizingDuringTheThreeDPassComposesAgainAtTheNewSize();

private:
    // Clicks a radio button on its indicator, which a wide button's middle may miss.
    void choose(QRadioButton *button)
    {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }
    void press(QWidget *widget, Qt::Key key, int times = 1)
    {
        for (int i = 0; i < times; ++i)
            QTest::keyClick(widget, key);
    }

    // The program's windows with the water example paused and electrons on.
    std::unique_ptr<TessalyWindows> openWaterWithElectrons()
    {
        dialog.reset();
        auto windows = openRecordedWindows(sink, status);
        MainForm->OpenTrajectory(QStringLiteral(TESSALY_EXAMPLES "/water.xyz"));
        MainForm->Pause1Click();
        MainForm->ShowElectrons = true;
        return windows;
    }

    RecordingSink sink;
    RecordingStatus status;
    std::unique_ptr<CountingMain> main;
    std::unique_ptr<TElectronsDlg> dialog;
};

void ElectronsTest::showingPutsTheSettingsIntoTheControls()
{
    main->display.DrawingModel = 1;
    main->display.ComputingModel = 0;
    main->display.ChargeWeighted = true;
    main->display.Electron3DMinimum = 0.0001;
    main->display.Brightness = 3456.0;
    main->display.Absorption = 1299.0;
    main->SceneSettings.toneBrightness = false;
    QVERIFY(!dialog->DrawingModelButtons[0]->isChecked());
    QVERIFY(!dialog->DrawingModelButtons[1]->isChecked());
    dialog->show();

    QCOMPARE(dialog->windowTitle(), QStringLiteral("Electrons visualisation settings "));
    QVERIFY(dialog->DrawingModelButtons[1]->isChecked());
    QVERIFY(dialog->CompModelButtons[0]->isChecked());
    QVERIFY(dialog->ChargeCheckBox->isChecked());
    QCOMPARE(dialog->MinimumLabel->text(), QStringLiteral("Minimal treshold"));
    QCOMPARE(dialog->MinimumTrackBar->value(), 25);
    QCOMPARE(dialog->BrightnessTrackBar->value(), 34);
    QCOMPARE(dialog->AbsorptionTrackBar->value(), 12);
    QCOMPARE(dialog->ToneTrackBar->value(), 50);
    QVERIFY(!dialog->ToneCB->isChecked());
    QVERIFY(dialog->AbsorptionTrackBar->isEnabled() && dialog->ToneCB->isEnabled());
    QVERIFY(!dialog->ToneTrackBar->isEnabled());
    // showing the values changes none of them and draws nothing
    QCOMPARE(main->display.Brightness, 3456.0);
    QCOMPARE(main->display.Electron3DMinimum, 0.0001);
    QCOMPARE(main->redraws, 0);

    choose(dialog->DrawingModelButtons[0]);
    QCOMPARE(main->display.DrawingModel, 0);
    QCOMPARE(dialog->MinimumLabel->text(), QStringLiteral("Probability limit"));
    QCOMPARE(dialog->MinimumTrackBar->value(), 50);
    QVERIFY(!dialog->AbsorptionLabel->isEnabled() && !dialog->AbsorptionTrackBar->isEnabled());
    QVERIFY(!dialog->ToneCB->isEnabled() && !dialog->ToneTrackBar->isEnabled());
}

void ElectronsTest::controlsSetTheirSettingsAndOnlyQuickOnesRedraw()
{
    dialog->show();
    press(dialog->MinimumTrackBar, Qt::Key_Right);
    QCOMPARE(main->display.ElectronQuickMinimum, 51 * 0.01);
    press(dialog->BrightnessTrackBar, Qt::Key_Left, 2);
    QCOMPARE(main->display.Brightness, 4800.0);
    QCOMPARE(main->redraws, 3);

    choose(dialog->DrawingModelButtons[1]);
    QCOMPARE(main->display.DrawingModel, 1);
    press(dialog->MinimumTrackBar, Qt::Key_End);
    QCOMPARE(main->display.Electron3DMinimum, 100 * 0.000004);
    press(dialog->BrightnessTrackBar, Qt::Key_Home);
    QCOMPARE(main->display.Brightness, 0.0);
    press(dialog->AbsorptionTrackBar, Qt::Key_Right);
    QCOMPARE(main->display.Absorption, 5100.0);
    press(dialog->ToneTrackBar, Qt::Key_Left);
    QCOMPARE(main->display.ToneLevel, 4900.0);
    QTest::mouseClick(dialog->ChargeCheckBox, Qt::LeftButton);
    QVERIFY(main->display.ChargeWeighted);
    choose(dialog->CompModelButtons[0]);
    QCOMPARE(main->display.ComputingModel, 0);
    QTest::mouseClick(dialog->ToneCB, Qt::LeftButton);
    QVERIFY(!main->SceneSettings.toneBrightness);
    QVERIFY(!dialog->ToneTrackBar->isEnabled());
    QCOMPARE(main->redraws, 3);

    QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
}

void ElectronsTest::minimumSliderReturnsToEachModelsValue()
{
    dialog->show();
    press(dialog->MinimumTrackBar, Qt::Key_Left, 20); // quick: 0.30
    choose(dialog->DrawingModelButtons[1]);
    QCOMPARE(dialog->MinimumTrackBar->value(), 0);
    press(dialog->MinimumTrackBar, Qt::Key_Right, 3); // 3D: 0.000012
    QCOMPARE(main->display.ElectronQuickMinimum, 30 * 0.01);
    choose(dialog->DrawingModelButtons[0]);
    QCOMPARE(dialog->MinimumTrackBar->value(), 30);
    QCOMPARE(main->display.Electron3DMinimum, 3 * 0.000004);

    dialog->hide();
    main->display.DrawingModel = 1;
    dialog->show();
    QCOMPARE(dialog->MinimumTrackBar->value(), 3);
    choose(dialog->DrawingModelButtons[0]);
    QCOMPARE(dialog->MinimumTrackBar->value(), 30);
    QCOMPARE(main->display.ElectronQuickMinimum, 30 * 0.01);
}

void ElectronsTest::escAbandonsTheWindowsThreeDPassForTheQuickModel()
{
    const auto windows = openWaterWithElectrons();
    TMainForm &window = *MainForm;
    window.Redraw(nullptr, false);
    const QImage quick = window.ViewBitmap;

    window.DrawingModel = 1;
    status = RecordingStatus{};
    QTimer::singleShot(0, &window, [&window] { QTest::keyClick(&window, Qt::Key_Escape); });
    window.Redraw(nullptr, false);
    QCOMPARE(window.ViewBitmap, quick);
    QVERIFY(!status.busyTexts.empty());
    QCOMPARE(status.busyTexts.front(), std::string("I'm rendering electrons cloud, please wait!"));
    QCOMPARE(status.counterShown, 1);

    // the key was taken by the pass: the next redraw draws the 3D cloud
    window.Redraw(nullptr, false);
    QVERIFY(window.ViewBitmap != quick);
}

void ElectronsTest::resizingDuringTheThreeDPassComposesAgainAtTheNewSize()
{
    const auto windows = openWaterWithElectrons();
    TMainForm &window = *MainForm;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.DrawingModel = 1;
    QTimer::singleShot(0, &window, [&window] { window.resize(640, 480); });
    window.Redraw(nullptr, true);
    QVERIFY(window.CloudPassRunning());
    QTRY_COMPARE_WITH_TIMEOUT(window.ViewRect.width(), 640, 120000); // resized while the pass ran
    QTRY_VERIFY_WITH_TIMEOUT(!window.CloudPassRunning(), 120000);
    QCOMPARE(window.ViewBitmap.size(), window.ViewRect.size());
}

QTEST_MAIN(ElectronsTest)
#include "tst_electrons.moc"

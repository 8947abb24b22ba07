#include "app/application.h"
#include "app/mainwindow.h"
#include "app/messagesinks.h"
#include "dialogs/aboutbox.h"
#include "dialogs/detailsdlg.h"
#include "dialogs/electronsdlg.h"
#include "dialogs/orbitalsdlg.h"
#include "dialogs/zoomdlg.h"
#include "guitestsupport.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <memory>

class DialogsTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { windows = std::make_unique<TessalyWindows>(); }
    void cleanup() { windows.reset(); }

    void aboutBoxNamesTheProductAndVersion();
    void aboutCommandShowsTheBoxModallyUntilOk();
    void messageBoxHasTheCaptionTheTextAndOnlyOk();
    void detailsWindowSitsAtTheClientAreasTopRightCorner();
    void ctrlZOpensTheZoomDialogWithEachFactorAtOne();
    void zoomEditTakesAFactorWithinItsLimits_data();
    void zoomEditTakesAFactorWithinItsLimits();
    void zoomDialogPausesWhatRunsAndSetsTheFitMode();
    void detailsShowTheAtomOrTheFrameTotals();
    void detailsButtonOpensOrbitalsForAnAtomAndElectronsForTheFrame();

private:
    std::unique_ptr<TessalyWindows> windows;
};

void DialogsTest::aboutBoxNamesTheProductAndVersion()
{
    QCOMPARE(AboutBox->windowTitle(), QStringLiteral("About"));
    QCOMPARE(AboutBox->ProductName->text(), QStringLiteral("Product Name: Tessaly"));
    QCOMPARE(AboutBox->Version->text(), QStringLiteral("Version: 2.0"));
    QCOMPARE(AboutBox->OKButton->text(), QStringLiteral("OK"));
    QVERIFY(AboutBox->OKButton->isDefault());
    QCOMPARE(AboutBox->size(), QSize(298, 213));
}

void DialogsTest::aboutCommandShowsTheBoxModallyUntilOk()
{
    bool wasModal = false;
    QTimer::singleShot(0, AboutBox, [&wasModal] {
        wasModal = AboutBox->isModal() && AboutBox->isVisible();
        AboutBox->OKButton->click();
    });
    MainForm->About1Click();
    QVERIFY(wasModal);
    QVERIFY(!AboutBox->isVisible());
}

void DialogsTest::messageBoxHasTheCaptionTheTextAndOnlyOk()
{
    MessageBoxSink sink(MainForm);
    QString caption;
    QString text;
    QMessageBox::StandardButtons buttons;
    QWidget *owner = nullptr;
    QTimer::singleShot(0, MainForm, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        caption = box->windowTitle();
        text = box->text();
        buttons = box->standardButtons();
        owner = box->parentWidget();
        box->button(QMessageBox::Ok)->click();
    });
    sink.show("INPUT FILE FORMAT ERROR", "Number of atoms not valid");
    QCOMPARE(caption, QStringLiteral("INPUT FILE FORMAT ERROR"));
    QCOMPARE(text, QStringLiteral("Number of atoms not valid"));
    QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(owner, static_cast<QWidget *>(MainForm));
}

void DialogsTest::detailsWindowSitsAtTheClientAreasTopRightCorner()
{
    MainForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(MainForm));
    DetailsDlg->show();
    MainForm->resize(700, 500);
    const auto placed = [] {
        const QRect picture = MainForm->PictureScreenRect();
        const QRect details = DetailsDlg->frameGeometry();
        return details.top() == picture.top() && details.right() == picture.right();
    };
    QTRY_VERIFY(placed());
}

void DialogsTest::ctrlZOpensTheZoomDialogWithEachFactorAtOne()
{
    MainForm->show();
    QVERIFY(QTest::qWaitForWindowActive(MainForm));
    bool wasModal = false;
    QStringList shown;
    QString fit;
    QTimer::singleShot(0, ZoomDlg, [&] {
        wasModal = ZoomDlg->isModal() && ZoomDlg->isVisible();
        for (const QLineEdit *edit : ZoomDlg->findChildren<QLineEdit *>())
            shown << edit->objectName() + QLatin1Char('=') + edit->text();
        for (const QRadioButton *item : ZoomDlg->FittingRadioGroup->findChildren<QRadioButton *>())
            if (item->isChecked())
                fit = item->text();
        ZoomDlg->OKBtn->click();
    });
    QTest::keyClick(MainForm, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(wasModal);
    QCOMPARE(shown, QStringList({"DistZoomEdit=1", "AtomZoomEdit=1", "ImpulsZoomEdit=1"}));
    QCOMPARE(fit, QStringLiteral("Overflowing frames"));
    QCOMPARE(ZoomDlg->FittingRadioGroup->title(), QStringLiteral("Fit in window"));
    QVERIFY(!ZoomDlg->isVisible());
}

void DialogsTest::zoomEditTakesAFactorWithinItsLimits_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<double>("scale");
    QTest::addColumn<double>("atomScale");
    QTest::addColumn<double>("impulseZoom");
    QTest::newRow("distances doubled") << "DistZoomEdit"
                                       << "2"
                                       << "2" << 64.0 << 32.0 << 20.0;
    QTest::newRow("atoms doubled") << "AtomZoomEdit"
                                   << "2"
                                   << "2" << 32.0 << 64.0 << 20.0;
    QTest::newRow("1000 is the limit") << "DistZoomEdit"
                                       << "1000"
                                       << "1000" << 32000.0 << 32.0 << 20.0;
    QTest::newRow("1001 is refused") << "DistZoomEdit"
                                     << "1001"
                                     << "1" << 32.0 << 32.0 << 20.0;
    QTest::newRow("negative is refused") << "AtomZoomEdit"
                                         << "-1"
                                         << "1" << 32.0 << 32.0 << 20.0;
    QTest::newRow("0 is taken") << "AtomZoomEdit"
                                << "0"
                                << "0" << 32.0 << 0.0 << 20.0;
    QTest::newRow("leading number") << "ImpulsZoomEdit"
                                    << "1.5xy"
                                    << "1.5xy" << 32.0 << 32.0 << 30.0;
    QTest::newRow("no number reads 0") << "ImpulsZoomEdit"
                                       << "abc"
                                       << "abc" << 32.0 << 32.0 << 0.0;
    QTest::newRow("nan is refused") << "DistZoomEdit"
                                    << "nan"
                                    << "1" << 32.0 << 32.0 << 20.0;
}

void DialogsTest::zoomEditTakesAFactorWithinItsLimits()
{
    QFETCH(QString, edit);
    QFETCH(QString, typed);
    QString shownAfter;
    bool active = false;
    bool left = false;
    QTimer::singleShot(0, ZoomDlg, [&] {
        active = QTest::qWaitForWindowActive(ZoomDlg);
        auto *field = ZoomDlg->findChild<QLineEdit *>(edit);
        field->setFocus();
        field->clear();
        QTest::keyClicks(field, typed);
        // Leaving the edit takes the value; the dialog stays open.
        QTest::keyClick(field, Qt::Key_Tab);
        left = !field->hasFocus();
        shownAfter = field->text();
        ZoomDlg->OKBtn->click();
    });
    MainForm->FitMode = 3;
    MainForm->Zoom1Click();
    QVERIFY(active && left);
    QTEST(shownAfter, "shown");
    QTEST(MainForm->ViewTransform.scale, "scale");
    QTEST(MainForm->SceneSettings.atomScale, "atomScale");
    QTEST(MainForm->ImpulseZoom, "impulseZoom");
}

void DialogsTest::zoomDialogPausesWhatRunsAndSetsTheFitMode()
{
    TMainForm &m = *MainForm;
    loadFrames(m, 3);
    m.Forward1Click();
    m.Rotate1Click();
    bool ranWhileOpen = true;
    QTimer::singleShot(0, ZoomDlg, [&] {
        ranWhileOpen = m.Playing || m.Rotating || m.AnimTimer.isActive();
        ZoomDlg->FittingRadioGroup->findChildren<QRadioButton *>().at(3)->click();
        ZoomDlg->OKBtn->click();
    });
    m.Zoom1Click();
    QVERIFY(!ranWhileOpen);
    QCOMPARE(m.FitMode, 3);
    QVERIFY(m.Playing && m.AnimTimer.isActive());
    QVERIFY(m.Rotating && m.RotationTimer.isActive());
}

namespace {

// One frame of four atoms whose impulses and charges cancel, the fourth a carbon far out on x.
void loadFourAtoms(TMainForm &m, double time, double energy)
{
    m.ClearTrajectory();
    Frame frame;
    frame.atomCount = 4;
    allocateAtoms(frame, 4);
    const double charges[] = {0.25, -0.75, 0.0, 0.5};
    for (std::size_t i = 0; i < 4; ++i) {
        frame.atoms[i].type = m.AtomTypes.findAtomType("O");
        frame.atoms[i].charge = charges[i];
    }
    frame.atoms[0].impulse = {0.0, -3.0, -4.0};
    frame.atoms[3].type = m.AtomTypes.findAtomType("C");
    frame.atoms[3].position = {1234.5678, 0.0, 0.0};
    frame.atoms[3].impulse = {0.0, 3.0, 4.0};
    frame.time = time;
    frame.energy = energy;
    m.Frames.appendFrame(std::move(frame));
    Frame small;
    small.atomCount = 1;
    allocateAtoms(small, 1);
    m.Frames.appendFrame(std::move(small));
    m.FrameCount = 2;
    m.GoToFirstFrame();
}

QStringList detailLines()
{
    return DetailsDlg->DetailsMemo->toPlainText().split(QLatin1Char('\n'));
}

} // namespace

void DialogsTest::detailsShowTheAtomOrTheFrameTotals()
{
    TMainForm &m = *MainForm;
    loadFourAtoms(m, 0.0, 0.0);
    m.Details1->trigger();
    QVERIFY(DetailsDlg->isVisible());
    QCOMPARE(DetailsDlg->windowTitle(), QStringLiteral("Frame 1"));
    QCOMPARE(detailLines(), QStringList({"T=0", "E=0", "CH=0", "PX=0", "PY=0", "PZ=0", "PP=0"}));
    QCOMPARE(DetailsDlg->OrbitalBut->text(), QStringLiteral("Electrons"));
    // Every redraw refreshes the shown window.
    m.DetailsAtom = 3;
    m.Redraw(nullptr, true);
    QCOMPARE(DetailsDlg->windowTitle(), QStringLiteral("Atom C4"));
    QCOMPARE(detailLines(),
        QStringList(
            {"RX=1235", "RY=0", "RZ=0", "RR=1235", "CH=0.5", "PX=0", "PY=3", "PZ=4", "PP=5"}));
    QCOMPARE(DetailsDlg->OrbitalBut->text(), QStringLiteral("Orbital"));
    // The next frame has one atom only: its totals, never a read past its end.
    m.GoToFrame(2);
    QCOMPARE(DetailsDlg->windowTitle(), QStringLiteral("Frame 2"));
    QCOMPARE(detailLines().size(), 7);
    // Time and energy keep six digits, with "." whatever the locale.
    m.DetailsAtom = -1;
    loadFourAtoms(m, 12.3456789, -1234567.8);
    QCOMPARE(detailLines().mid(0, 2), QStringList({"T=12.3457", "E=-1.23457e+06"}));
}

void DialogsTest::detailsButtonOpensOrbitalsForAnAtomAndElectronsForTheFrame()
{
    TMainForm &m = *MainForm;
    loadFourAtoms(m, 0.0, 0.0);
    QWidget *opened = nullptr;
    int targetAtom = -2;
    const auto closeWhatOpens = [&opened, &targetAtom] {
        QTimer::singleShot(0, MainForm, [&opened, &targetAtom] {
            opened = QApplication::activeModalWidget();
            if (opened == OrbitalsDlg)
                targetAtom = OrbitalsDlg->TargetAtomIndex;
            if (auto *dialog = qobject_cast<QDialog *>(opened))
                dialog->reject();
        });
    };
    m.DetailsAtom = 2;
    DetailsDlg->refreshDetails();
    closeWhatOpens();
    DetailsDlg->OrbitalBut->click();
    QCOMPARE(opened, static_cast<QWidget *>(OrbitalsDlg));
    QCOMPARE(targetAtom, 2); // the picked atom's own expansion is edited
    m.DetailsAtom = -1;
    DetailsDlg->refreshDetails();
    closeWhatOpens();
    DetailsDlg->OrbitalBut->click();
    QCOMPARE(opened, static_cast<QWidget *>(ElectronsDlg));
}

QTEST_MAIN(DialogsTest)
#include "tst_dialogs.moc"

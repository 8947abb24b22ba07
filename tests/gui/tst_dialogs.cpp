#include "app/application.h"
#include "app/mainwindow.h"
#include "app/messagesinks.h"
#include "dialogs/aboutbox.h"
#include "dialogs/atomsdlg.h"
#include "dialogs/chargedlg.h"
#include "dialogs/detailsdlg.h"
#include "dialogs/electronsdlg.h"
#include "dialogs/inputdlg.h"
#include "dialogs/memorydlg.h"
#include "dialogs/orbitalsdlg.h"
#include "dialogs/outputdlg.h"
#include "dialogs/saveframedlg.h"
#include "dialogs/speeddlg.h"
#include "dialogs/textdisplayform.h"
#include "dialogs/toolsdlg.h"
#include "dialogs/zoomdlg.h"
#include "guitestsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>
#include <QTimer>

#include <cmath>
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

    void zoomEditsShowTheWholeFactorAndPassingThroughKeepsIt_data();
    void zoomEditsShowTheWholeFactorAndPassingThroughKeepsIt();
    void okAfterAClickIntoTheZoomKeepsTheFittedScaleOfAWideFile();
    void typingIntoAnEditStopsAtItsLength_data();
    void typingIntoAnEditStopsAtItsLength();
    void noCaptionIsWiderThanItsControl();
    void detailsLinesAreWholeAndVisibleAtTheWindowsSize();
    void mouseFunctionsOpenOnScreenWideEnoughAndListEveryInput();
    void toolWindowsStepAsideWhileAModalDialogIsOpen();
    void memoryLimitTakesASizeAsTheCommandLineDoesAndRefusesOtherText();

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

void DialogsTest::zoomEditsShowTheWholeFactorAndPassingThroughKeepsIt_data()
{
    QTest::addColumn<double>("scale");
    QTest::addColumn<QString>("shown");
    QTest::newRow("0.0025") << 0.08 << "0.0025";
    QTest::newRow("below 0.0001") << 0.001 << "3.125e-05";
    QTest::newRow("five digits") << 32.0 / 3.0 << "0.33333";
}

void DialogsTest::zoomEditsShowTheWholeFactorAndPassingThroughKeepsIt()
{
    QFETCH(double, scale);
    MainForm->FitMode = 3;
    MainForm->ViewTransform.scale = scale;
    QString shownOnOpen;
    QTimer::singleShot(0, ZoomDlg, [&shownOnOpen] {
        if (!QTest::qWaitForWindowActive(ZoomDlg))
            return ZoomDlg->reject();
        shownOnOpen = ZoomDlg->DistZoomEdit->text();
        // Through the edit without typing, then OK by the keyboard.
        QTest::mouseClick(ZoomDlg->DistZoomEdit, Qt::LeftButton);
        QTest::keyClick(ZoomDlg->DistZoomEdit, Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    MainForm->Zoom1Click();
    QTEST(shownOnOpen, "shown");
    QCOMPARE(MainForm->ViewTransform.scale, scale);
}

void DialogsTest::okAfterAClickIntoTheZoomKeepsTheFittedScaleOfAWideFile()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("wide.xyz"));
    QVERIFY(writeTrajectory(path, 1, {"O -3000 0 0 0 0 0 0 1", "O 3000 0 0 0 0 0 0 1"}));
    RecordingSink sink;
    MainForm->Messages = &sink;
    MainForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(MainForm));
    MainForm->OpenTrajectory(path);
    QCOMPARE(MainForm->FrameCount, 1);
    MainForm->Pause1Click();
    if (MainForm->Rotating)
        MainForm->Rotate1Click();
    const double fitted = MainForm->ViewTransform.scale;
    QVERIFY(fitted < 0.1); // 6000 Angstrom across a few hundred pixels
    QString shown;
    QTimer::singleShot(0, ZoomDlg, [&shown] {
        if (!QTest::qWaitForWindowActive(ZoomDlg))
            return ZoomDlg->reject();
        shown = ZoomDlg->DistZoomEdit->text();
        QTest::mouseClick(ZoomDlg->DistZoomEdit, Qt::LeftButton);
        QTest::mouseClick(ZoomDlg->OKBtn, Qt::LeftButton);
    });
    MainForm->Zoom1Click();
    QCOMPARE(MainForm->ViewTransform.scale, fitted);
    // The factor shown has its five digits, not a cut-off few.
    QVERIFY2(std::abs(shown.toDouble() * 32.0 / fitted - 1.0) < 1e-4, qPrintable(shown));
}

namespace {

QDialog *dialogNamed(const QString &name)
{
    for (QDialog *dialog : {static_cast<QDialog *>(ZoomDlg), static_cast<QDialog *>(AtomsDlg),
             static_cast<QDialog *>(ChargeDlg), static_cast<QDialog *>(OrbitalsDlg),
             static_cast<QDialog *>(SaveFrameDlg)})
        if (dialog->objectName() == name)
            return dialog;
    return nullptr;
}

} // namespace

void DialogsTest::typingIntoAnEditStopsAtItsLength_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<int>("length");
    QTest::newRow("zoom of distances") << "ZoomDlg"
                                       << "DistZoomEdit" << 5;
    QTest::newRow("zoom of impulses") << "ZoomDlg"
                                      << "ImpulsZoomEdit" << 5;
    QTest::newRow("atom name") << "AtomsDlg"
                               << "NameEdit" << 6;
    QTest::newRow("atom radius") << "AtomsDlg"
                                 << "RadiusEdit" << 6;
    QTest::newRow("protons") << "AtomsDlg"
                             << "ProtonsEdit" << 3;
    QTest::newRow("charge minimum") << "ChargeDlg"
                                    << "MinEdit" << 5;
    QTest::newRow("charge maximum") << "ChargeDlg"
                                    << "MaxEdit" << 5;
    QTest::newRow("level radius") << "ChargeDlg"
                                  << "RadiusEdit" << 5;
    QTest::newRow("coefficient") << "OrbitalsDlg"
                                 << "CoeficientEdit" << 8;
    QTest::newRow("number of images") << "SaveFrameDlg"
                                      << "NumberImagesEdit" << 4;
    QTest::newRow("rotation angle") << "SaveFrameDlg"
                                    << "RotationAngleEdit" << 4;
}

void DialogsTest::typingIntoAnEditStopsAtItsLength()
{
    QFETCH(QString, dialog);
    QFETCH(QString, edit);
    QFETCH(int, length);
    QDialog *window = dialogNamed(dialog);
    QVERIFY(window);
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window));
    if (auto *rotated = window->findChild<QRadioButton *>(QStringLiteral("SaveAsRGItem2")))
        QTest::mouseClick(rotated, Qt::LeftButton);
    auto *field = window->findChild<QLineEdit *>(edit);
    QVERIFY(field && field->isEnabled());
    QTest::mouseClick(field, Qt::LeftButton);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(field, QStringLiteral("1234567890"));
    QCOMPARE(field->text(), QStringLiteral("1234567890").left(length));
    window->hide();
}

namespace {

// What of a control's caption does not fit into it, or nothing.
QString cutCaption(const QWidget *control)
{
    QString text;
    int needed = 0;
    int has = control->width();
    if (const auto *label = qobject_cast<const QLabel *>(control)) {
        if (label->wordWrap())
            return {};
        text = label->text();
        for (const QString &line : text.split(QLatin1Char('\n')))
            needed = std::max(needed, label->fontMetrics().horizontalAdvance(line));
        has = label->contentsRect().width();
    } else if (const auto *button = qobject_cast<const QPushButton *>(control)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = text = button->text();
        needed = button->fontMetrics().horizontalAdvance(text);
        has =
            button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
    } else if (qobject_cast<const QCheckBox *>(control)
        || qobject_cast<const QRadioButton *>(control)) {
        text = static_cast<const QAbstractButton *>(control)->text();
        needed = control->sizeHint().width();
    } else if (const auto *group = qobject_cast<const QGroupBox *>(control)) {
        text = group->title();
        needed = group->minimumSizeHint().width();
    }
    if (text.isEmpty() || needed <= has)
        return {};
    return QStringLiteral("%1 \"%2\" needs %3 pixels, has %4")
        .arg(control->objectName(), text)
        .arg(needed)
        .arg(has);
}

QStringList cutCaptions(QWidget *window)
{
    QStringList cut;
    for (const QWidget *control : window->findChildren<QWidget *>()) {
        if (!control->isVisibleTo(window))
            continue;
        const QString problem = cutCaption(control);
        if (!problem.isEmpty())
            cut << window->objectName() + QLatin1Char('/') + problem;
    }
    for (const QLineEdit *edit : window->findChildren<QLineEdit *>())
        if (edit->maxLength() != QLineEdit().maxLength())
            cut << window->objectName() + QLatin1Char('/') + edit->objectName()
                    + QStringLiteral(" cuts what is written into it");
    return cut;
}

} // namespace

void DialogsTest::noCaptionIsWiderThanItsControl()
{
    const QList<QWidget *> windows = {ZoomDlg, SpeedDlg, ToolsDlg, InputDlg, DetailsDlg, AtomsDlg,
        ChargeDlg, OutputDlg, ElectronsDlg, OrbitalsDlg, SaveFrameDlg, TextDisplayForm, AboutBox};
    QStringList cut;
    for (QWidget *window : windows) {
        QVERIFY(window);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        cut << cutCaptions(window);
        // Captions that change with a choice: every item of every group once.
        for (QRadioButton *item : window->findChildren<QRadioButton *>()) {
            if (!item->isVisibleTo(window) || !item->isEnabled())
                continue;
            item->click();
            // A caption that grew lays its window out again.
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            cut << cutCaptions(window);
        }
        window->hide();
    }
    cut.removeDuplicates();
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));
}

void DialogsTest::detailsLinesAreWholeAndVisibleAtTheWindowsSize()
{
    TMainForm &m = *MainForm;
    m.ClearTrajectory();
    Frame frame;
    frame.atomCount = 1;
    allocateAtoms(frame, 1);
    frame.atoms[0].type = m.AtomTypes.findAtomType("O");
    frame.atoms[0].position = {-1.2345678e-100, 0.072066, -1234.5678};
    frame.atoms[0].charge = -0.23333;
    frame.atoms[0].impulse = {-7.2066e+99, 0.0720666, -1.0e-200};
    frame.time = -1.23456789e+100;
    frame.energy = -0.000123456789;
    m.Frames.appendFrame(std::move(frame));
    m.FrameCount = 1;
    m.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m));
    m.GoToFirstFrame();
    m.Details1->trigger();
    QVERIFY(QTest::qWaitForWindowExposed(DetailsDlg));
    const QPlainTextEdit *memo = DetailsDlg->DetailsMemo;
    // The end of every line lies within the list's visible area.
    const auto allShown = [memo] {
        QTextCursor end(memo->document());
        for (QTextBlock block = memo->document()->begin(); block.isValid(); block = block.next()) {
            end.setPosition(block.position() + block.length() - 1);
            if (!memo->viewport()->rect().contains(memo->cursorRect(end)))
                return false;
        }
        return true;
    };
    for (const int atom : {0, -1}) {
        m.DetailsAtom = atom;
        m.Redraw(nullptr, true);
        QCOMPARE(detailLines().size(), atom < 0 ? 7 : 9);
        QTRY_VERIFY2(allShown(), qPrintable(memo->toPlainText()));
        // Every line stays one line of the list: none is wrapped.
        for (QTextBlock block = memo->document()->begin(); block.isValid(); block = block.next())
            QCOMPARE(block.layout()->lineCount(), 1);
    }
    // Still at the top right corner of the picture.
    QTRY_COMPARE(DetailsDlg->frameGeometry().right(), m.PictureScreenRect().right());
}

void DialogsTest::mouseFunctionsOpenOnScreenWideEnoughAndListEveryInput()
{
    MainForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(MainForm));
    MainForm->Mousefunctions1->trigger();
    QVERIFY(QTest::qWaitForWindowExposed(TextDisplayForm));
    const QRect screen = TextDisplayForm->screen()->availableGeometry();
    QVERIFY(screen.contains(TextDisplayForm->frameGeometry()));
    // No line reaches beyond the right edge.
    QTRY_COMPARE(TextDisplayForm->RichEdit1->horizontalScrollBar()->maximum(), 0);
    const QString text = TextDisplayForm->RichEdit1->toPlainText();
    for (const char *input : {"Wheel: ", "Wheel + Ctrl: ", "Middle button: ",
             "Middle button click: ", "Space: ", "Left, Right: ", "Home: "})
        QVERIFY2(text.contains(QLatin1String(input)), input);
}

void DialogsTest::toolWindowsStepAsideWhileAModalDialogIsOpen()
{
    TMainForm &m = *MainForm;
    m.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m));
    loadFrames(m, 3);
    ToolsDlg->show();
    m.Details1->trigger();
    QVERIFY(ToolsDlg->isVisible() && DetailsDlg->isVisible());
    bool toolsShown = true;
    bool detailsShown = true;
    bool toolsShownUnderTheBox = true;
    QTimer::singleShot(0, ZoomDlg, [&] {
        toolsShown = ToolsDlg->isVisible();
        detailsShown = DetailsDlg->isVisible();
        // A message box over the dialog, closed again: the dialog is still open.
        QTimer::singleShot(0, ZoomDlg, [] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                box->accept();
        });
        QMessageBox::information(ZoomDlg, QString(), QStringLiteral("over the zoom"));
        toolsShownUnderTheBox = ToolsDlg->isVisible();
        ZoomDlg->accept();
    });
    m.Zoom1Click();
    QVERIFY(!toolsShown && !detailsShown && !toolsShownUnderTheBox);
    QVERIFY(ToolsDlg->isVisible() && DetailsDlg->isVisible());
    QVERIFY(m.ShowDetails);
}

namespace {

// What the memory limit dialog showed when "Options, Memory limit..." opened it by the keys of
// the menu, and whether it was still open after the text was typed and Return pressed (then
// Escape closes it).
struct MemoryDialogSeen
{
    QString title;
    QString current;
    QString shown;
    QStringList cut;
    bool stayedOpen = false;
    QString shownAfter;
};

MemoryDialogSeen typeMemoryLimit(TMainForm &m, const QString &typed)
{
    MemoryDialogSeen seen;
    // the keys go to the main window once it is active again after the last dialog
    m.activateWindow();
    if (!QTest::qWaitFor([&m] { return QApplication::activeWindow() == &m; }))
        return seen;
    QTimer::singleShot(0, &m, [&seen, typed] {
        auto *dialog = qobject_cast<TMemoryDlg *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        seen.title = dialog->windowTitle();
        seen.current = dialog->CurrentLabel->text();
        seen.shown = dialog->LimitEdit->text();
        seen.cut = cutCaptions(dialog);
        // the limit shown is selected: Backspace clears it, as typing over it would
        QTest::keyClick(dialog->LimitEdit, Qt::Key_Backspace);
        QTest::keyClicks(dialog->LimitEdit, typed);
        QTest::keyClick(dialog->LimitEdit, Qt::Key_Return);
        seen.stayedOpen = dialog->isVisible();
        seen.shownAfter = dialog->LimitEdit->text();
        if (seen.stayedOpen)
            QTest::keyClick(dialog->LimitEdit, Qt::Key_Escape);
    });
    QTest::keyClick(&m, Qt::Key_O, Qt::AltModifier);
    if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget()))
        QTest::keyClick(menu, Qt::Key_M);
    return seen;
}

} // namespace

void DialogsTest::memoryLimitTakesASizeAsTheCommandLineDoesAndRefusesOtherText()
{
    TMainForm &m = *MainForm;
    RecordingSink sink;
    m.Messages = &sink;
    m.MemoryLimit = std::size_t{3} << 30; // as "--memory 3G" leaves it
    m.show();
    QVERIFY(QTest::qWaitForWindowActive(&m));

    const MemoryDialogSeen taken = typeMemoryLimit(m, QStringLiteral("64M"));
    QCOMPARE(taken.title, QStringLiteral("Memory limit"));
    QCOMPARE(taken.current, QStringLiteral("3G"));
    QCOMPARE(taken.shown, QStringLiteral("3G"));
    QVERIFY2(taken.cut.isEmpty(), qPrintable(taken.cut.join(QLatin1Char('\n'))));
    QVERIFY(!taken.stayedOpen);
    QCOMPARE(m.MemoryLimit, std::size_t{64} << 20);
    QCOMPARE(m.TrajectoryMemoryLimit(), std::size_t{64} << 20);
    QVERIFY(sink.messages.empty());

    // plain bytes too; the dialog shows the limit in the largest whole unit
    QCOMPARE(typeMemoryLimit(m, QStringLiteral("1000000")).current, QStringLiteral("64M"));
    QCOMPARE(m.MemoryLimit, std::size_t{1000000});

    for (const QString &refused :
        {QStringLiteral("lots"), QStringLiteral("0"), QStringLiteral("1.5G"), QStringLiteral("")}) {
        sink.messages.clear();
        const MemoryDialogSeen kept = typeMemoryLimit(m, refused);
        QVERIFY2(kept.stayedOpen, qPrintable(refused));
        QCOMPARE(kept.shownAfter, QStringLiteral("1000000"));
        QCOMPARE(m.MemoryLimit, std::size_t{1000000});
        QCOMPARE(sink.messages.size(), std::size_t{1});
        QCOMPARE(sink.messages[0].first, std::string("Memory limit"));
        QVERIFY2(sink.messages[0].second.find("is not a memory size") != std::string::npos,
            sink.messages[0].second.c_str());
    }

    // the next file opened is read within the limit taken: 20,000 frames need some 6 MB held
    // whole, so they are read on demand
    sink.messages.clear();
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("long.xyz"));
    QVERIFY(writeTrajectory(path, 20000));
    m.OpenTrajectory(path);
    QCOMPARE(m.FrameCount, 20000);
    QVERIFY(m.LoadedFrames().onDemand());
    QVERIFY(m.LoadedFrames().budget().used() <= m.MemoryLimit);
    QVERIFY(sink.messages.empty());
}

QTEST_MAIN(DialogsTest)
#include "tst_dialogs.moc"

#include "dialogs/atomsdlg.h"
#include "dialogs/chargedlg.h"
#include "dialogs/orbitalsdlg.h"
#include "guitestsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <functional>
#include <memory>
#include <optional>

// The atoms, charges and orbitals dialogs, driven through their widgets with real key and
// mouse events; message boxes and the colour dialog go through the main window's seams.
// Closes a modal dialog however the checks run inside its loop ended, so no failure hangs.
struct CloseOnExit
{
    QDialog *dialog;
    ~CloseOnExit()
    {
        if (dialog->isVisible())
            dialog->done(QDialog::Accepted);
    }
};

class AppearanceTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { windows.reset(); }

    void menuShortcutsAndTheOrbitalButtonOpenTheDialogs();
    void atomsDialogShowsAndEditsTheCurrentType();
    void atomsDialogRefusesBadRadiusAndProtonText_data();
    void atomsDialogRefusesBadRadiusAndProtonText();
    void atomsDialogAddsAfterTheCurrentTypeAndRemovesByTheRules();
    void atomsDialogRefusesToRemoveATypeThatLoadedAtomsUse();
    void switchesChangeThePictureAtOnce();
    void chargeLimitsReadANumberEndedByABlankOrNothing();
    void chargeLevelEditsTakeEffectAtOnce();
    void orbitalsMergeEditNormaliseAndWriteBack();
    void orbitalsShowAllDefaultsAndForeignTerms();
    void orbitalsOfAFrameAtomLeaveItsTypeAlone();
    void orbitalsDialogPausesAnimationAndSpin();
    void coefficientsShowWholeAndTypingCannotLengthenThem_data();
    void coefficientsShowWholeAndTypingCannotLengthenThem();
    void levelRadiusShowsItsFourDigitsAndPassingThroughKeepsIt();

private:
    // Shows the dialog without a loop of its own and waits until it has the focus, so edits
    // can be entered and left as a user does.
    static void showActive(QWidget *dialog)
    {
        dialog->show();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
    }
    // Clicks into the edit, replaces its text by typing and leaves it with Tab.
    static void typeInto(QLineEdit *edit, const QString &text)
    {
        QTest::mouseClick(edit, Qt::LeftButton);
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Tab);
    }
    static void clickRow(QListWidget *list, int row)
    {
        QListWidgetItem *item = list->item(row);
        QVERIFY(item);
        list->scrollToItem(item);
        QTest::mouseClick(
            list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
    }
    static QStringList lines(const QListWidget *list)
    {
        QStringList texts;
        for (int i = 0; i < list->count(); ++i)
            texts << list->item(i)->text();
        return texts;
    }
    // Opens the orbitals dialog with open() and runs whileOpen inside its loop, then OK.
    static void runOrbitals(
        const std::function<void()> &open, const std::function<void()> &whileOpen)
    {
        QTimer::singleShot(0, OrbitalsDlg, [whileOpen] {
            const CloseOnExit closing{OrbitalsDlg};
            if (QTest::qWaitForWindowActive(OrbitalsDlg))
                whileOpen();
        });
        open();
        QVERIFY(!OrbitalsDlg->isVisible());
    }
    static void editType(const char *name)
    {
        AtomType &type = *MainForm->AtomTypes.findAtomType(name);
        OrbitalsDlg->EditTypeOrbitals(type);
    }
    // One frame whose single atom at the origin is of the named type with the given charge.
    static FrameAtom &loadOneAtom(const char *typeName, double charge)
    {
        loadFrames(*MainForm, 1);
        FrameAtom &atom = MainForm->Frames.frameAt(1).atoms[0];
        atom.type = MainForm->AtomTypes.findAtomType(typeName);
        atom.charge = charge;
        MainForm->Redraw(nullptr, true);
        return atom;
    }

    RecordingSink sink;
    RecordingStatus status;
    std::optional<std::uint32_t> pickedColor;
    std::unique_ptr<TessalyWindows> windows;
};

void AppearanceTest::init()
{
    windows = openRecordedWindows(sink, status);
    pickedColor.reset();
    MainForm->ChooseColor = [this](std::uint32_t) { return pickedColor; };
}

void AppearanceTest::menuShortcutsAndTheOrbitalButtonOpenTheDialogs()
{
    MainForm->show();
    QVERIFY(QTest::qWaitForWindowActive(MainForm));
    QString atomsCaption, chargeCaption, orbitalsCaption;
    QStringList orbitalLines;
    QTimer::singleShot(0, AtomsDlg, [&] {
        const CloseOnExit closing{AtomsDlg};
        atomsCaption = AtomsDlg->isModal() ? AtomsDlg->windowTitle() : QString();
        QCOMPARE(AtomsDlg->AtomListBox->count(), 24 + 95);
        for (const char *name : {"ImageBtn", "NameEdit", "RadiusEdit", "ProtonsEdit", "NewBtn",
                 "DelBtn", "AtomLabel", "AtomColor", "AtomRadii", "OrbitalBut", "OKBtn"})
            QVERIFY2(AtomsDlg->findChild<QWidget *>(QString::fromLatin1(name)), name);
        QTimer::singleShot(0, OrbitalsDlg, [&] {
            const CloseOnExit closingOrbitals{OrbitalsDlg};
            orbitalsCaption = OrbitalsDlg->windowTitle();
            orbitalLines = lines(OrbitalsDlg->OrbitalsLB);
            OrbitalsDlg->OKBtn->click();
        });
        AtomsDlg->OrbitalBut->click();
        AtomsDlg->OKBtn->click();
    });
    QTest::keyClick(MainForm, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(atomsCaption, QStringLiteral("General settings of atoms"));
    QCOMPARE(orbitalsCaption, QStringLiteral("?"));
    QCOMPARE(orbitalLines, QStringList{QStringLiteral("H_like(1,s), 1")});

    // the offscreen platform leaves a closed dialog active; a window manager would not
    MainForm->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget *>(MainForm));
    QTimer::singleShot(0, ChargeDlg, [&] {
        const CloseOnExit closing{ChargeDlg};
        chargeCaption = ChargeDlg->isModal() ? ChargeDlg->windowTitle() : QString();
        for (const char *name : {"AtomListBox", "ImageBtn", "LimitUpDown", "RadiusEdit",
                 "GradColBtn", "GradRadBtn", "MinEdit", "MaxEdit", "OKBtn"})
            QVERIFY2(ChargeDlg->findChild<QWidget *>(QString::fromLatin1(name)), name);
        ChargeDlg->OKBtn->click();
    });
    QTest::keyClick(MainForm, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(chargeCaption, QStringLiteral("Charge options"));
}

void AppearanceTest::atomsDialogShowsAndEditsTheCurrentType()
{
    TAtomsDlg &d = *AtomsDlg;
    QCOMPARE(d.AtomListBox->item(1)->text(), QStringLiteral("H (0.25 \u00C5)"));
    showActive(&d);
    clickRow(d.AtomListBox, 8);
    QCOMPARE(d.CurrentIndex, 9);
    QCOMPARE(d.NameEdit->text(), QStringLiteral("O"));
    QCOMPARE(d.RadiusEdit->text(), QStringLiteral("0.6"));
    QCOMPARE(d.ProtonsEdit->text(), QStringLiteral("8"));
    QVERIFY(d.CurrentType().sphereImage);
    QCOMPARE(d.ImageBtn->iconSize(), QSize(82, 82));

    typeInto(d.NameEdit, QStringLiteral("Ox"));
    QCOMPARE(d.CurrentType().name, std::string("Ox"));
    QCOMPARE(d.AtomListBox->item(8)->text(), QStringLiteral("Ox (0.6 \u00C5)"));
    QCOMPARE(d.AtomListBox->currentRow(), 8);
    typeInto(d.NameEdit, QString());
    QCOMPARE(d.AtomListBox->item(8)->text(), QStringLiteral(" (0.6 \u00C5)"));

    typeInto(d.RadiusEdit, QStringLiteral("1.23456"));
    QCOMPARE(d.CurrentType().radius, 1.2345); // six characters at most
    QCOMPARE(d.AtomListBox->item(8)->text(), QStringLiteral(" (1.2345 \u00C5)"));

    // a colour is taken only when the colour dialog is not cancelled
    const std::uint32_t before = d.CurrentType().color;
    QTest::mouseClick(d.ImageBtn, Qt::LeftButton);
    QCOMPARE(d.CurrentType().color, before);
    pickedColor = rgbColor(0, 255, 0);
    QTest::mouseClick(d.ImageBtn, Qt::LeftButton);
    QCOMPARE(d.CurrentType().color, rgbColor(0, 255, 0));
    const auto &pixels = d.CurrentType().sphereImage->pixels;
    QCOMPARE(pixels[32 * SpherePicture::Side + 32], 0xFF00FF00u);
}

void AppearanceTest::atomsDialogRefusesBadRadiusAndProtonText_data()
{
    QTest::addColumn<bool>("radius");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("stored");
    QTest::addColumn<QString>("shown");
    // the hydrogen type: radius 0.25, 1 proton
    QTest::newRow("radius at the minimum") << true << "0.01" << 0.01 << "0.01";
    QTest::newRow("radius at the maximum") << true << "100" << 100.0 << "100";
    QTest::newRow("radius below") << true << "0.0099" << 0.25 << "0.25";
    QTest::newRow("radius above") << true << "100.5" << 0.25 << "0.25";
    QTest::newRow("radius with letters after") << true << "2.5abc" << 2.5 << "2.5abc";
    QTest::newRow("radius with a comma") << true << "2,5" << 2.0 << "2,5";
    QTest::newRow("radius of letters") << true << "abc" << 0.25 << "0.25";
    QTest::newRow("radius not a number") << true << "nan" << 0.25 << "0.25";
    QTest::newRow("radius infinite") << true << "1e999" << 0.25 << "0.25";
    QTest::newRow("protons 0") << false << "0" << 1.0 << "1";
    QTest::newRow("protons negative") << false << "-3" << 1.0 << "1";
    QTest::newRow("protons 201") << false << "201" << 1.0 << "1";
    QTest::newRow("protons 200") << false << "200" << 200.0 << "200";
    QTest::newRow("protons with letters") << false << "12x" << 12.0 << "12x";
}

void AppearanceTest::atomsDialogRefusesBadRadiusAndProtonText()
{
    QFETCH(bool, radius);
    QFETCH(QString, text);
    QFETCH(double, stored);
    QFETCH(QString, shown);
    TAtomsDlg &d = *AtomsDlg;
    showActive(&d);
    clickRow(d.AtomListBox, 1);
    const AtomType &hydrogen = d.CurrentType();
    QCOMPARE(hydrogen.name, std::string("H"));
    typeInto(radius ? d.RadiusEdit : d.ProtonsEdit, text);
    if (radius) {
        QCOMPARE(hydrogen.radius, stored);
        QCOMPARE(d.RadiusEdit->text(), shown);
    } else {
        QCOMPARE(hydrogen.protons, static_cast<int>(stored));
        QCOMPARE(d.ProtonsEdit->text(), shown);
    }
    QCOMPARE(d.AtomListBox->item(1)->text(), TAtomsDlg::LineOf(hydrogen));
}

void AppearanceTest::atomsDialogAddsAfterTheCurrentTypeAndRemovesByTheRules()
{
    TAtomsDlg &d = *AtomsDlg;
    AtomTypeTable &table = MainForm->AtomTypes;
    showActive(&d);
    const int types = table.size(); // the program's 24 and the other elements after them
    QTest::mouseClick(d.NewBtn, Qt::LeftButton);
    QCOMPARE(table.size(), types + 1);
    QCOMPARE(table.typeAt(1)->name, std::string("Atom"));
    QCOMPARE(d.CurrentIndex, 2);
    QCOMPARE(d.AtomListBox->currentRow(), 1);
    QCOMPARE(d.AtomListBox->item(1)->text(), QStringLiteral("Atom (1 \u00C5)"));
    QCOMPARE(d.NameEdit->text(), QStringLiteral("Atom"));

    clickRow(d.AtomListBox, types);
    QTest::mouseClick(d.NewBtn, Qt::LeftButton);
    QCOMPARE(table.size(), types + 2);
    QCOMPARE(table.typeAt(types + 1)->name, std::string("Atom"));
    QCOMPARE(d.AtomListBox->count(), types + 2);
    QCOMPARE(d.CurrentIndex, types + 2);

    // removing the last type makes the one before it current
    QTest::mouseClick(d.DelBtn, Qt::LeftButton);
    QCOMPARE(d.CurrentIndex, types + 1);
    QCOMPARE(d.NameEdit->text(), QStringLiteral("Og"));
    // removing the first type makes the second the head, the fallback and the current type
    clickRow(d.AtomListBox, 0);
    QTest::mouseClick(d.DelBtn, Qt::LeftButton);
    QCOMPARE(d.CurrentIndex, 1);
    QCOMPARE(table.first().name, std::string("Atom"));
    QCOMPARE(table.findAtomType("Zz")->name, std::string("Atom"));
    QCOMPARE(d.NameEdit->text(), QStringLiteral("Atom"));
    QCOMPARE(d.AtomListBox->currentRow(), 0);

    while (table.size() > 1)
        QTest::mouseClick(d.DelBtn, Qt::LeftButton);
    QVERIFY(sink.messages.empty());
    QTest::mouseClick(d.DelBtn, Qt::LeftButton);
    QCOMPARE(sink.messages.size(), std::size_t{1});
    QCOMPARE(sink.messages[0].first, std::string("WARNING"));
    QCOMPARE(sink.messages[0].second, std::string("You can't delete odd atom!"));
    QCOMPARE(table.size(), 1);
    QCOMPARE(lines(d.AtomListBox), QStringList{QStringLiteral("Og (1.69 \u00C5)")});
}

void AppearanceTest::atomsDialogRefusesToRemoveATypeThatLoadedAtomsUse()
{
    TAtomsDlg &d = *AtomsDlg;
    AtomTypeTable &table = MainForm->AtomTypes;
    FrameAtom &atom = loadOneAtom("O", 0.0);
    showActive(&d);
    clickRow(d.AtomListBox, 8);
    QTest::mouseClick(d.DelBtn, Qt::LeftButton);
    const std::string inUse = "You can't delete this atom,\nbecause that may be used in a frame.\n"
                              "To proceed this intention, please\nclear all frames opened by NEW "
                              "command.";
    QCOMPARE(sink.messages.size(), std::size_t{1});
    QCOMPARE(sink.messages[0].first, std::string("WARNING"));
    QCOMPARE(sink.messages[0].second, inUse);
    QCOMPARE(table.size(), 24 + 95);
    QCOMPARE(d.AtomListBox->count(), 24 + 95);
    QCOMPARE(atom.type->name, std::string("O"));

    // with the frames gone the same type goes
    MainForm->ClearTrajectory();
    QTest::mouseClick(d.DelBtn, Qt::LeftButton);
    QCOMPARE(table.size(), 23 + 95);
    QCOMPARE(d.NameEdit->text(), QStringLiteral("F"));
}

void AppearanceTest::switchesChangeThePictureAtOnce()
{
    TMainForm &m = *MainForm;
    m.FitMode = 3;
    m.ShowLabels = false;
    m.ShowImpulses = false;
    loadOneAtom("O", 0.05); // red oxygen, radius 0.6; charge level 1: blue, radius 1.05
    TAtomsDlg &d = *AtomsDlg;
    showActive(&d);
    const auto pixelAt = [&m](double dx) {
        return m.ViewBitmap.pixel(static_cast<int>(m.ViewTransform.originX + dx),
                   static_cast<int>(m.ViewTransform.originY))
            & 0xFFFFFFu;
    };
    const double scale = m.SceneSettings.atomScale;
    QCOMPARE(pixelAt(0), 0xFF0000u);
    QCOMPARE(pixelAt(0.8 * scale), 0u);

    QTest::mouseClick(
        d.findChild<QRadioButton *>(QStringLiteral("AtomColorItem1")), Qt::LeftButton);
    QCOMPARE(m.AtomColorMode, 1);
    QCOMPARE(pixelAt(0), 0x0000FFu);
    QTest::mouseClick(
        d.findChild<QRadioButton *>(QStringLiteral("AtomRadiiItem1")), Qt::LeftButton);
    QCOMPARE(m.AtomRadiusMode, 1);
    QVERIFY(pixelAt(0.8 * scale) != 0u);

    // an edit of the charge level shows at once while atoms are coloured by charge
    d.hide();
    showActive(ChargeDlg);
    pickedColor = rgbColor(0, 255, 0);
    QTest::mouseClick(ChargeDlg->ImageBtn, Qt::LeftButton);
    QCOMPARE(pixelAt(0), 0x00FF00u);
    ChargeDlg->hide();

    showActive(&d);
    QTest::mouseClick(
        d.findChild<QRadioButton *>(QStringLiteral("AtomColorItem0")), Qt::LeftButton);
    QCOMPARE(pixelAt(0), 0xFF0000u);
    QTest::mouseClick(
        d.findChild<QRadioButton *>(QStringLiteral("AtomLabelItem1")), Qt::LeftButton);
    QCOMPARE(m.LabelKind, 1);
    QVERIFY(m.ShowLabels);
}

void AppearanceTest::chargeLimitsReadANumberEndedByABlankOrNothing()
{
    TChargeDlg &d = *ChargeDlg;
    const ChargeGradient &g = d.Gradient;
    const QStringList names = lines(d.AtomListBox);
    QCOMPARE(names.first(), QStringLiteral("1. level (10%)"));
    QCOMPARE(names.last(), QStringLiteral("10. level (100%)"));
    QCOMPARE(d.MinEdit->text(), QStringLiteral("0"));
    QCOMPARE(d.MaxEdit->text(), QStringLiteral("1"));
    showActive(&d);

    typeInto(d.MinEdit, QStringLiteral("-1"));
    QCOMPARE(g.MinCharge, -1.0);
    QCOMPARE(g.MaxCharge, 1.0);
    QCOMPARE(g.Thresholds[1], -0.8);
    QCOMPARE(lines(d.AtomListBox), names);

    struct Step
    {
        const char *text;
        double minimum;
    };
    // letters, a comma, a number run into letters and values that are not finite keep the
    // minimum; an empty text is 0; a blank may end the number
    const Step steps[] = {{"abc", -1.0}, {"", 0.0}, {"-2,5", 0.0}, {"-1.5x", 0.0}, {"-0.5 ", -0.5},
        {"nan", -0.5}, {"-1e99", -1e99}, {"1e999", -1e99}, {"0", 0.0}};
    for (const Step &step : steps) {
        typeInto(d.MinEdit, QString::fromLatin1(step.text));
        QVERIFY2(g.MinCharge == step.minimum, step.text);
        QVERIFY2(std::isfinite(g.Thresholds[1]), step.text);
    }
    // equal limits change nothing and keep what was typed
    typeInto(d.MaxEdit, QStringLiteral("0"));
    QCOMPARE(g.MaxCharge, 1.0);
    QCOMPARE(d.MaxEdit->text(), QStringLiteral("0"));
    QVERIFY(std::abs(g.Thresholds[5] - 0.5) < 1e-9);
}

void AppearanceTest::chargeLevelEditsTakeEffectAtOnce()
{
    TChargeDlg &d = *ChargeDlg;
    ChargeGradient &g = d.Gradient;
    showActive(&d);
    QCOMPARE(d.LimitUpDown->value(), 10);
    QCOMPARE(d.LimitLabel->text(), QStringLiteral(" (10%)"));
    QCOMPARE(d.RadiusEdit->text(), QStringLiteral("1.1"));
    QCOMPARE(d.ImageBtn->iconSize(), QSize(79, 79));

    d.LimitUpDown->setFocus();
    QTest::keyClick(d.LimitUpDown, Qt::Key_Up);
    QCOMPARE(g.Thresholds[1], 0.11);
    QCOMPARE(d.AtomListBox->item(0)->text(), QStringLiteral("1. level (11%)"));
    QCOMPARE(d.LimitLabel->text(), QStringLiteral(" (11%)"));

    for (const char *refused : {"0.009", "101", "abc", "inf"}) {
        typeInto(d.RadiusEdit, QString::fromLatin1(refused));
        QCOMPARE(g.level(1).radius, 1.1);
        QCOMPARE(d.RadiusEdit->text(), QStringLiteral("1.1"));
    }
    typeInto(d.RadiusEdit, QStringLiteral("0.01"));
    QCOMPARE(g.level(1).radius, 0.01);
    typeInto(d.RadiusEdit, QStringLiteral("0.5"));

    clickRow(d.AtomListBox, 9);
    QCOMPARE(g.CurrentLevel, 10);
    QCOMPARE(d.RadiusEdit->text(), QStringLiteral("2"));
    typeInto(d.RadiusEdit, QStringLiteral("100"));
    QCOMPARE(g.level(10).radius, 100.0);
    typeInto(d.RadiusEdit, QStringLiteral("5"));
    QTest::mouseClick(d.GradRadBtn, Qt::LeftButton);
    QCOMPARE(g.LowRadius, 0.01);
    QCOMPARE(g.HighRadius, 5.0);
    QCOMPARE(g.level(10).radius, 5.0);

    // level 1 green, level 10 red: level 5 lies 4/9 of the way, channels truncated
    clickRow(d.AtomListBox, 0);
    pickedColor = rgbColor(0, 255, 0);
    QTest::mouseClick(d.ImageBtn, Qt::LeftButton);
    QTest::mouseClick(d.GradColBtn, Qt::LeftButton);
    QCOMPARE(g.level(5).color, rgbColor(113, 141, 0));
    QVERIFY(g.level(5).sphereImage);
}

void AppearanceTest::orbitalsMergeEditNormaliseAndWriteBack()
{
    AtomType &argon = *MainForm->AtomTypes.findAtomType("Ar");
    runOrbitals([] { editType("Ar"); },
        [] {
            TOrbitalsDlg &d = *OrbitalsDlg;
            QCOMPARE(d.windowTitle(), QStringLiteral("Ar"));
            QCOMPARE(lines(d.OrbitalsLB),
                (QStringList{QStringLiteral("H_like(3,p,x), 1"), QStringLiteral("H_like(3,p,y), 1"),
                    QStringLiteral("H_like(3,p,z), 1")}));
            QCOMPARE(d.OrbitalsLB->currentRow(), 0);
            QCOMPARE(d.CoeficientEdit->text(), QStringLiteral("1"));
            typeInto(d.CoeficientEdit, QStringLiteral("3"));
            clickRow(d.OrbitalsLB, 1);
            QCOMPARE(d.CoeficientEdit->text(), QStringLiteral("1"));
            QVERIFY(d.CoeficientEdit->hasFocus());
            typeInto(d.CoeficientEdit, QStringLiteral("4"));
            clickRow(d.OrbitalsLB, 2);
            typeInto(d.CoeficientEdit, QStringLiteral("0"));
            // a term set to 0 stays listed until the list is filled again
            QCOMPARE(d.OrbitalsLB->item(2)->text(), QStringLiteral("H_like(3,p,z), 0"));
            typeInto(d.CoeficientEdit, QStringLiteral("nan"));
            QCOMPARE(d.CoeficientEdit->text(), QStringLiteral("0"));
            QTest::mouseClick(d.NormBut, Qt::LeftButton);
            QCOMPARE(lines(d.OrbitalsLB),
                (QStringList{
                    QStringLiteral("H_like(3,p,x), 0.6"), QStringLiteral("H_like(3,p,y), 0.8")}));
            QTest::mouseClick(d.OrbitalTypeButtons[1], Qt::LeftButton);
            QCOMPARE(d.OrbitalsLB->item(0)->text(), QStringLiteral("Slater(3,p,x), 0.6"));
        });
    QCOMPARE(argon.orbitalFamily, 1);
    QCOMPARE(argon.orbitals.size(), std::size_t{2});
    QCOMPARE(termLabel(argon.orbitals[0]), std::string("3,p,x"));
    QCOMPARE(argon.orbitals[0].coefficient, 0.6);
    QCOMPARE(termLabel(argon.orbitals[1]), std::string("3,p,y"));
    QCOMPARE(argon.orbitals[1].coefficient, 0.8);

    // the only non-zero coefficient set to 0 leaves one term of coefficient 0; Escape closes
    // the dialog with the typed text still in the edit
    runOrbitals([] { editType("O"); },
        [] {
            QLineEdit *edit = OrbitalsDlg->CoeficientEdit;
            QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(edit, QStringLiteral("0"));
            QTest::keyClick(edit, Qt::Key_Escape);
        });
    const OrbitalList &oxygen = MainForm->AtomTypes.findAtomType("O")->orbitals;
    QCOMPARE(oxygen.size(), std::size_t{1});
    QCOMPARE(termLabel(oxygen[0]), std::string("2,p,y"));
    QCOMPARE(oxygen[0].coefficient, 0.0);
}

void AppearanceTest::orbitalsShowAllDefaultsAndForeignTerms()
{
    // potassium's default 4,s term is not offered: it is added for good
    runOrbitals([] { editType("K"); },
        [] {
            QCOMPARE(lines(OrbitalsDlg->OrbitalsLB), QStringList{QStringLiteral("H_like(4,s), 1")});
        });
    QCOMPARE(OrbitalsDlg->TemplateList.size(), std::size_t{29});

    runOrbitals([] { editType("C"); },
        [] {
            TOrbitalsDlg &d = *OrbitalsDlg;
            QTest::mouseClick(d.ShowAllOrbitalsCB, Qt::LeftButton);
            QCOMPARE(d.OrbitalsLB->count(), 29);
            QCOMPARE(d.OrbitalsLB->item(28)->text(), QStringLiteral("H_like(4,s), 0"));
            QCOMPARE(d.OrbitalsLB->currentRow(), 8); // 2,p,y, the first non-zero term
            QCOMPARE(d.CoeficientEdit->text(), QStringLiteral("1"));
            typeInto(d.CoeficientEdit, QStringLiteral("0"));
            QTest::mouseClick(d.OrbitalTypeButtons[2], Qt::LeftButton);
            QCOMPARE(d.OrbitalsLB->currentRow(), -1);
            QCOMPARE(d.CoeficientEdit->text(), QStringLiteral("0"));
            // defaults come back; the family chosen stays
            QTest::mouseClick(d.DefaultBut, Qt::LeftButton);
            QCOMPARE(d.OrbitalsLB->currentRow(), 8);
            QCOMPARE(d.OrbitalsLB->item(8)->text(), QStringLiteral("Gauss(2,p,y), 1"));
            QTest::mouseClick(d.ShowAllOrbitalsCB, Qt::LeftButton);
        });
    const AtomType &carbon = *MainForm->AtomTypes.findAtomType("C");
    QCOMPARE(carbon.orbitalFamily, 2);
    QCOMPARE(carbon.orbitals.size(), std::size_t{1});
    QCOMPARE(carbon.orbitals[0].coefficient, 1.0);
}

void AppearanceTest::orbitalsOfAFrameAtomLeaveItsTypeAlone()
{
    FrameAtom &atom = loadOneAtom("Ar", 0.0);
    Frame &frame = MainForm->Frames.frameAt(1);
    const AtomType &argon = *atom.type;
    QVERIFY(!OrbitalsDlg->EditAtomOrbitals(1));

    runOrbitals([] { QVERIFY(OrbitalsDlg->EditAtomOrbitals(0)); },
        [] { QCOMPARE(OrbitalsDlg->windowTitle(), QStringLiteral("Ar1")); });
    QVERIFY(atom.usesTypeOrbitals);

    runOrbitals([] { OrbitalsDlg->EditAtomOrbitals(0); },
        [] { typeInto(OrbitalsDlg->CoeficientEdit, QStringLiteral("-2")); });
    QVERIFY(!atom.usesTypeOrbitals);
    const auto own = frame.ownOrbitals(atom);
    QCOMPARE(own.size(), std::size_t{3});
    QCOMPARE(own[0].coefficient, -2.0);
    QCOMPARE(own[1].coefficient, 1.0);
    QCOMPARE(argon.orbitals[0].coefficient, 1.0);

    // the atom's own list is loaded next time; the defaults give it its type's back
    runOrbitals([] { OrbitalsDlg->EditAtomOrbitals(0); },
        [] {
            QCOMPARE(OrbitalsDlg->OrbitalsLB->item(0)->text(), QStringLiteral("H_like(3,p,x), -2"));
            QTest::mouseClick(OrbitalsDlg->OrbitalTypeButtons[1], Qt::LeftButton);
            QTest::mouseClick(OrbitalsDlg->DefaultBut, Qt::LeftButton);
            QCOMPARE(OrbitalsDlg->OrbitalsLB->item(0)->text(), QStringLiteral("H_like(3,p,x), 1"));
        });
    QVERIFY(atom.usesTypeOrbitals);
    QCOMPARE(argon.orbitalFamily, 0);
}

void AppearanceTest::orbitalsDialogPausesAnimationAndSpin()
{
    TMainForm &m = *MainForm;
    loadFrames(m, 3);
    m.Forward1Click();
    m.Rotate1Click();
    bool pausedWhileOpen = false;
    runOrbitals([] { editType("H"); },
        [&] { pausedWhileOpen = !m.Playing && !m.Rotating && !m.AnimTimer.isActive(); });
    QVERIFY(pausedWhileOpen);
    QVERIFY(m.Playing);
    QVERIFY(m.Rotating);
    QVERIFY(m.AnimTimer.isActive());
}

void AppearanceTest::coefficientsShowWholeAndTypingCannotLengthenThem_data()
{
    QTest::addColumn<double>("coefficient");
    QTest::addColumn<QString>("shown");
    QTest::newRow("small") << 5.7735e-06 << "5.7735e-06";
    QTest::newRow("1/sqrt 3") << 1.0 / std::sqrt(3.0) << "0.57735027";
    QTest::newRow("negative") << -0.70710678 << "-0.70710678";
}

void AppearanceTest::coefficientsShowWholeAndTypingCannotLengthenThem()
{
    QFETCH(double, coefficient);
    QFETCH(QString, shown);
    AtomType &hydrogen = *MainForm->AtomTypes.findAtomType("H");
    hydrogen.orbitals = {newTerm(1, 0, coefficient, true, 0)};
    QString onOpen;
    double afterPassing = 0.0;
    QString afterTyping;
    QString afterBackspace;
    runOrbitals([] { editType("H"); },
        [&] {
            QLineEdit *edit = OrbitalsDlg->CoeficientEdit;
            onOpen = edit->text();
            QTest::mouseClick(edit, Qt::LeftButton);
            QTest::keyClick(edit, Qt::Key_Tab);
            afterPassing = OrbitalsDlg->TemplateList.at(1).coefficient;
            QTest::mouseClick(edit, Qt::LeftButton);
            QTest::keyClick(edit, Qt::Key_End);
            QTest::keyClick(edit, Qt::Key_5);
            afterTyping = edit->text();
            QTest::keyClick(edit, Qt::Key_Backspace);
            afterBackspace = edit->text();
        });
    QCOMPARE(onOpen, shown);
    QCOMPARE(afterPassing, coefficient);
    // Longer than 8 characters already: typing may shorten it but not lengthen it.
    QCOMPARE(afterTyping, shown);
    QCOMPARE(afterBackspace, shown.chopped(1));
}

void AppearanceTest::levelRadiusShowsItsFourDigitsAndPassingThroughKeepsIt()
{
    TChargeDlg &d = *ChargeDlg;
    d.Gradient.level(1).radius = 0.23333;
    showActive(&d);
    QCOMPARE(d.RadiusEdit->text(), QStringLiteral("0.2333"));
    QTest::mouseClick(d.RadiusEdit, Qt::LeftButton);
    QTest::keyClick(d.RadiusEdit, Qt::Key_Tab);
    QCOMPARE(d.Gradient.level(1).radius, 0.23333);
}

QTEST_MAIN(AppearanceTest)
#include "tst_appearance.moc"

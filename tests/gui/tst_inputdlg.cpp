#include "dialogs/inputdlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include <memory>

class InputDlgTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { dialog = std::make_unique<TInputDlg>(); }
    void cleanup() { dialog.reset(); }

    void startsOnCommonWithItsCaptions();
    void tableKindShowsColumnCaptions();
    void customKindShowsLineCaptions();
    void xyzKindOffersOnlyWhatXyzFilesUse();
    void switchingKindsKeepsEachKindsValues();
    void upDownsStoreIntoTheShownKindAndRebuildTheirCaption();
    void checkBoxesStoreIntoTheShownKindOnly();
    void fixedAndLineCheckBoxesAreAnExclusivePair();
    void setDefaultRestoresOnlyTheShownKind();
    void openByExtensionIsSharedByAllKinds();
    void cancelKeepsTheChanges();
    void showingTheDialogShowsTheCurrentKind();
    void upDownsRunFromTheirMinimumTo100WithoutWrapping_data();
    void upDownsRunFromTheirMinimumTo100WithoutWrapping();
    void fixedNumberOfAtomsCannotExceed100();
    void everyControlCarriesItsName();

private:
    void chooseKind(int kind) { dialog->FormatButtons[kind]->click(); }
    std::unique_ptr<TInputDlg> dialog;
};

void InputDlgTest::xyzKindOffersOnlyWhatXyzFilesUse()
{
    TInputDlg &d = *dialog;
    chooseKind(3);
    QCOMPARE(d.Format.kind, 3);
    QCOMPARE(d.FormatButtons[3]->text(), QStringLiteral("XYZ (*.XYZ, *.EXTXYZ)"));
    for (QWidget *used : std::initializer_list<QWidget *>{d.SkipUpDown, d.ConvertCheckBox,
             d.ChargeCheckBox, d.ImpulsCheckBox, d.OrbitalCheckBox, d.ReadCheckBox})
        QVERIFY2(used->isEnabled(), qPrintable(used->objectName()));
    for (QWidget *unused : std::initializer_list<QWidget *>{d.FirstUpDown, d.AtomXYZUpDown,
             d.LineCheckBox, d.TimeCheckBox, d.EnergyUpDown, d.NameCheckBox})
        QVERIFY2(!unused->isEnabled(), qPrintable(unused->objectName()));
    chooseKind(0);
    QVERIFY(d.AtomXYZUpDown->isEnabled());
}

void InputDlgTest::startsOnCommonWithItsCaptions()
{
    TInputDlg &d = *dialog;
    QCOMPARE(d.Format.kind, 0);
    QVERIFY(d.FormatButtons[0]->isChecked());
    QCOMPARE(d.FirstLab->text(), QStringLiteral("First atom in frame on line 3"));
    QCOMPARE(d.SkipLabel->text(), QStringLiteral("Skip 0 lines"));
    QCOMPARE(d.FixedCheckBox->text(), QStringLiteral("Fixed number of atoms 3"));
    QCOMPARE(d.LineCheckBox->text(), QStringLiteral("Number of atoms on line 1"));
    QCOMPARE(d.AtomXYZLab->text(), QStringLiteral("Atom XYZ from position 2"));
    QCOMPARE(d.ChargeCheckBox->text(), QStringLiteral("CHARGE on position 5"));
    QCOMPARE(d.ImpulsCheckBox->text(), QStringLiteral("IMPULSES on position 6"));
    QCOMPARE(d.OrbitalCheckBox->text(), QStringLiteral("ORBITAL coefs. on position 9"));
    QCOMPARE(d.TimeCheckBox->text(), QStringLiteral("TIME on line 2"));
    QCOMPARE(d.EnergyCheckBox->text(), QStringLiteral("ENERGY on line 2"));
    QCOMPARE(d.NameCheckBox->text(), QStringLiteral("Read atom names"));
    QCOMPARE(d.ConvertCheckBox->text(), QStringLiteral("Convert a. u. to \u00c5"));
    QCOMPARE(d.ReadCheckBox->text(), QStringLiteral("Open by extension"));
    QVERIFY(!d.FixedCheckBox->isChecked());
    QVERIFY(d.LineCheckBox->isChecked());
    QVERIFY(d.NameCheckBox->isChecked());
    QVERIFY(!d.ConvertCheckBox->isChecked());
    QVERIFY(d.ReadCheckBox->isChecked());
    QVERIFY(d.Format.openByExtension);
    QCOMPARE(d.FirstUpDown->value(), 3);
    QCOMPARE(d.OrbitalUpDown->value(), 9);
}

void InputDlgTest::tableKindShowsColumnCaptions()
{
    chooseKind(1);
    TInputDlg &d = *dialog;
    QCOMPARE(d.Format.kind, 1);
    QCOMPARE(d.FirstLab->text(), QStringLiteral("First atom in frame on line 1"));
    QCOMPARE(d.SkipLabel->text(), QStringLiteral("Skip 2 lines"));
    QCOMPARE(d.FixedCheckBox->text(), QStringLiteral("Fixed number of atoms 3"));
    QCOMPARE(d.LineCheckBox->text(), QStringLiteral("Number of atoms at column 1"));
    QCOMPARE(d.AtomXYZLab->text(), QStringLiteral("Atom XYZ from column 10"));
    QCOMPARE(d.ChargeCheckBox->text(), QStringLiteral("First CHARGE at column 7"));
    QCOMPARE(d.ImpulsCheckBox->text(), QStringLiteral("First IMPULS at column 10"));
    QCOMPARE(d.OrbitalCheckBox->text(), QStringLiteral("First ORBITAL at column 13"));
    QCOMPARE(d.TimeCheckBox->text(), QStringLiteral("TIME at column 2"));
    QCOMPARE(d.EnergyCheckBox->text(), QStringLiteral("ENERGY at column 3"));
    QVERIFY(d.FixedCheckBox->isChecked());
    QVERIFY(!d.LineCheckBox->isChecked());
    QVERIFY(!d.NameCheckBox->isChecked());
    QVERIFY(d.ConvertCheckBox->isChecked());
}

void InputDlgTest::customKindShowsLineCaptions()
{
    chooseKind(2);
    TInputDlg &d = *dialog;
    QCOMPARE(d.Format.kind, 2);
    QCOMPARE(d.FirstLab->text(), QStringLiteral("First atom in frame on line 7"));
    QCOMPARE(d.LineCheckBox->text(), QStringLiteral("Number of atoms on line 1"));
    QCOMPARE(d.AtomXYZLab->text(), QStringLiteral("Atom XYZ from position 1"));
    QCOMPARE(d.ChargeCheckBox->text(), QStringLiteral("CHARGE on position 7"));
    QCOMPARE(d.TimeCheckBox->text(), QStringLiteral("TIME on line 1"));
    QCOMPARE(d.EnergyCheckBox->text(), QStringLiteral("ENERGY on line 3"));
    QVERIFY(!d.TimeCheckBox->isChecked());
}

void InputDlgTest::switchingKindsKeepsEachKindsValues()
{
    TInputDlg &d = *dialog;
    d.FirstUpDown->setValue(5);
    d.TimeCheckBox->click();
    chooseKind(1);
    QCOMPARE(d.FirstUpDown->value(), 1);
    QVERIFY(d.TimeCheckBox->isChecked());
    chooseKind(0);
    QCOMPARE(d.FirstUpDown->value(), 5);
    QCOMPARE(d.FirstLab->text(), QStringLiteral("First atom in frame on line 5"));
    QVERIFY(!d.TimeCheckBox->isChecked());
    QCOMPARE(d.Format.layouts[0].firstAtomLine, 5);
    QVERIFY(!d.Format.layouts[0].readTime);
    QCOMPARE(d.Format.layouts[1], defaultLayout(1));
}

void InputDlgTest::upDownsStoreIntoTheShownKindAndRebuildTheirCaption()
{
    TInputDlg &d = *dialog;
    chooseKind(1);
    d.ChargeUpDown->setValue(8);
    d.SkipUpDown->setValue(4);
    d.EnergyUpDown->setValue(12);
    QCOMPARE(d.Format.layouts[1].chargePosition, 8);
    QCOMPARE(d.Format.layouts[1].skipLines, 4);
    QCOMPARE(d.Format.layouts[1].energyPosition, 12);
    QCOMPARE(d.Format.layouts[0].chargePosition, 5);
    QCOMPARE(d.ChargeCheckBox->text(), QStringLiteral("First CHARGE at column 8"));
    QCOMPARE(d.SkipLabel->text(), QStringLiteral("Skip 4 lines"));
    QCOMPARE(d.EnergyCheckBox->text(), QStringLiteral("ENERGY at column 12"));
    d.AtomsLineUpDown->stepBy(1);
    QCOMPARE(d.Format.layouts[1].atomCountPosition, 2);
    QCOMPARE(d.LineCheckBox->text(), QStringLiteral("Number of atoms at column 2"));
}

void InputDlgTest::checkBoxesStoreIntoTheShownKindOnly()
{
    TInputDlg &d = *dialog;
    chooseKind(2);
    d.ChargeCheckBox->click();
    d.ImpulsCheckBox->click();
    d.OrbitalCheckBox->click();
    d.EnergyCheckBox->click();
    d.NameCheckBox->click();
    d.ConvertCheckBox->click();
    const LayoutSettings &custom = d.Format.layouts[2];
    QVERIFY(!custom.readCharge);
    QVERIFY(!custom.readImpulses);
    QVERIFY(!custom.readOrbitals);
    QVERIFY(!custom.readEnergy);
    QVERIFY(custom.readNames);
    QVERIFY(!custom.convertUnits);
    QCOMPARE(d.Format.layouts[0], defaultLayout(0));
    QCOMPARE(d.Format.layouts[1], defaultLayout(1));
}

void InputDlgTest::fixedAndLineCheckBoxesAreAnExclusivePair()
{
    TInputDlg &d = *dialog;
    d.FixedCheckBox->click();
    QVERIFY(d.FixedCheckBox->isChecked());
    QVERIFY(!d.LineCheckBox->isChecked());
    QVERIFY(d.Format.layouts[0].useFixedCount);
    d.FixedCheckBox->click();
    QVERIFY(d.LineCheckBox->isChecked());
    QVERIFY(!d.Format.layouts[0].useFixedCount);
    d.LineCheckBox->click();
    QVERIFY(d.FixedCheckBox->isChecked());
    QVERIFY(d.Format.layouts[0].useFixedCount);
    d.LineCheckBox->click();
    QVERIFY(!d.FixedCheckBox->isChecked());
    QVERIFY(!d.Format.layouts[0].useFixedCount);
}

void InputDlgTest::setDefaultRestoresOnlyTheShownKind()
{
    TInputDlg &d = *dialog;
    for (int kind = 0; kind < 3; ++kind) {
        chooseKind(kind);
        d.SkipUpDown->setValue(9);
        d.ChargeCheckBox->click();
    }
    chooseKind(2);
    d.DefaultBtn->click();
    QCOMPARE(d.Format.layouts[2], defaultLayout(2));
    QCOMPARE(d.SkipUpDown->value(), 0);
    QCOMPARE(d.SkipLabel->text(), QStringLiteral("Skip 0 lines"));
    QVERIFY(d.ChargeCheckBox->isChecked());
    QCOMPARE(d.Format.kind, 2);
    QCOMPARE(d.Format.layouts[0].skipLines, 9);
    QCOMPARE(d.Format.layouts[1].skipLines, 9);
    QVERIFY(!d.Format.layouts[0].readCharge);
    QVERIFY(!d.Format.layouts[1].readCharge);
}

void InputDlgTest::openByExtensionIsSharedByAllKinds()
{
    TInputDlg &d = *dialog;
    d.ReadCheckBox->click();
    QVERIFY(!d.Format.openByExtension);
    chooseKind(1);
    QVERIFY(!d.ReadCheckBox->isChecked());
    d.DefaultBtn->click();
    QVERIFY(!d.Format.openByExtension);
}

void InputDlgTest::cancelKeepsTheChanges()
{
    TInputDlg &d = *dialog;
    d.show();
    chooseKind(1);
    d.AtomXYZUpDown->setValue(20);
    d.ReadCheckBox->click();
    d.CancelBtn->click();
    QVERIFY(!d.isVisible());
    QCOMPARE(d.result(), int(QDialog::Rejected));
    QCOMPARE(d.Format.kind, 1);
    QCOMPARE(d.Format.layouts[1].xyzPosition, 20);
    QVERIFY(!d.Format.openByExtension);
    d.show();
    QCOMPARE(d.AtomXYZUpDown->value(), 20);
    d.OKBtn->click();
    QVERIFY(!d.isVisible());
    QCOMPARE(d.Format.layouts[1].xyzPosition, 20);
}

void InputDlgTest::showingTheDialogShowsTheCurrentKind()
{
    TInputDlg &d = *dialog;
    d.Format.kind = 2;
    d.Format.layouts[2].firstAtomLine = 11;
    d.show();
    QVERIFY(d.FormatButtons[2]->isChecked());
    QCOMPARE(d.FirstUpDown->value(), 11);
    QCOMPARE(d.FirstLab->text(), QStringLiteral("First atom in frame on line 11"));
    d.hide();
}

void InputDlgTest::upDownsRunFromTheirMinimumTo100WithoutWrapping_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("minimum");
    QTest::newRow("first atom line") << "FirstUpDown" << 1;
    QTest::newRow("skipped lines") << "SkipUpDown" << 0;
    QTest::newRow("fixed count") << "FixedUpDown" << 1;
    QTest::newRow("count line") << "AtomsLineUpDown" << 1;
    QTest::newRow("coordinates") << "AtomXYZUpDown" << 1;
    QTest::newRow("charge") << "ChargeUpDown" << 1;
    QTest::newRow("impulses") << "ImpulsUpDown" << 0;
    QTest::newRow("orbitals") << "OrbitalUpDown" << 0;
    QTest::newRow("time") << "TimeUpDown" << 1;
    QTest::newRow("energy") << "EnergyUpDown" << 1;
}

void InputDlgTest::upDownsRunFromTheirMinimumTo100WithoutWrapping()
{
    QFETCH(QString, name);
    QFETCH(int, minimum);
    auto *upDown = dialog->findChild<QSpinBox *>(name);
    QVERIFY(upDown);
    QCOMPARE(upDown->minimum(), minimum);
    QCOMPARE(upDown->maximum(), 100);
    QVERIFY(!upDown->wrapping());
    upDown->setValue(minimum);
    upDown->stepBy(-1);
    QCOMPARE(upDown->value(), minimum);
}

void InputDlgTest::fixedNumberOfAtomsCannotExceed100()
{
    TInputDlg &d = *dialog;
    d.FixedUpDown->setValue(100);
    d.FixedUpDown->stepBy(1);
    QCOMPARE(d.Format.layouts[0].fixedAtomCount, 100);
    d.FixedUpDown->setValue(250);
    QCOMPARE(d.Format.layouts[0].fixedAtomCount, 100);
    QCOMPARE(d.FixedCheckBox->text(), QStringLiteral("Fixed number of atoms 100"));
}

void InputDlgTest::everyControlCarriesItsName()
{
    for (const char *name :
        {"FormatRadioGroup", "FirstLab", "FirstUpDown", "SkipLabel", "SkipUpDown", "FixedCheckBox",
            "FixedUpDown", "LineCheckBox", "AtomsLineUpDown", "AtomXYZLab", "AtomXYZUpDown",
            "ChargeCheckBox", "ChargeUpDown", "ImpulsCheckBox", "ImpulsUpDown", "OrbitalCheckBox",
            "OrbitalUpDown", "TimeCheckBox", "TimeUpDown", "EnergyCheckBox", "EnergyUpDown",
            "NameCheckBox", "ConvertCheckBox", "ReadCheckBox", "DefaultBtn", "OKBtn", "CancelBtn"})
        QVERIFY2(dialog->findChild<QWidget *>(QString::fromLatin1(name)), name);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Input file options"));
    QCOMPARE(dialog->DefaultBtn->text(), QStringLiteral("Set default"));
    QVERIFY(dialog->OKBtn->isDefault());
}

QTEST_MAIN(InputDlgTest)
#include "tst_inputdlg.moc"

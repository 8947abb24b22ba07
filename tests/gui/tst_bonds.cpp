#include "app/application.h"
#include "app/mainwindow.h"
#include "dialogs/detailsdlg.h"
#include "guitestsupport.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>
#include <optional>

// The bonds switch, its default per layout, and the bonds the details window lists.
class BondsTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        windows = openRecordedWindows(sink, status);
        QVERIFY(folder.isValid());
    }
    void cleanup() { windows.reset(); }

    void switchFollowsTheLayoutUntilTheUserChooses();
    void detailsListTheBondedNeighboursWithTheirLengths();
    void bondRadiusTakesAChosenRadiusWithinItsLimits();

private:
    // A water molecule as standard XYZ, the O-H bonds 0.9686 Angstrom long.
    QString writeWaterXyz()
    {
        const QString path = folder.filePath(QStringLiteral("water.xyz"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write("3\nwater\nO 0 0 0.119262\nH 0 0.763239 -0.477047\nH 0 -0.763239 -0.477047\n");
        return path;
    }

    RecordingSink sink;
    RecordingStatus status;
    std::unique_ptr<TessalyWindows> windows;
    QTemporaryDir folder;
};

void BondsTest::switchFollowsTheLayoutUntilTheUserChooses()
{
    TMainForm &m = *MainForm;
    const QString xyz = writeWaterXyz();
    const QString own = folder.filePath(QStringLiteral("own.xyz"));
    QVERIFY(writeTrajectory(own, 2));
    m.OpenTrajectory(xyz);
    QVERIFY(m.ShowBonds);
    m.OpenTrajectory(own);
    QVERIFY(!m.ShowBonds);
    m.Bonds1->trigger();
    QVERIFY(m.ShowBonds);
    m.Options2Click();
    QVERIFY(m.Bonds1->isChecked());
    // chosen by hand: the next file of the program's own layout keeps the sticks
    m.OpenTrajectory(own);
    QVERIFY(m.ShowBonds);
    QVERIFY(sink.messages.empty());
}

void BondsTest::detailsListTheBondedNeighboursWithTheirLengths()
{
    TMainForm &m = *MainForm;
    m.OpenTrajectory(writeWaterXyz());
    m.Pause1Click();
    m.DetailsAtom = 0;
    m.Redraw(nullptr, true);
    DetailsDlg->refreshDetails();
    const QStringList lines = DetailsDlg->DetailsMemo->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(lines.mid(9), (QStringList{QStringLiteral("H2=0.9686"), QStringLiteral("H3=0.9686")}));
    // a hydrogen has its oxygen only; without bonds no neighbour is listed
    m.DetailsAtom = 2;
    DetailsDlg->refreshDetails();
    QCOMPARE(DetailsDlg->DetailsMemo->toPlainText().split(QLatin1Char('\n')).mid(9),
        QStringList{QStringLiteral("O1=0.9686")});
    m.Bonds1Click();
    DetailsDlg->refreshDetails();
    QCOMPARE(DetailsDlg->DetailsMemo->toPlainText().split(QLatin1Char('\n')).size(), 9);
}

void BondsTest::bondRadiusTakesAChosenRadiusWithinItsLimits()
{
    TMainForm &m = *MainForm;
    std::optional<double> answer = 0.3;
    double presetSeen = 0.0;
    m.ChooseBondRadius = [&answer, &presetSeen](double preset) {
        presetSeen = preset;
        return answer;
    };
    m.BondRadius1->trigger();
    QCOMPARE(presetSeen, 0.15);
    QCOMPARE(m.BondRadius, 0.3);
    for (const std::optional<double> refused : {std::optional<double>{}, std::optional(0.0),
             std::optional(5.0), std::optional(std::nan(""))}) {
        answer = refused;
        m.BondRadius1Click();
        QCOMPARE(m.BondRadius, 0.3);
    }
}

QTEST_MAIN(BondsTest)
#include "tst_bonds.moc"

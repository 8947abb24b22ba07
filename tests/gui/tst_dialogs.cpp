#include "app/application.h"
#include "app/mainwindow.h"
#include "app/messagesinks.h"
#include "dialogs/aboutbox.h"
#include "dialogs/detailsdlg.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
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

QTEST_MAIN(DialogsTest)
#include "tst_dialogs.moc"

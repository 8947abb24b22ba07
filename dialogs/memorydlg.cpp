#include "dialogs/memorydlg.h"

#include "dialogs/mainformlink.h"
#include "model/memorybudget.h"
#include "model/messagesink.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <string>

namespace {

QString sizeText(std::size_t bytes)
{
    return QString::fromStdString(memorySizeText(bytes));
}

} // namespace

TMemoryDlg::TMemoryDlg(MainFormLink &main)
    : QDialog(main.Window())
    , Main(main)
{
    setObjectName(QStringLiteral("MemoryDlg"));
    setWindowTitle(QStringLiteral("Memory limit"));
    setModal(true);

    CurrentLabel = new QLabel;
    CurrentLabel->setObjectName(QStringLiteral("CurrentLabel"));
    LimitEdit = new QLineEdit;
    LimitEdit->setObjectName(QStringLiteral("LimitEdit"));
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Current limit:"), CurrentLabel);
    form->addRow(QStringLiteral("New limit:"), LimitEdit);

    NoteLabel = new QLabel(QStringLiteral("Bytes, or with K, M, G or T: 512M, 2G.\n"
                                          "The frames of a trajectory and the text of a pipe or a\n"
                                          "compressed file count together. Applies from the next\n"
                                          "file opened."));
    NoteLabel->setObjectName(QStringLiteral("NoteLabel"));

    OKBtn = new QPushButton(QStringLiteral("OK"));
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"));
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(NoteLabel);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

std::optional<std::size_t> TMemoryDlg::Ask(std::size_t limit)
{
    Limit = limit;
    CurrentLabel->setText(sizeText(limit));
    LimitEdit->setText(sizeText(limit));
    LimitEdit->selectAll();
    LimitEdit->setFocus();
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return Limit;
}

void TMemoryDlg::done(int result)
{
    if (result == QDialog::Accepted) {
        const QString typed = LimitEdit->text().trimmed();
        std::size_t bytes = 0;
        if (!parseMemorySize(typed.toStdString().c_str(), bytes)) {
            // The old limit stays: shown again, selected, for the user to type over.
            const std::string text = "'" + typed.toStdString()
                + "' is not a memory size: give bytes, or a whole number followed by K, M, G "
                  "or T (512M, 2G). The limit stays "
                + memorySizeText(Limit) + ".";
            Main.MessageBoxes().show("Memory limit", text);
            LimitEdit->setText(sizeText(Limit));
            LimitEdit->selectAll();
            LimitEdit->setFocus();
            return;
        }
        Limit = bytes;
    }
    QDialog::done(result);
}

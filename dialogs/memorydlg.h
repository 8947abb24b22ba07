#pragma once

#include <QDialog>

#include <cstddef>
#include <optional>

class MainFormLink;
class QLabel;
class QLineEdit;
class QPushButton;

/// The modal "Memory limit" dialog: the most memory a trajectory may take, typed as "--memory"
/// takes it (512M, 2G, or bytes). A new limit applies from the next file opened.
class TMemoryDlg : public QDialog
{
    Q_OBJECT

public:
    /// Builds the dialog hidden, over the main window, whose message boxes refuse a text that
    /// is no size.
    explicit TMemoryDlg(MainFormLink &main);

    /// Runs the dialog showing limit: the limit typed on OK, empty when cancelled.
    std::optional<std::size_t> Ask(std::size_t limit);

    /// Takes the typed size on OK; a text that is no size is refused with a message, the old
    /// limit goes back into the edit and the dialog stays open.
    void done(int result) override;

    QLabel *CurrentLabel = nullptr;
    QLineEdit *LimitEdit = nullptr;
    QLabel *NoteLabel = nullptr;
    QPushButton *OKBtn = nullptr;
    QPushButton *CancelBtn = nullptr;

private:
    MainFormLink &Main;
    std::size_t Limit = 0;
};

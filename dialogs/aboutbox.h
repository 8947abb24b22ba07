#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

/// The modal "About" box: the program's emblem, name, version and maker.
class TAboutBox : public QDialog
{
    Q_OBJECT

public:
    /// Builds the box hidden; it lives until the program ends.
    explicit TAboutBox(QWidget *parent = nullptr);
    ~TAboutBox() override;

    QLabel *ProductName = nullptr;
    QLabel *Version = nullptr;
    QPushButton *OKButton = nullptr;
};

/// The program's about box, or null before start-up and after it is destroyed.
extern TAboutBox *AboutBox;

#include "dialogs/aboutbox.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

TAboutBox *AboutBox = nullptr;

namespace {

// The emblem: three shaded balls of a small molecule on a 32 x 32 picture.
QPixmap programEmblem()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::black);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::yellow, 2));
    painter.drawLine(16, 14, 7, 24);
    painter.drawLine(16, 14, 25, 24);
    const auto ball = [&painter](QPointF centre, double radius, QColor colour) {
        QRadialGradient shade(centre - QPointF(radius / 3, radius / 3), radius * 1.2);
        shade.setColorAt(0, Qt::white);
        shade.setColorAt(1, colour);
        painter.setPen(Qt::NoPen);
        painter.setBrush(shade);
        painter.drawEllipse(centre, radius, radius);
    };
    ball(QPointF(7, 24), 5, Qt::lightGray);
    ball(QPointF(25, 24), 5, Qt::lightGray);
    ball(QPointF(16, 13), 8, Qt::red);
    return pixmap;
}

} // namespace

TAboutBox::TAboutBox(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(298, 213);

    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(2);
    panel->setGeometry(8, 8, 281, 161);

    auto *icon = new QLabel(panel);
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    icon->setPixmap(programEmblem());
    icon->setScaledContents(true);
    icon->setGeometry(8, 8, 65, 57);

    ProductName = new QLabel(QStringLiteral("Product Name: Tessaly"), panel);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    ProductName->move(88, 16);
    Version = new QLabel(QStringLiteral("Version: 2.0"), panel);
    Version->setObjectName(QStringLiteral("Version"));
    Version->move(88, 40);
    auto *maker = new QLabel(QStringLiteral("Written by the Tessaly developers"), panel);
    maker->setObjectName(QStringLiteral("Copyright"));
    maker->move(8, 80);
    auto *comments = new QLabel(
        QStringLiteral("A viewer and animator for molecular-dynamics trajectories."), panel);
    comments->setObjectName(QStringLiteral("Comments"));
    comments->setWordWrap(true);
    comments->setGeometry(8, 104, 265, 48);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    OKButton->setGeometry(111, 180, 75, 25);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    AboutBox = this;
}

TAboutBox::~TAboutBox()
{
    if (AboutBox == this)
        AboutBox = nullptr;
}

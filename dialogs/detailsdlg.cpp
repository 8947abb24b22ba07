#include "dialogs/detailsdlg.h"

#include "dialogs/dialogparts.h"
#include "dialogs/electronsdlg.h"
#include "dialogs/mainformlink.h"
#include "dialogs/orbitalsdlg.h"
#include "model/bonds.h"
#include "model/frame.h"
#include "render/displaystate.h"
#include "render/pixelmath.h"
#include "render/vectormath.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QTextDocument>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

TDetailsDlg *DetailsDlg = nullptr;

namespace {

// An atom's lines: position, its length, charge, impulse and its length.
constexpr int MemoLines = 9;
// Bonded neighbours listed below them at most; a tenth and more are summed up in one line.
constexpr int NeighbourLines = 8;

// A label followed by the number without a blank, as "%.4g" (or "%.6g") writes it.
QString line(const char *label, double value, int digits = 4)
{
    return QString::fromLatin1(label) + QString::fromStdString(formatGeneral(value, digits));
}

void addVectorLines(QStringList &lines, const char *x, const char *y, const char *z,
    const char *length, const Vector3 &v)
{
    lines << line(x, v.x) << line(y, v.y) << line(z, v.z) << line(length, ::length(v));
}

} // namespace

TDetailsDlg::TDetailsDlg(MainFormLink &main)
    : QDialog(main.Window(), Qt::Tool | Qt::WindowStaysOnTopHint)
    , Main(main)
{
    setObjectName(QStringLiteral("DetailsDlg"));
    setWindowTitle(QStringLiteral("Details"));

    DetailsMemo = new QPlainTextEdit;
    DetailsMemo->setObjectName(QStringLiteral("DetailsMemo"));
    DetailsMemo->setReadOnly(true);
    DetailsMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Sized to its longest lines below: a scroll bar would only take their room.
    DetailsMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    DetailsMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    OrbitalBut = new QPushButton(QStringLiteral("Electrons"));
    OrbitalBut->setObjectName(QStringLiteral("OrbitalBut"));
    OrbitalBut->setFixedSize(std::max(73, captionWidth(*OrbitalBut)), 25);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(DetailsMemo);
    layout->addWidget(OrbitalBut, 0, Qt::AlignHCenter);
    layout->addStretch();
    connect(OrbitalBut, &QPushButton::clicked, this, &TDetailsDlg::OrbitalButClick);

    // The list is as wide as the longest line the numbers can give and as high as an atom's
    // nine lines, so no line wraps or falls below the edge, whatever the font.
    const QFontMetrics metrics(DetailsMemo->font());
    int widest = 0;
    for (const char *longest :
        {"RX=-8.888e-308", "T=-8.88888e-308", "E=-8.88888e-308", "Og1000000=8.888"})
        widest = std::max(widest, metrics.horizontalAdvance(QString::fromLatin1(longest)));
    const int margin = 2 * static_cast<int>(std::ceil(DetailsMemo->document()->documentMargin()))
        + 2 * DetailsMemo->frameWidth();
    // A laid-out line may be a pixel higher than the font's spacing.
    LineHeight = metrics.lineSpacing() + 1;
    MemoMargin = margin + 4;
    MemoWidth = std::max(96, widest + margin + 4);
    fitLines(MemoLines);
    DetailsDlg = this;
    placeDetails();
}

TDetailsDlg::~TDetailsDlg()
{
    if (DetailsDlg == this)
        DetailsDlg = nullptr;
}

void TDetailsDlg::refreshDetails()
{
    const Frame &frame = Main.ShownFrame();
    const int picked = Main.ShownDetailsAtom();
    // The pick is an index kept across frame changes; a frame with fewer atoms shows its
    // totals rather than reading past its end.
    const int atomCount = std::min(frame.atomCount, static_cast<int>(frame.atoms.size()));
    QStringList lines;
    AtomShown = picked >= 0 && picked < atomCount;
    if (AtomShown) {
        const FrameAtom &atom = frame.atoms[static_cast<std::size_t>(picked)];
        const QString name = atom.type ? QString::fromStdString(atom.type->name) : QString();
        setWindowTitle(QStringLiteral("Atom ") + name + QString::number(picked + 1));
        addVectorLines(lines, "RX=", "RY=", "RZ=", "RR=", atom.position);
        lines << line("CH=", atom.charge);
        addVectorLines(lines, "PX=", "PY=", "PZ=", "PP=", atom.impulse);
        addBondLines(lines, frame, picked);
        OrbitalBut->setText(QStringLiteral("Orbital"));
    } else {
        double charge = 0.0;
        Vector3 impulse{0.0, 0.0, 0.0};
        for (int i = 0; i < atomCount; ++i) {
            const FrameAtom &atom = frame.atoms[static_cast<std::size_t>(i)];
            charge += atom.charge;
            impulse = impulse + atom.impulse;
        }
        setWindowTitle(QStringLiteral("Frame ") + QString::number(Main.ShownFrameIndex()));
        // a time or energy the file does not give shows no number
        lines << (frame.hasTime ? line("T=", frame.time, 6) : QStringLiteral("T="))
              << (frame.hasEnergy ? line("E=", frame.energy, 6) : QStringLiteral("E="))
              << line("CH=", charge);
        addVectorLines(lines, "PX=", "PY=", "PZ=", "PP=", impulse);
        OrbitalBut->setText(QStringLiteral("Electrons"));
    }
    fitLines(static_cast<int>(lines.size()));
    DetailsMemo->setPlainText(lines.join(QLatin1Char('\n')));
}

void TDetailsDlg::fitLines(int lines)
{
    DetailsMemo->setFixedHeight(
        std::max(137, std::max(lines, MemoLines) * LineHeight + MemoMargin));
    setFixedSize(std::max(MemoWidth, OrbitalBut->width()) + 4,
        std::max(200, DetailsMemo->height() + OrbitalBut->height() + 10));
}

void TDetailsDlg::addBondLines(QStringList &lines, const Frame &frame, int picked)
{
    if (!Main.Display().ShowBonds)
        return;
    const std::vector<Bond> *bonds = Main.SceneScratch.bonds.keptFor(frame);
    if (!bonds)
        return;
    // each bonded neighbour as its label in the picture and the bond's length
    const MinimumImage image(frame);
    const auto atom = static_cast<std::uint32_t>(picked);
    int listed = 0, more = 0;
    for (const Bond &bond : *bonds) {
        if (bond.first != atom && bond.second != atom)
            continue;
        if (listed == NeighbourLines) {
            ++more;
            continue;
        }
        const std::uint32_t other = bond.first == atom ? bond.second : bond.first;
        const FrameAtom &neighbour = frame.atoms[other];
        const std::string name = neighbour.type ? neighbour.type->name : std::string();
        lines << QString::fromStdString(name + std::to_string(other + 1) + "="
            + formatGeneral(::length(bondVector(frame, image, bond)), 4));
        ++listed;
    }
    if (more > 0)
        lines << QStringLiteral("+%1 more").arg(more);
}

void TDetailsDlg::placeDetails()
{
    const QRect picture = Main.PictureScreenRect();
    move(picture.left() + picture.width() - frameGeometry().width(), picture.top());
}

void TDetailsDlg::OrbitalButClick()
{
    // The one place where the details window opens the orbital and cloud windows.
    if (AtomShown) {
        if (OrbitalsDlg)
            OrbitalsDlg->EditAtomOrbitals(Main.ShownDetailsAtom());
    } else if (ElectronsDlg) {
        ElectronsDlg->exec();
    }
    Main.Redraw(nullptr, true);
}

void TDetailsDlg::FormClose()
{
    // Through the main window's switch, so its state and the menu's mark stay in step.
    if (isVisible())
        Main.Details1Click();
}

void TDetailsDlg::reject()
{
    FormClose();
}

void TDetailsDlg::closeEvent(QCloseEvent *event)
{
    event->accept();
    FormClose();
}

void TDetailsDlg::showEvent(QShowEvent *event)
{
    // The main window may have moved while this one was hidden.
    placeDetails();
    QDialog::showEvent(event);
}

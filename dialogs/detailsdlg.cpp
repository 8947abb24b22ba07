#include "dialogs/detailsdlg.h"

#include "dialogs/electronsdlg.h"
#include "dialogs/mainformlink.h"
#include "dialogs/orbitalsdlg.h"
#include "model/frame.h"
#include "render/pixelmath.h"
#include "render/vectormath.h"

#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

#include <algorithm>

TDetailsDlg *DetailsDlg = nullptr;

namespace {

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
    DetailsMemo->setFixedHeight(137);
    OrbitalBut = new QPushButton(QStringLiteral("Electrons"));
    OrbitalBut->setObjectName(QStringLiteral("OrbitalBut"));
    OrbitalBut->setFixedSize(73, 25);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(DetailsMemo);
    layout->addWidget(OrbitalBut, 0, Qt::AlignHCenter);
    layout->addStretch();
    connect(OrbitalBut, &QPushButton::clicked, this, &TDetailsDlg::OrbitalButClick);

    setMinimumWidth(100);
    setMaximumWidth(112);
    setFixedHeight(200);
    resize(92, 200);
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
    DetailsMemo->setPlainText(lines.join(QLatin1Char('\n')));
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

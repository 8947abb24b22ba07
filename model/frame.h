#pragma once

#include "model/atomtype.h"
#include "model/vector3.h"

#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

/// The orbital settings an atom carries once it gets an expansion of its own (read with the
/// trajectory or edited in the orbitals dialog). Most atoms never need one.
struct AtomOrbitals
{
    bool usesTypeOrbitals = true;
    int ownOrbitalFamily = 0; ///< coded as AtomType::orbitalFamily
    OrbitalList ownOrbitals{OrbitalTerm{}};
};

/// One atom of one frame. The drawing values of the frame being drawn (screen position,
/// depth order, charge radius) live in the scene, not here, so a loaded atom costs 72 bytes.
struct FrameAtom
{
    Vector3 position; ///< Angstrom
    Vector3 impulse; ///< as read; 0 when not read
    double charge = 0.0;
    AtomType *type = nullptr; ///< not owned; a type of the program's table
    std::unique_ptr<AtomOrbitals> orbitalState; ///< absent: the atom's settings as created

    /// True while the atom's cloud uses its type's orbitals and family.
    bool usesTypeOrbitals() const { return !orbitalState || orbitalState->usesTypeOrbitals; }
    int ownOrbitalFamily() const { return orbitalState ? orbitalState->ownOrbitalFamily : 0; }
    /// The atom's own expansion; as created (one 1,s term of coefficient 1) when it has none.
    const OrbitalList &ownOrbitals() const;
    /// The atom's own settings, created as at atom creation when absent.
    AtomOrbitals &ownOrbitalSettings();
    /// The expansion and family the atom's cloud uses.
    const OrbitalList &activeOrbitals() const;
    int activeOrbitalFamily() const;
};

/// One time step: its atoms in file order, its time, energy and the rest of its time line.
struct Frame
{
    int atomCount = 0;
    std::vector<FrameAtom> atoms; ///< empty until the reader allocates it
    double time = 0.0;
    double energy = 0.0;
    std::optional<std::string> text; ///< the rest of the frame's time line, when reached

    /// True once the reader has allocated the atoms.
    bool hasAtoms() const { return !atoms.empty(); }
};

/// Makes the frame's atoms: count atoms at the origin, no impulse, no charge, no type.
/// Returns false when memory is exhausted (the frame is then left without atoms).
bool allocateAtoms(Frame &frame, int count);

/// The loaded trajectory: an empty head record, never drawn, followed by the frames in
/// file order. Frames never move in memory while they are in the list.
class FrameList
{
public:
    FrameList() = default;
    FrameList(const FrameList &) = delete;
    FrameList &operator=(const FrameList &) = delete;

    /// The empty record that stands for "no frame".
    Frame &head() { return headFrame; }
    const Frame &head() const { return headFrame; }
    /// Number of frames, not counting the head.
    int count() const { return static_cast<int>(frames.size()); }
    bool empty() const { return frames.empty(); }
    /// The frame at a 1-based index; the head for 0 or an index out of range.
    Frame &frameAt(int index);
    const Frame &frameAt(int index) const;
    /// The first frame, or nullptr when the list is empty.
    Frame *first() { return frames.empty() ? nullptr : &frames.front(); }
    /// Links the frame after the last one and returns where it now lives.
    Frame &appendFrame(Frame &&frame);
    /// Destroys every frame; the head stays.
    void clearFrames();

    std::deque<Frame>::iterator begin() { return frames.begin(); }
    std::deque<Frame>::iterator end() { return frames.end(); }
    std::deque<Frame>::const_iterator begin() const { return frames.begin(); }
    std::deque<Frame>::const_iterator end() const { return frames.end(); }

private:
    Frame headFrame;
    std::deque<Frame> frames;
};

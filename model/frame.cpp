#include "model/frame.h"

#include <new>

namespace {
const OrbitalList &createdOrbitals()
{
    static const OrbitalList list{OrbitalTerm{}};
    return list;
}
} // namespace

const OrbitalList &FrameAtom::ownOrbitals() const
{
    return orbitalState ? orbitalState->ownOrbitals : createdOrbitals();
}

AtomOrbitals &FrameAtom::ownOrbitalSettings()
{
    if (!orbitalState)
        orbitalState = std::make_unique<AtomOrbitals>();
    return *orbitalState;
}

const OrbitalList &FrameAtom::activeOrbitals() const
{
    if (usesTypeOrbitals() && type)
        return type->orbitals;
    return ownOrbitals();
}

int FrameAtom::activeOrbitalFamily() const
{
    if (usesTypeOrbitals())
        return type ? type->orbitalFamily : 0;
    return ownOrbitalFamily();
}

bool allocateAtoms(Frame &frame, int count)
{
    frame.atoms.clear();
    if (count <= 0)
        return true;
    try {
        frame.atoms.resize(static_cast<std::size_t>(count));
    } catch (const std::bad_alloc &) {
        frame.atoms.clear();
        frame.atoms.shrink_to_fit();
        return false;
    } catch (const std::length_error &) {
        return false;
    }
    return true;
}

Frame &FrameList::frameAt(int index)
{
    if (index < 1 || index > count())
        return headFrame;
    return frames[static_cast<std::size_t>(index - 1)];
}

const Frame &FrameList::frameAt(int index) const
{
    if (index < 1 || index > count())
        return headFrame;
    return frames[static_cast<std::size_t>(index - 1)];
}

Frame &FrameList::appendFrame(Frame &&frame)
{
    frames.push_back(std::move(frame));
    return frames.back();
}

void FrameList::clearFrames()
{
    std::deque<Frame>().swap(frames);
}

#include "model/frame.h"

#include "model/framestore.h"

#include <algorithm>
#include <cstdint>
#include <new>

namespace {
const OrbitalList &createdOrbitals()
{
    static const OrbitalList list{OrbitalTerm{}};
    return list;
}
} // namespace

std::span<const OrbitalTerm> Frame::ownOrbitals(const FrameAtom &atom) const
{
    if (atom.ownCount == 0 || std::size_t{atom.ownFirst} + atom.ownCount > ownTerms.size())
        return createdOrbitals();
    return std::span<const OrbitalTerm>(ownTerms).subspan(atom.ownFirst, atom.ownCount);
}

void Frame::setOwnOrbitals(FrameAtom &atom, std::span<const OrbitalTerm> terms)
{
    // the old terms stay in the pool unused: edits are rare and frames are short-lived
    const std::size_t count = std::min<std::size_t>(terms.size(), UINT16_MAX);
    atom.ownFirst = static_cast<std::uint32_t>(ownTerms.size());
    atom.ownCount = static_cast<std::uint16_t>(count);
    ownTerms.insert(
        ownTerms.end(), terms.begin(), terms.begin() + static_cast<std::ptrdiff_t>(count));
}

void Frame::appendOwnTerm(FrameAtom &atom, const OrbitalTerm &term, bool first)
{
    if (ownTerms.empty())
        ownTerms.reserve(atoms.capacity()); // files that give coefficients give one to every atom
    if (first || atom.ownCount == 0) {
        atom.ownFirst = static_cast<std::uint32_t>(ownTerms.size());
        atom.ownCount = 0;
    }
    if (atom.ownCount == UINT16_MAX)
        return;
    ownTerms.push_back(term);
    ++atom.ownCount;
}

std::span<const OrbitalTerm> Frame::activeOrbitals(const FrameAtom &atom) const
{
    if (atom.usesTypeOrbitals && atom.type)
        return atom.type->orbitals;
    return ownOrbitals(atom);
}

int Frame::activeOrbitalFamily(const FrameAtom &atom) const
{
    if (atom.usesTypeOrbitals)
        return atom.type ? atom.type->orbitalFamily : 0;
    return atom.ownOrbitalFamily;
}

std::string_view Frame::atomName(std::size_t index) const
{
    if (index < nameIndex.size() && nameIndex[index] != SameAsType
        && nameIndex[index] < nameText.size())
        return std::string_view(nameText.c_str() + nameIndex[index]);
    if (index < atoms.size() && atoms[index].type)
        return atoms[index].type->name;
    return {};
}

std::uint32_t Frame::addName(std::string_view name)
{
    const auto offset = static_cast<std::uint32_t>(nameText.size());
    nameText.append(name);
    nameText.push_back('\0');
    return offset;
}

void Frame::setNameOf(std::size_t index, std::uint32_t offset)
{
    if (nameIndex.size() <= index) {
        // the names of a frame are usually all read or all their types'
        if (nameIndex.empty())
            nameIndex.reserve(std::max(atoms.capacity(), index + 1));
        nameIndex.resize(index + 1, SameAsType);
    }
    nameIndex[index] = offset;
}

void Frame::clearNames()
{
    nameIndex.clear();
    nameText.clear();
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

FrameList::FrameList()
{
    heap.setBudget(&memoryBudget);
}

FrameList::~FrameList() = default;

int FrameList::count() const
{
    return store ? store->count() : static_cast<int>(frames.size());
}

Frame &FrameList::frameAt(int index)
{
    if (index < 1 || index > count())
        return headFrame;
    if (store) {
        Frame *frame = store->frame(index);
        return frame ? *frame : headFrame;
    }
    return frames[static_cast<std::size_t>(index - 1)];
}

const Frame &FrameList::frameAt(int index) const
{
    return const_cast<FrameList *>(this)->frameAt(index);
}

FrameSummary FrameList::summaryAt(int index) const
{
    if (index < 1 || index > count())
        return {};
    if (store)
        return store->summary(index);
    const Frame &frame = frames[static_cast<std::size_t>(index - 1)];
    return {frame.atomCount, frame.time, frame.energy, frame.hasTime, frame.hasEnergy};
}

bool FrameList::isFirst(const Frame &frame) const
{
    if (store)
        return store->isFirst(frame);
    return !frames.empty() && &frames.front() == &frame;
}

Frame &FrameList::appendFrame(Frame &&frame)
{
    frames.push_back(std::move(frame));
    return frames.back();
}

void FrameList::clearFrames()
{
    store.reset();
    std::deque<Frame>().swap(frames);
    heap.release();
    // what the readers counted for the records goes with them
    memoryBudget.giveBack(memoryBudget.used());
}

void FrameList::useStore(std::unique_ptr<FrameStore> onDemand)
{
    store = std::move(onDemand);
}

void FrameList::hold(int index, int step)
{
    if (!store)
        return;
    store->hold(index);
    if (step != 0)
        store->readAhead(index, step);
}

void FrameList::stopReadAhead()
{
    if (store)
        store->stopReadAhead();
}

int FrameList::framesReadAhead() const
{
    return store ? store->framesReadAhead() : 0;
}

std::optional<std::pair<std::string, std::string>> FrameList::takeFailure()
{
    if (!store)
        return std::nullopt;
    std::optional<FrameStore::Failure> failure = store->takeFailure();
    if (!failure)
        return std::nullopt;
    return std::pair{std::move(failure->caption), std::move(failure->text)};
}

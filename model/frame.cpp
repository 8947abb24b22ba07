#include "model/frame.h"

#include "model/framestore.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

namespace {
const OrbitalList &createdOrbitals()
{
    static const OrbitalList list{OrbitalTerm{}};
    return list;
}

// The block of every empty text: a length of 0.
alignas(std::size_t) char emptyTextBlock[sizeof(std::size_t)] = {};

std::size_t blockLength(const char *block)
{
    std::size_t length = 0;
    std::memcpy(&length, block, sizeof length);
    return length;
}
} // namespace

void FrameExtras::clear()
{
    cell.reset();
    keptColumns.clear();
    ownTerms.clear();
    impulseColumn = ImpulseColumn::None;
    chargeColumn = ChargeColumn::None;
    extraPairs.clear();
    nameIndex.clear();
    nameText.clear();
}

void Frame::TextDeleter::operator()(char *block) const
{
    if (block != emptyTextBlock)
        delete[] block;
}

Frame::Frame(const Frame &other)
    : atomCount(other.atomCount)
    , hasTime(other.hasTime)
    , hasEnergy(other.hasEnergy)
    , atoms(other.atoms)
    , time(other.time)
    , energy(other.energy)
    , extrasBlock(other.extrasBlock ? std::make_unique<FrameExtras>(*other.extrasBlock) : nullptr)
{
    if (const auto otherText = other.text())
        setText(*otherText);
}

Frame &Frame::operator=(const Frame &other)
{
    if (this == &other)
        return *this;
    atomCount = other.atomCount;
    hasTime = other.hasTime;
    hasEnergy = other.hasEnergy;
    atoms = other.atoms;
    time = other.time;
    energy = other.energy;
    if (const auto otherText = other.text())
        setText(*otherText);
    else
        clearText();
    // a copy's extras live in ordinary memory, as a copied frame's do
    extrasBlock = other.extrasBlock ? std::make_unique<FrameExtras>(*other.extrasBlock) : nullptr;
    return *this;
}

std::optional<std::string_view> Frame::text() const
{
    if (!textBlock)
        return std::nullopt;
    return std::string_view(textBlock.get() + sizeof(std::size_t), blockLength(textBlock.get()));
}

void Frame::setText(std::string_view text)
{
    if (text.empty()) {
        textBlock.reset(emptyTextBlock);
        return;
    }
    std::unique_ptr<char[], TextDeleter> block(new char[sizeof(std::size_t) + text.size()]);
    const std::size_t length = text.size();
    std::memcpy(block.get(), &length, sizeof length);
    std::memcpy(block.get() + sizeof length, text.data(), length);
    textBlock = std::move(block);
}

void Frame::clearText()
{
    textBlock.reset();
}

std::size_t Frame::textBytes() const
{
    const std::size_t length = textBlock ? blockLength(textBlock.get()) : 0;
    return length ? sizeof(std::size_t) + length : 0;
}

const FrameExtras &Frame::noExtras()
{
    static const FrameExtras none;
    return none;
}

void Frame::makeExtras()
{
    extrasBlock = std::make_unique<FrameExtras>(atoms.get_allocator().resource());
}

std::span<const OrbitalTerm> Frame::ownOrbitals(const FrameAtom &atom) const
{
    const std::pmr::vector<OrbitalTerm> &ownTerms = extras().ownTerms;
    if (atom.ownCount == 0 || std::size_t{atom.ownFirst} + atom.ownCount > ownTerms.size())
        return createdOrbitals();
    return std::span<const OrbitalTerm>(ownTerms).subspan(atom.ownFirst, atom.ownCount);
}

void Frame::setOwnOrbitals(FrameAtom &atom, std::span<const OrbitalTerm> terms)
{
    // the old terms stay in the pool unused: edits are rare and frames are short-lived
    std::pmr::vector<OrbitalTerm> &ownTerms = editExtras().ownTerms;
    const std::size_t count = std::min<std::size_t>(terms.size(), UINT16_MAX);
    atom.ownFirst = static_cast<std::uint32_t>(ownTerms.size());
    atom.ownCount = static_cast<std::uint16_t>(count);
    ownTerms.insert(
        ownTerms.end(), terms.begin(), terms.begin() + static_cast<std::ptrdiff_t>(count));
}

void Frame::appendOwnTerm(FrameAtom &atom, const OrbitalTerm &term, bool first)
{
    std::pmr::vector<OrbitalTerm> &ownTerms = editExtras().ownTerms;
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
    const std::pmr::vector<std::uint32_t> &nameIndex = extras().nameIndex;
    const std::pmr::string &nameText = extras().nameText;
    if (index < nameIndex.size() && nameIndex[index] != SameAsType
        && nameIndex[index] < nameText.size())
        return std::string_view(nameText.c_str() + nameIndex[index]);
    if (index < atoms.size() && atoms[index].type)
        return atoms[index].type->name;
    return {};
}

std::uint32_t Frame::addName(std::string_view name)
{
    std::pmr::string &nameText = editExtras().nameText;
    const auto offset = static_cast<std::uint32_t>(nameText.size());
    nameText.append(name);
    nameText.push_back('\0');
    return offset;
}

void Frame::setNameOf(std::size_t index, std::uint32_t offset)
{
    std::pmr::vector<std::uint32_t> &nameIndex = editExtras().nameIndex;
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
    if (!extrasBlock)
        return;
    extrasBlock->nameIndex.clear();
    extrasBlock->nameText.clear();
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

std::size_t recordBytes(const Frame &frame)
{
    const auto stringBytes = [](const std::string &text) {
        return text.capacity() > std::string().capacity() ? text.capacity() + 1 : 0;
    };
    std::size_t bytes = sizeof(Frame) + frame.textBytes();
    if (!frame.hasExtras())
        return bytes;
    // the extras' own arrays are in the heap; their block and its strings are not
    const FrameExtras &extras = frame.extras();
    bytes += sizeof(FrameExtras) + stringBytes(extras.extraPairs);
    if (extras.keptColumns.capacity() > 0) {
        bytes += extras.keptColumns.capacity() * sizeof(KeptColumn);
        for (const KeptColumn &column : extras.keptColumns) {
            bytes += stringBytes(column.name) + column.values.capacity() * sizeof(std::string);
            for (const std::string &value : column.values)
                bytes += stringBytes(value);
        }
    }
    return bytes;
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
    return summaryOf(frames[static_cast<std::size_t>(index - 1)]);
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

void FrameList::keep(int index)
{
    if (store)
        store->keep(index);
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

std::optional<FrameFailure> FrameList::takeFailure()
{
    return store ? store->takeFailure() : std::nullopt;
}

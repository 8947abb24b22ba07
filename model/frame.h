#pragma once

#include "model/atomtype.h"
#include "model/frameheap.h"
#include "model/vector3.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <iterator>
#include <memory>
#include <memory_resource>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

/// One atom of one frame. The drawing values of the frame being drawn (screen position,
/// depth order, charge radius) live in the scene, and an atom's own orbital expansion lives
/// in its frame's term pool, so a loaded atom costs 72 bytes.
struct FrameAtom
{
    Vector3 position; ///< Angstrom
    Vector3 impulse; ///< as read; 0 when not read
    double charge = 0.0;
    AtomType *type = nullptr; ///< not owned; a type of the program's table
    std::uint32_t ownFirst = 0; ///< first term of the own expansion in Frame::ownTerms
    std::uint16_t ownCount = 0; ///< 0: the own expansion is as created (one 1,s term)
    bool usesTypeOrbitals = true; ///< the cloud uses the type's orbitals and family
    std::int8_t ownOrbitalFamily = 0; ///< coded as AtomType::orbitalFamily
};

/// A frame's periodic cell: the three edge vectors of its parallelepiped (Angstrom), from its
/// origin corner, and whether the structure repeats along each.
struct Cell
{
    std::array<Vector3, 3> edges{};
    std::array<bool, 3> periodic{true, true, true};
    Vector3 origin{}; ///< the corner the edges start from (OVITO's Origin)

    friend bool operator==(const Cell &, const Cell &) = default;
};

/// A per-atom column of an extended XYZ file that the program has no use for, kept so that
/// saving writes it back: its name, type letter (S, R, I or L) and values per atom. Numbers
/// (R, I, and L as 1 or 0) are kept as numbers, `count` per atom; only S columns keep text.
struct KeptColumn
{
    KeptColumn() = default;
    /// A column whose numbers take their memory from memory.
    explicit KeptColumn(std::pmr::memory_resource *memory)
        : numbers(memory)
    {
    }

    std::string name;
    char type = 'R';
    int count = 1;
    std::vector<std::string> values; ///< S columns, one per atom: its `count` values as read
    std::pmr::vector<double> numbers; ///< R, I and L columns: `count` values per atom

    bool isText() const { return type == 'S'; }
    /// Atoms the column holds values for.
    std::size_t atoms() const
    {
        return isText() ? values.size() : numbers.size() / static_cast<std::size_t>(count);
    }
};

/// Which column of an extended XYZ file gave the atoms' impulses and charges, so that saving
/// names them as the file did.
enum class ImpulseColumn : std::uint8_t { None, Momenta, Velocities };
enum class ChargeColumn : std::uint8_t { None, Charges, InitialCharges };

/// What few frames have: kept in a block of its own, made on first use, so that the record of
/// a frame without them (most frames of most files) stays small. The arrays take their memory
/// from the frame's.
struct FrameExtras
{
    FrameExtras() = default;
    /// Extras whose arrays will take their memory from memory.
    explicit FrameExtras(std::pmr::memory_resource *memory)
        : ownTerms(memory)
        , nameIndex(memory)
        , nameText(memory)
    {
    }

    std::optional<Cell> cell; ///< the lattice an XYZ file gives the frame
    std::vector<KeptColumn> keptColumns; ///< the columns of an XYZ file kept for writing back
    std::pmr::vector<OrbitalTerm> ownTerms; ///< the own expansions of the atoms that have one
    ImpulseColumn impulseColumn = ImpulseColumn::None; ///< extended XYZ: the impulses' column
    ChargeColumn chargeColumn = ChargeColumn::None; ///< extended XYZ: the charges' column
    /// The other pairs of an extended XYZ comment (config_type=..., stress="..."), as written
    std::string extraPairs;
    /// The names atoms were read with, where they differ from their type's name: per atom an
    /// offset into nameText, or Frame::SameAsType. Empty while every name is its type's.
    std::pmr::vector<std::uint32_t> nameIndex;
    std::pmr::string nameText; ///< the distinct names of nameIndex, each ended by a NUL

    /// Forgets every value, keeping the room of the arrays.
    void clear();
};

/// One time step: its atoms in file order, its time, energy and the rest of its time line.
/// A copy keeps its arrays in ordinary memory, whatever memory the original's take.
struct Frame
{
    Frame() = default;
    /// A frame whose atoms and extras will take their memory from memory.
    explicit Frame(std::pmr::memory_resource *memory)
        : atoms(memory)
    {
    }
    Frame(const Frame &other);
    Frame &operator=(const Frame &other);
    Frame(Frame &&) noexcept = default;
    /// The frame taken keeps the memory of its extras: frames of one list move among themselves.
    Frame &operator=(Frame &&) = default;
    ~Frame() = default;

    int atomCount = 0;
    bool hasTime = true; ///< false when the file gives the frame no time (time is then 0)
    bool hasEnergy = true; ///< false when the file gives the frame no energy (energy is then 0)
    std::pmr::vector<FrameAtom> atoms; ///< empty until the reader allocates it
    double time = 0.0;
    double energy = 0.0;
    static constexpr std::uint32_t SameAsType = UINT32_MAX;

    /// The rest of the frame's time line, when reached; for an XYZ file, its comment line
    /// without the pairs the reader recognised.
    std::optional<std::string_view> text() const;
    void setText(std::string_view text);
    void clearText();
    /// Bytes the text takes outside the record.
    std::size_t textBytes() const;

    /// True once the frame has extras (which may have been emptied since).
    bool hasExtras() const { return extrasBlock != nullptr; }
    /// The frame's extras; all empty when it never got any.
    const FrameExtras &extras() const { return extrasBlock ? *extrasBlock : noExtras(); }
    /// The frame's extras for changing, made when it has none.
    FrameExtras &editExtras()
    {
        if (!extrasBlock)
            makeExtras();
        return *extrasBlock;
    }
    const std::optional<Cell> &cell() const { return extras().cell; }
    const std::vector<KeptColumn> &keptColumns() const { return extras().keptColumns; }
    const std::string &extraPairs() const { return extras().extraPairs; }
    ImpulseColumn impulseColumn() const { return extras().impulseColumn; }
    ChargeColumn chargeColumn() const { return extras().chargeColumn; }

    /// The name the atom at index was read with: its type's name unless it was read otherwise;
    /// empty when it has neither.
    std::string_view atomName(std::size_t index) const;
    /// Keeps a name for nameIndex; returns its offset in nameText.
    std::uint32_t addName(std::string_view name);
    /// Notes that the atom at index was read with the name at offset (from addName).
    void setNameOf(std::size_t index, std::uint32_t offset);
    /// Forgets every name read (the atoms then go by their types' names).
    void clearNames();

    /// True once the reader has allocated the atoms.
    bool hasAtoms() const { return !atoms.empty(); }
    /// The atom's own expansion; one 1,s term of coefficient 1 when it never got one.
    std::span<const OrbitalTerm> ownOrbitals(const FrameAtom &atom) const;
    /// Gives the atom a new own expansion (an empty one counts as the created 1,s term);
    /// the family and the usesTypeOrbitals switch are left to the caller.
    void setOwnOrbitals(FrameAtom &atom, std::span<const OrbitalTerm> terms);
    /// Appends one term to the atom's own expansion; first starts a new expansion. The terms
    /// of one atom are appended without another atom's in between.
    void appendOwnTerm(FrameAtom &atom, const OrbitalTerm &term, bool first);
    /// The expansion the atom's cloud uses: its type's or its own.
    std::span<const OrbitalTerm> activeOrbitals(const FrameAtom &atom) const;
    /// The family the atom's cloud uses: its type's or its own.
    int activeOrbitalFamily(const FrameAtom &atom) const;

private:
    // Frees a text block, but never the one shared by every empty text.
    struct TextDeleter
    {
        void operator()(char *block) const;
    };
    // The text's length and then its bytes; null while there is no text. Most frames of a file
    // have a text, often an empty one, which takes no block of its own: a
    // std::optional<std::string> would add 40 bytes to every record.
    std::unique_ptr<char[], TextDeleter> textBlock;
    std::unique_ptr<FrameExtras> extrasBlock;

    static const FrameExtras &noExtras();
    void makeExtras();
};

/// What a frame takes besides the arrays in its memory resource: its record and what hangs
/// from it on the ordinary heap.
std::size_t recordBytes(const Frame &frame);

/// Makes the frame's atoms: count atoms at the origin, no impulse, no charge, no type.
/// Returns false when memory is exhausted (the frame is then left without atoms).
bool allocateAtoms(Frame &frame, int count);

/// What a trajectory knows of a frame without its atoms (for a file read on demand, from its
/// index).
struct FrameSummary
{
    int atomCount = 0;
    double time = 0.0;
    double energy = 0.0;
    bool hasTime = true;
    bool hasEnergy = true;
};

/// What the frame holds besides its atoms, as its summary.
inline FrameSummary summaryOf(const Frame &frame)
{
    return {frame.atomCount, frame.time, frame.energy, frame.hasTime, frame.hasEnergy};
}

class FrameStore;

/// Why a frame of a file read on demand could not be read: the reader's message about it.
struct FrameFailure
{
    int frame = 0; ///< 1-based
    std::string caption;
    std::string text;

    friend bool operator==(const FrameFailure &, const FrameFailure &) = default;
};

/// The loaded trajectory: an empty head record, never drawn, followed by the frames in
/// file order. Its frames are either held whole, decoded as they were read, or, for a file
/// too large for that, kept in a store that reads each from the file when it is asked for
/// (onDemand()). Held frames never move in memory while they are in the list. Frames made
/// with memory() keep their arrays in the list's heap, which is returned when the list is
/// cleared: such a frame lives only in the list. A frame of a store stays where it is until
/// eight other frames were asked for, and for as long as it is held (hold) or is the first.
class FrameList
{
public:
    FrameList();
    ~FrameList();
    FrameList(const FrameList &) = delete;
    FrameList &operator=(const FrameList &) = delete;

    /// The empty record that stands for "no frame".
    Frame &head() { return headFrame; }
    const Frame &head() const { return headFrame; }
    /// Number of frames, not counting the head.
    int count() const;
    bool empty() const { return count() == 0; }
    /// The frame at a 1-based index; the head for 0, an index out of range, or a frame that
    /// cannot be read from its file (see takeFailure).
    Frame &frameAt(int index);
    const Frame &frameAt(int index) const;
    /// What the frame at the 1-based index holds, without reading its atoms.
    FrameSummary summaryAt(int index) const;
    /// The first frame, or nullptr when the list is empty.
    Frame *first() { return empty() ? nullptr : &frameAt(1); }
    /// True when frame is the list's first frame.
    bool isFirst(const Frame &frame) const;
    /// Links the frame after the last one and returns where it now lives (frames held whole).
    Frame &appendFrame(Frame &&frame);
    /// Destroys every frame and returns the memory of their arrays; the head stays.
    void clearFrames();
    /// The memory for the arrays of frames about to be appended (any thread may use it).
    std::pmr::memory_resource *memory() { return &heap; }
    /// What the frames may take: the heap's mappings count against it as they are made, and
    /// a reader counts the rest of each frame (its record, text and kept columns) as it
    /// appends it. Clearing the list gives everything back; the limit stays. No limit unless
    /// one is set.
    MemoryBudget &budget() { return memoryBudget; }

    /// Reads the frames from now on from store instead (the list is empty).
    void useStore(std::unique_ptr<FrameStore> store);
    /// True when the frames are read from their file as they are asked for.
    bool onDemand() const { return store != nullptr; }
    /// On demand: keeps the frame at index (one at a time; 0 for none) where it is, and reads
    /// the frames after it in steps of step ahead, on another thread. Nothing otherwise.
    void hold(int index, int step = 0);
    /// On demand: keeps the frame at index in memory from now on (one the user changed, whose
    /// changes the file does not hold). Nothing otherwise.
    void keep(int index);
    /// On demand: ends reading ahead (before the atom types change). Nothing otherwise.
    void stopReadAhead();
    /// On demand: how many frames the other thread has read ahead (for tests); 0 otherwise.
    int framesReadAhead() const;
    /// On demand: why the first frame that could not be read failed, once.
    std::optional<FrameFailure> takeFailure();

    /// Goes through the frames in order; on demand each is read as it is reached.
    template <class List, class Value> class Iterator
    {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Frame;
        using difference_type = std::ptrdiff_t;
        using pointer = Value *;
        using reference = Value &;

        Iterator() = default;
        Iterator(List *list, int index)
            : list(list)
            , index(index)
        {
        }
        Value &operator*() const { return list->frameAt(index); }
        Value *operator->() const { return &list->frameAt(index); }
        Iterator &operator++()
        {
            ++index;
            return *this;
        }
        Iterator operator++(int)
        {
            Iterator before = *this;
            ++index;
            return before;
        }
        friend bool operator==(const Iterator &a, const Iterator &b) { return a.index == b.index; }

    private:
        List *list = nullptr;
        int index = 1;
    };
    using iterator = Iterator<FrameList, Frame>;
    using const_iterator = Iterator<const FrameList, const Frame>;

    iterator begin() { return {this, 1}; }
    iterator end() { return {this, count() + 1}; }
    const_iterator begin() const { return {this, 1}; }
    const_iterator end() const { return {this, count() + 1}; }

private:
    MemoryBudget memoryBudget; // before the heap, which gives back to it when it is destroyed
    FrameHeap heap; // before the frames, so they are destroyed before their memory
    Frame headFrame;
    std::deque<Frame> frames;
    std::unique_ptr<FrameStore> store; // after the budget, which it gives back to
};

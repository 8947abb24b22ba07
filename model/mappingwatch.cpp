#include "model/mappingwatch.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// What the SIGBUS handler knows of one watched mapping. The handler only reads these atomics
// and writes changedAt; slots are taken and given back under the registry's lock.
struct Watched
{
    std::atomic<const char *> begin{nullptr}; ///< nullptr: the slot is free
    std::atomic<std::size_t> length{0};
    std::atomic<const char *> changedAt{nullptr};
};

constexpr std::size_t SlotCount = 32;
std::array<Watched, SlotCount> watched;
std::mutex registry;
int watchCount = 0; // the handler is installed while this is above 0
struct sigaction previousAction
{
};
std::atomic<std::size_t> pageSize{4096};

void noteChange(Watched &slot, const char *at)
{
    const char *noted = slot.changedAt.load();
    while ((!noted || at < noted) && !slot.changedAt.compare_exchange_weak(noted, at)) { }
}

// Replaces the gone pages from the faulting one to the mapping's end with zeros, so the read
// goes on and finds no more than the end of the text, and notes the lowest page found gone;
// returns false for a fault elsewhere.
bool coverGonePages(const char *address)
{
    for (Watched &slot : watched) {
        const char *begin = slot.begin.load(std::memory_order_acquire);
        const std::size_t length = slot.length.load();
        if (!begin || address < begin || address >= begin + length)
            continue;
        const std::uintptr_t page = pageSize.load();
        const std::uintptr_t first = reinterpret_cast<std::uintptr_t>(address) / page * page;
        const std::uintptr_t last =
            (reinterpret_cast<std::uintptr_t>(begin) + length + page - 1) / page * page;
        if (mmap(reinterpret_cast<void *>(first), last - first, PROT_READ,
                MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0)
            == MAP_FAILED)
            return false;
        noteChange(slot, std::max(begin, reinterpret_cast<const char *>(first)));
        return true;
    }
    return false;
}

extern "C" void onBusError(int signalNumber, siginfo_t *info, void *context)
{
    const int savedErrno = errno;
    const bool fault = info && info->si_code > 0; // raised by a read, not sent by kill
    if (fault && coverGonePages(static_cast<const char *>(info->si_addr))) {
        errno = savedErrno;
        return;
    }
    // Not ours: whoever handled SIGBUS before does, or the default action ends the process.
    if ((previousAction.sa_flags & SA_SIGINFO) != 0 && previousAction.sa_sigaction) {
        previousAction.sa_sigaction(signalNumber, info, context);
        return;
    }
    if ((previousAction.sa_flags & SA_SIGINFO) == 0 && previousAction.sa_handler != SIG_DFL
        && previousAction.sa_handler != SIG_IGN) {
        previousAction.sa_handler(signalNumber);
        return;
    }
    struct sigaction fallback
    {
    };
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signalNumber, &fallback, nullptr);
    // a fault comes back at once when the read runs again; a sent signal is sent again
    if (!fault)
        raise(signalNumber);
    errno = savedErrno;
}

} // namespace

MappingWatch::MappingWatch(const char *begin, std::size_t length, int descriptor)
    : begin(begin)
    , length(length)
    , descriptor(descriptor)
{
    const std::lock_guard<std::mutex> lock(registry);
    for (std::size_t i = 0; i < SlotCount; ++i) {
        Watched &free = watched[i];
        if (free.begin.load())
            continue;
        free.length.store(length);
        free.changedAt.store(nullptr);
        free.begin.store(begin, std::memory_order_release);
        slot = static_cast<int>(i);
        break;
    }
    if (slot < 0 || watchCount++ > 0)
        return;
    pageSize.store(static_cast<std::size_t>(sysconf(_SC_PAGESIZE)));
    struct sigaction action
    {
    };
    action.sa_sigaction = onBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, nullptr, &previousAction);
    sigaction(SIGBUS, &action, nullptr);
}

MappingWatch::~MappingWatch()
{
    release();
}

MappingWatch::MappingWatch(MappingWatch &&other) noexcept
    : slot(std::exchange(other.slot, -1))
    , begin(std::exchange(other.begin, nullptr))
    , length(std::exchange(other.length, 0))
    , descriptor(std::exchange(other.descriptor, -1))
{
}

MappingWatch &MappingWatch::operator=(MappingWatch &&other) noexcept
{
    if (this != &other) {
        release();
        slot = std::exchange(other.slot, -1);
        begin = std::exchange(other.begin, nullptr);
        length = std::exchange(other.length, 0);
        descriptor = std::exchange(other.descriptor, -1);
    }
    return *this;
}

void MappingWatch::release()
{
    if (slot >= 0) {
        const std::lock_guard<std::mutex> lock(registry);
        watched[static_cast<std::size_t>(slot)].begin.store(nullptr);
        if (--watchCount == 0)
            sigaction(SIGBUS, &previousAction, nullptr);
    }
    if (descriptor >= 0)
        close(descriptor);
    slot = -1;
    begin = nullptr;
    length = 0;
    descriptor = -1;
}

bool MappingWatch::faulted() const
{
    return slot >= 0
        && watched[static_cast<std::size_t>(slot)].changedAt.load(std::memory_order_relaxed);
}

FileChange MappingWatch::change() const
{
    FileChange change;
    if (slot >= 0)
        change.gonePage = watched[static_cast<std::size_t>(slot)].changedAt.load();
    struct stat status
    {
    };
    if (descriptor >= 0 && fstat(descriptor, &status) == 0 && status.st_size >= 0
        && static_cast<std::size_t>(status.st_size) < length) {
        const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        const auto newLength = static_cast<std::size_t>(status.st_size);
        change.newEnd = begin + newLength;
        change.newEndPage = begin + std::min(length, (newLength + page - 1) / page * page);
    }
    return change;
}

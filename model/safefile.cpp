#include "model/safefile.h"

#include <array>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The signal handler may only touch plain static storage: the name lives in a fixed buffer,
// and the old bytes of a file rewritten in place stay where they were read to.
std::array<char, 4096> temporaryName{};
volatile std::sig_atomic_t temporaryExists = 0;
const char *volatile keptBytes = nullptr;
volatile std::size_t keptSize = 0;
volatile std::sig_atomic_t restoreDescriptor = -1; ///< the file rewritten in place, or -1
volatile std::sig_atomic_t writerDescriptor = -1; ///< the writer's own descriptor of it, or -1
volatile std::sig_atomic_t blockDescriptor = -1; ///< a read-only descriptor to put over it

// Every signal whose default action ends the process and that a handler can catch. One the
// program handles itself is its own business (its handler may well not end anything), and an
// ignored one stays ignored.
constexpr std::array<int, 22> FatalSignals{SIGHUP, SIGINT, SIGQUIT, SIGILL, SIGTRAP, SIGABRT,
    SIGBUS, SIGFPE, SIGUSR1, SIGSEGV, SIGUSR2, SIGPIPE, SIGALRM, SIGTERM, SIGSTKFLT, SIGXCPU,
    SIGXFSZ, SIGVTALRM, SIGPROF, SIGIO, SIGPWR, SIGSYS};
constexpr int SignalSlots = 65; // signals 1 to 64, real-time ones included

std::array<struct sigaction, SignalSlots> previousActions{};
std::array<bool, SignalSlots> takenOver{};

bool isFault(int signalNumber)
{
    return signalNumber == SIGSEGV || signalNumber == SIGBUS || signalNumber == SIGILL
        || signalNumber == SIGFPE || signalNumber == SIGTRAP || signalNumber == SIGSYS;
}

// Puts the kept bytes back into the file rewritten in place; safe inside a signal handler.
// Another thread may still be writing through its own descriptor: that descriptor is first
// made read-only, so its next write fails instead of landing after the old bytes.
bool restoreKeptBytes()
{
    const int descriptor = restoreDescriptor;
    if (descriptor < 0)
        return true;
    if (writerDescriptor >= 0 && blockDescriptor >= 0)
        dup2(blockDescriptor, writerDescriptor);
    const char *const bytes = keptBytes;
    const std::size_t size = keptSize;
    bool restored = ftruncate(descriptor, 0) == 0;
    std::size_t done = 0;
    while (restored && done < size) {
        const ssize_t n = pwrite(descriptor, bytes + done, size - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        restored = n > 0;
        if (restored)
            done += static_cast<std::size_t>(n);
    }
    // a write of the other thread that was already under way may have extended the file
    return ftruncate(descriptor, static_cast<off_t>(size)) == 0 && restored;
}

extern "C" void undoAndRaise(int signalNumber, siginfo_t *info, void *)
{
    if (temporaryExists)
        unlink(temporaryName.data());
    temporaryExists = 0;
    if (restoreDescriptor >= 0 && !restoreKeptBytes()) {
        static constexpr char Lost[] = "the old contents of a file being saved could not be "
                                       "put back: it is incomplete\n";
        [[maybe_unused]] const ssize_t told = ::write(STDERR_FILENO, Lost, sizeof Lost - 1);
    }
    restoreDescriptor = -1;
    sigaction(signalNumber, &previousActions[static_cast<std::size_t>(signalNumber)], nullptr);
    // A fault comes back when the faulting instruction runs again, now with the default action
    // and its own details; anything else is sent again.
    if (isFault(signalNumber) && info && info->si_code > 0)
        return;
    raise(signalNumber);
}

template <class Visit> void forEachFatalSignal(const Visit &visit)
{
    for (const int signalNumber : FatalSignals)
        visit(signalNumber);
    for (int signalNumber = SIGRTMIN; signalNumber <= SIGRTMAX && signalNumber < SignalSlots;
         ++signalNumber)
        visit(signalNumber);
}

// Installs the undoing handler for as long as it lives and puts the previous handlers back
// after. It undoes either a temporary file (created) or a rewrite in place (keep).
class SignalGuard
{
public:
    SignalGuard()
    {
        struct sigaction action
        {
        };
        action.sa_sigaction = undoAndRaise;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        forEachFatalSignal(
            [&action](int signalNumber) { sigaddset(&action.sa_mask, signalNumber); });
        forEachFatalSignal([&action](int signalNumber) {
            const auto slot = static_cast<std::size_t>(signalNumber);
            takenOver[slot] = false;
            if (sigaction(signalNumber, nullptr, &previousActions[slot]) != 0)
                return;
            const struct sigaction &previous = previousActions[slot];
            if ((previous.sa_flags & SA_SIGINFO) == 0 && previous.sa_handler == SIG_DFL)
                takenOver[slot] = sigaction(signalNumber, &action, nullptr) == 0;
        });
    }
    ~SignalGuard()
    {
        forEachFatalSignal([](int signalNumber) {
            const auto slot = static_cast<std::size_t>(signalNumber);
            if (takenOver[slot])
                sigaction(signalNumber, &previousActions[slot], nullptr);
            takenOver[slot] = false;
        });
    }
    SignalGuard(const SignalGuard &) = delete;
    SignalGuard &operator=(const SignalGuard &) = delete;
};

// Removes a temporary file that was not renamed into place, on a signal as on return.
class TemporaryGuard
{
public:
    explicit TemporaryGuard(const std::string &name)
    {
        std::memcpy(temporaryName.data(), name.c_str(), name.size() + 1);
        temporaryExists = 1;
        signals.emplace();
    }
    /// Removes the temporary file (when it was not renamed into place).
    void discard()
    {
        temporaryExists = 0;
        unlink(temporaryName.data());
    }
    void renamed() { temporaryExists = 0; }
    ~TemporaryGuard() { signals.reset(); }
    TemporaryGuard(const TemporaryGuard &) = delete;
    TemporaryGuard &operator=(const TemporaryGuard &) = delete;

private:
    std::optional<SignalGuard> signals;
};

std::string folderOf(const std::string &path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string namePartOf(const std::string &path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

SafeWriteResult writeDirectly(
    std::FILE *file, bool ownsFile, const std::function<bool(std::FILE *)> &write)
{
    bool written = write(file);
    written = std::fflush(file) == 0 && written;
    if (ownsFile)
        written = std::fclose(file) == 0 && written;
    return written ? SafeWriteResult::Written : SafeWriteResult::WriteFailed;
}

// The old bytes of a file rewritten in place, and what the signal handler needs to put them
// back, for as long as it lives.
class KeptBytes
{
public:
    KeptBytes(int descriptor, std::unique_ptr<char[]> bytes, std::size_t size)
        : bytes_(std::move(bytes))
    {
        keptBytes = bytes_.get();
        keptSize = size;
        blockDescriptor = open("/dev/null", O_RDONLY | O_CLOEXEC);
        restoreDescriptor = descriptor;
        signals_.emplace();
    }
    ~KeptBytes()
    {
        signals_.reset();
        restoreDescriptor = -1;
        writerDescriptor = -1;
        if (blockDescriptor >= 0)
            close(blockDescriptor);
        blockDescriptor = -1;
        keptBytes = nullptr;
        keptSize = 0;
    }
    /// Puts the old bytes back; false when the file could not be restored.
    bool restore()
    {
        writerDescriptor = -1; // closed by now: its number may already name another file
        const bool restored = restoreKeptBytes();
        fsync(restoreDescriptor);
        return restored;
    }
    KeptBytes(const KeptBytes &) = delete;
    KeptBytes &operator=(const KeptBytes &) = delete;

private:
    std::unique_ptr<char[]> bytes_;
    std::optional<SignalGuard> signals_;
};

// Reads the whole file open at descriptor into memory: nothing when it cannot be read or is
// bigger than the machine's memory (rather than have the system end the process for it).
std::unique_ptr<char[]> readWhole(int descriptor, std::size_t &size)
{
    struct stat status
    {
    };
    if (fstat(descriptor, &status) != 0 || status.st_size < 0)
        return nullptr;
    size = static_cast<std::size_t>(status.st_size);
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0
        && size / static_cast<std::size_t>(pageSize) >= static_cast<std::size_t>(pages) / 2)
        return nullptr;
    std::unique_ptr<char[]> bytes(new (std::nothrow) char[size == 0 ? 1 : size]);
    std::size_t done = 0;
    while (bytes && done < size) {
        const ssize_t n =
            pread(descriptor, bytes.get() + done, size - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return nullptr; // unreadable, or shrunk under us
        done += static_cast<std::size_t>(n);
    }
    return bytes;
}

// Rewrites an existing regular file in place, which is safe only because its old bytes are
// kept and put back on any failure or signal.
SafeWriteResult writeInPlace(
    const std::string &target, const std::function<bool(std::FILE *)> &write)
{
    const int descriptor = open(target.c_str(), O_RDWR | O_CLOEXEC);
    if (descriptor < 0)
        return SafeWriteResult::CannotCreate;
    std::size_t size = 0;
    std::unique_ptr<char[]> bytes = readWhole(descriptor, size);
    const int writer = bytes ? dup(descriptor) : -1;
    std::FILE *file = writer < 0 ? nullptr : fdopen(writer, "w");
    if (!file) {
        if (writer >= 0)
            close(writer);
        close(descriptor);
        return SafeWriteResult::CannotCreate;
    }
    SafeWriteResult result = SafeWriteResult::Written;
    {
        KeptBytes kept(descriptor, std::move(bytes), size);
        writerDescriptor = writer;
        bool written = ftruncate(descriptor, 0) == 0 && write(file);
        written = std::fflush(file) == 0 && written;
        written = fsync(writer) == 0 && written;
        writerDescriptor = -1;
        written = std::fclose(file) == 0 && written;
        if (!written)
            result =
                kept.restore() ? SafeWriteResult::WriteFailed : SafeWriteResult::LeftIncomplete;
    }
    close(descriptor);
    return result;
}

} // namespace

std::string followSymbolicLinks(const std::string &path)
{
    std::string current = path;
    // a loop of links ends after as many hops as the kernel itself allows
    for (int hop = 0; hop < 40; ++hop) {
        struct stat status
        {
        };
        if (lstat(current.c_str(), &status) != 0 || !S_ISLNK(status.st_mode))
            return current;
        std::string target(static_cast<std::size_t>(status.st_size) + 256, '\0');
        const ssize_t length = readlink(current.c_str(), target.data(), target.size());
        if (length <= 0)
            return current;
        target.resize(static_cast<std::size_t>(length));
        current = target.front() == '/' ? target : folderOf(current) + "/" + target;
    }
    return current;
}

SafeWriteResult writeFileSafely(
    const std::string &path, const std::function<bool(std::FILE *)> &write)
{
    if (path == "-")
        return writeDirectly(stdout, false, write);

    const std::string target = followSymbolicLinks(path);
    struct stat existing
    {
    };
    // A link still there after every hop is a loop (or a link to itself): replacing it with a
    // file would silently lose the link, so it is refused as cp refuses it.
    if (lstat(target.c_str(), &existing) == 0 && S_ISLNK(existing.st_mode))
        return SafeWriteResult::CannotCreate;
    const bool exists = stat(target.c_str(), &existing) == 0;
    if (!exists && errno == ELOOP)
        return SafeWriteResult::CannotCreate;
    if (exists && !S_ISREG(existing.st_mode)) {
        // devices and pipes cannot be replaced by renaming: they are what the user wants
        // written
        std::FILE *file = std::fopen(target.c_str(), "w");
        if (!file)
            return SafeWriteResult::CannotCreate;
        return writeDirectly(file, true, write);
    }

    // ".NAME.XXXXXX" keeps within the longest name a folder holds however long NAME is: a long
    // name gives only its start
    std::string hidden = namePartOf(target);
    constexpr std::size_t Around = std::char_traits<char>::length("..XXXXXX");
    if (hidden.size() + Around > NAME_MAX)
        hidden.resize(NAME_MAX - Around);
    std::string temporary = folderOf(target) + "/." + hidden + ".XXXXXX";
    const int descriptor = temporary.size() < temporaryName.size() ? mkstemp(temporary.data()) : -1;
    if (descriptor < 0) {
        // A folder the user cannot write to, or a file system without a free inode, may still
        // hold a file the user can write: it is rewritten in place, its old bytes kept.
        if (!exists)
            return SafeWriteResult::CannotCreate;
        return writeInPlace(target, write);
    }
    TemporaryGuard guard(temporary);

    mode_t mode = 0;
    if (exists) {
        // the owner too, where allowed (as root); before the mode, which a change of owner
        // may clear bits of
        [[maybe_unused]] const int owned = fchown(descriptor, existing.st_uid, existing.st_gid);
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    fchmod(descriptor, mode);
    std::FILE *file = fdopen(descriptor, "w");
    if (!file) {
        close(descriptor);
        guard.discard();
        return SafeWriteResult::CannotCreate;
    }
    bool written = write(file);
    written = std::fflush(file) == 0 && written;
    written = fsync(fileno(file)) == 0 && written;
    written = std::fclose(file) == 0 && written;
    if (!written) {
        guard.discard();
        return SafeWriteResult::WriteFailed;
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        guard.discard();
        return SafeWriteResult::CannotReplace;
    }
    guard.renamed();
    return SafeWriteResult::Written;
}

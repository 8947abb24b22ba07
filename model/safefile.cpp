#include "model/safefile.h"

#include <array>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The signal handler may only touch plain static storage: the name lives in a fixed buffer.
std::array<char, 4096> temporaryName{};
volatile std::sig_atomic_t temporaryExists = 0;

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

extern "C" void removeTemporaryAndRaise(int signalNumber, siginfo_t *info, void *)
{
    if (temporaryExists)
        unlink(temporaryName.data());
    temporaryExists = 0;
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

// Installs the clean-up for as long as it lives and puts the previous handlers back after.
class TemporaryGuard
{
public:
    explicit TemporaryGuard(const std::string &name)
    {
        std::memcpy(temporaryName.data(), name.c_str(), name.size() + 1);
        struct sigaction action
        {
        };
        action.sa_sigaction = removeTemporaryAndRaise;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        forEachFatalSignal(
            [&action](int signalNumber) { sigaddset(&action.sa_mask, signalNumber); });
        temporaryExists = 1;
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
    ~TemporaryGuard()
    {
        forEachFatalSignal([](int signalNumber) {
            const auto slot = static_cast<std::size_t>(signalNumber);
            if (takenOver[slot])
                sigaction(signalNumber, &previousActions[slot], nullptr);
            takenOver[slot] = false;
        });
    }
    /// Removes the temporary file (when it was not renamed into place).
    void discard()
    {
        temporaryExists = 0;
        unlink(temporaryName.data());
    }
    void renamed() { temporaryExists = 0; }
    TemporaryGuard(const TemporaryGuard &) = delete;
    TemporaryGuard &operator=(const TemporaryGuard &) = delete;
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
        // A folder the user cannot write to may still hold a file they can: that file is
        // written in place, as there is no other way to save it.
        if (!exists)
            return SafeWriteResult::CannotCreate;
        const int inPlace = open(target.c_str(), O_WRONLY | O_CLOEXEC);
        std::FILE *file = inPlace < 0 ? nullptr : fdopen(inPlace, "w");
        if (!file) {
            if (inPlace >= 0)
                close(inPlace);
            return SafeWriteResult::CannotCreate;
        }
        if (ftruncate(inPlace, 0) != 0) {
            std::fclose(file);
            return SafeWriteResult::CannotCreate;
        }
        return writeDirectly(file, true, write);
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

#include "model/safefile.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The signal handler may only touch plain static storage: the name lives in a fixed buffer.
std::array<char, 4096> temporaryName{};
volatile std::sig_atomic_t temporaryExists = 0;

constexpr std::array<int, 3> CleanedSignals{SIGINT, SIGTERM, SIGHUP};

extern "C" void removeTemporaryAndRaise(int signalNumber)
{
    if (temporaryExists)
        unlink(temporaryName.data());
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
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
        action.sa_handler = removeTemporaryAndRaise;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < CleanedSignals.size(); ++i) {
            sigaction(CleanedSignals[i], nullptr, &previous_[i]);
            // an ignored signal (SIGHUP under nohup) stays ignored: it ends nothing
            if (previous_[i].sa_handler != SIG_IGN)
                sigaction(CleanedSignals[i], &action, nullptr);
        }
        temporaryExists = 1;
    }
    ~TemporaryGuard()
    {
        for (std::size_t i = 0; i < CleanedSignals.size(); ++i)
            sigaction(CleanedSignals[i], &previous_[i], nullptr);
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

private:
    std::array<struct sigaction, CleanedSignals.size()> previous_{};
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
    const bool exists = stat(target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        // devices and pipes cannot be replaced by renaming: they are what the user wants
        // written
        std::FILE *file = std::fopen(target.c_str(), "w");
        if (!file)
            return SafeWriteResult::CannotCreate;
        return writeDirectly(file, true, write);
    }

    std::string temporary = folderOf(target) + "/." + namePartOf(target) + ".XXXXXX";
    if (temporary.size() >= temporaryName.size())
        return SafeWriteResult::CannotCreate;
    const int descriptor = mkstemp(temporary.data());
    if (descriptor < 0)
        return SafeWriteResult::CannotCreate;
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

#include "model/safefile.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class SafeFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "tessaly-safefile-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
    }
    void TearDown() override { fs::remove_all(folder); }

    static std::string contents(const fs::path &path)
    {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static void put(const fs::path &path, const std::string &text) { std::ofstream(path) << text; }
    // every entry of the folder: a temporary file left behind shows up here
    std::size_t entries() const
    {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {}));
    }

    fs::path folder;
};

const auto writesNew = [](std::FILE *file) { return std::fputs("new", file) >= 0; };
const auto failsHalfway = [](std::FILE *file) {
    std::fputs("partial", file);
    return false;
};

TEST_F(SafeFile, ReplacesRegularFileKeepingItsPermissions)
{
    const fs::path out = folder / "out.xyz";
    put(out, "old");
    chmod(out.c_str(), 0640);
    EXPECT_EQ(writeFileSafely(out.string(), writesNew), SafeWriteResult::Written);
    EXPECT_EQ(contents(out), "new");
    struct stat status
    {
    };
    ASSERT_EQ(stat(out.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
    EXPECT_EQ(entries(), 1u);
    if (geteuid() == 0) {
        // root replacing another user's file leaves it theirs
        ASSERT_EQ(chown(out.c_str(), 12345, 12346), 0);
        EXPECT_EQ(writeFileSafely(out.string(), writesNew), SafeWriteResult::Written);
        ASSERT_EQ(stat(out.c_str(), &status), 0);
        EXPECT_EQ(status.st_uid, 12345u);
        EXPECT_EQ(status.st_gid, 12346u);
        EXPECT_EQ(status.st_mode & 07777, 0640u);
    }

    const fs::path fresh = folder / "fresh.xyz";
    EXPECT_EQ(writeFileSafely(fresh.string(), writesNew), SafeWriteResult::Written);
    EXPECT_EQ(contents(fresh), "new");
}

TEST_F(SafeFile, FailedWriteKeepsTheOldFileAndLeavesNoTemporary)
{
    const fs::path out = folder / "out.bmp";
    put(out, "old");
    EXPECT_EQ(writeFileSafely(out.string(), failsHalfway), SafeWriteResult::WriteFailed);
    EXPECT_EQ(contents(out), "old");
    EXPECT_EQ(entries(), 1u);

    EXPECT_EQ(writeFileSafely((folder / "missing" / "x.xyz").string(), writesNew),
        SafeWriteResult::CannotCreate);
    EXPECT_EQ(entries(), 1u);
}

TEST_F(SafeFile, FollowsLinksAndWritesDevicesDirectly)
{
    const fs::path target = folder / "target.xyz";
    put(target, "old");
    const fs::path link = folder / "link.xyz";
    fs::create_symlink("target.xyz", link); // relative to the link's folder
    EXPECT_EQ(writeFileSafely(link.string(), writesNew), SafeWriteResult::Written);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(contents(target), "new");

    // a FIFO opened for writing would wait for a reader: /dev/null stands for every device
    EXPECT_EQ(writeFileSafely("/dev/null", writesNew), SafeWriteResult::Written);
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    if (fs::exists("/dev/full")) {
        EXPECT_EQ(writeFileSafely("/dev/full", writesNew), SafeWriteResult::WriteFailed);
    }
}

TEST_F(SafeFile, IgnoredSignalsStayIgnoredWhileWriting)
{
    // as under nohup: a hang-up in the middle of a write must not end the process
    struct sigaction ignore
    {
    };
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    struct sigaction before
    {
    };
    ASSERT_EQ(sigaction(SIGHUP, &ignore, &before), 0);
    const fs::path out = folder / "out.xyz";
    const auto hangsUpHalfway = [](std::FILE *file) {
        std::fputs("ne", file);
        raise(SIGHUP);
        return std::fputs("w", file) >= 0;
    };
    EXPECT_EQ(writeFileSafely(out.string(), hangsUpHalfway), SafeWriteResult::Written);
    EXPECT_EQ(contents(out), "new");
    struct sigaction after
    {
    };
    sigaction(SIGHUP, &before, &after);
    EXPECT_EQ(after.sa_handler, SIG_IGN) << "the ignored signal was not put back";
}

} // namespace

namespace {

TEST_F(SafeFile, AFileInAFolderTheUserCannotWriteIsWrittenInPlace)
{
    // Root may write anywhere, so as root the writes are made as another user.
    const bool asRoot = geteuid() == 0;
    constexpr uid_t Nobody = 65534;
    const fs::path mine = folder / "mine.xyz";
    const fs::path theirs = folder / "theirs.xyz";
    put(mine, "old");
    put(theirs, "old");
    chmod(theirs.c_str(), 0444);
    if (asRoot) {
        ASSERT_EQ(chown(mine.c_str(), Nobody, Nobody), 0);
    }
    chmod(folder.c_str(), asRoot ? 0755 : 0555);
    if (asRoot) {
        ASSERT_EQ(setegid(Nobody), 0);
        ASSERT_EQ(seteuid(Nobody), 0);
    }
    // a temporary folder inside one that other users cannot enter proves nothing here
    const bool reachable = faccessat(AT_FDCWD, folder.c_str(), X_OK, AT_EACCESS) == 0;
    const SafeWriteResult ownFile = writeFileSafely(mine.string(), writesNew);
    const SafeWriteResult otherFile = writeFileSafely(theirs.string(), writesNew);
    const SafeWriteResult newFile = writeFileSafely((folder / "new.xyz").string(), writesNew);
    if (asRoot) {
        ASSERT_EQ(seteuid(0), 0);
        ASSERT_EQ(setegid(0), 0);
    }
    chmod(folder.c_str(), 0700);
    if (!reachable)
        GTEST_SKIP() << folder << " cannot be reached by another user";
    EXPECT_EQ(ownFile, SafeWriteResult::Written);
    EXPECT_EQ(contents(mine), "new");
    EXPECT_EQ(otherFile, SafeWriteResult::CannotCreate);
    EXPECT_EQ(contents(theirs), "old");
    EXPECT_EQ(newFile, SafeWriteResult::CannotCreate);
    EXPECT_EQ(entries(), 2u);
}

} // namespace

namespace {

// A file in a folder the writer may not write to is rewritten in place: whatever goes wrong
// there, and whatever signal ends the writer, the old bytes are what the file holds after.
TEST_F(SafeFile, AFileRewrittenInPlaceGetsItsOldBytesBackOnFailureOrSignal)
{
    constexpr uid_t Nobody = 65534;
    const std::string old = "old\n" + std::string(5000, 'x') + "\nend\n";
    struct Case
    {
        const char *what;
        std::function<bool(std::FILE *)> write;
        int exitCode; ///< the result the writer exits with, or -1 when a signal ends it
        int signal;
        std::string after;
    };
    const auto signalHalfway = [](int signalNumber) {
        return [signalNumber](std::FILE *file) {
            std::fputs(std::string(20000, 'n').c_str(), file);
            std::fflush(file);
            raise(signalNumber);
            return true;
        };
    };
    const Case cases[] = {
        {"a good write", writesNew, static_cast<int>(SafeWriteResult::Written), 0, "new"},
        {"a failed write", failsHalfway, static_cast<int>(SafeWriteResult::WriteFailed), 0, old},
        {"SIGTERM", signalHalfway(SIGTERM), -1, SIGTERM, old},
        {"SIGINT", signalHalfway(SIGINT), -1, SIGINT, old},
    };
    const fs::path out = folder / "out.xyz";
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        chmod(folder.c_str(), 0755);
        put(out, old);
        if (geteuid() == 0) {
            ASSERT_EQ(chown(out.c_str(), Nobody, Nobody), 0);
        }
        chmod(folder.c_str(), 0555);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // root may write anywhere: the child becomes another user
            if (geteuid() == 0 && (setgid(Nobody) != 0 || setuid(Nobody) != 0))
                _exit(100);
            if (faccessat(AT_FDCWD, folder.c_str(), X_OK, AT_EACCESS) != 0)
                _exit(100);
            // a shell starts background jobs with SIGINT ignored
            if (c.signal)
                signal(c.signal, SIG_DFL);
            _exit(static_cast<int>(writeFileSafely(out.string(), c.write)));
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        chmod(folder.c_str(), 0755);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 100)
            GTEST_SKIP() << "another user cannot reach " << folder;
        if (c.signal) {
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.signal) << status;
        } else {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == c.exitCode) << status;
        }
        EXPECT_EQ(contents(out), c.after);
        EXPECT_EQ(entries(), 1u);
    }
}

} // namespace

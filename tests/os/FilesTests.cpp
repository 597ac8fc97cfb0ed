#include "../support/FileSizeLimit.h"
#include "TestSupport.h"
#include "support/SimulatedMachine.h"

#include "os/FileLock.h"
#include "os/Files.h"
#include "os/Session.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>

namespace prolamo::os::test {
namespace {

class FilesTest : public ::testing::Test {
protected:
    std::string PathOf(const std::string& relative) const { return (temp_.Path() / relative).string(); }
    void Make(const std::string& relative, const std::string& text) const {
        std::ofstream(temp_.Path() / relative, std::ios::binary) << text;
    }
    std::vector<std::uint8_t> Read(const std::string& relative) const {
        std::vector<std::uint8_t> content;
        EXPECT_EQ(Files().ReadWholeFile(PathOf(relative), &content), ErrorSuccess);
        return content;
    }
    TempFolder temp_;
};

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

TEST_F(FilesTest, AttributesTellFilesFromFolders) {
    Make("file.txt", "x");
    std::uint32_t attributes = 0;
    ASSERT_EQ(Files().GetFileAttributes(PathOf("file.txt"), &attributes), ErrorSuccess);
    EXPECT_EQ(attributes & FileAttributeDirectory, 0u);
    ASSERT_EQ(Files().GetFileAttributes(temp_.Path().string(), &attributes), ErrorSuccess);
    EXPECT_NE(attributes & FileAttributeDirectory, 0u);

    EXPECT_EQ(Files().GetFileAttributes(PathOf("missing.txt"), &attributes), ErrorFileNotFound);
    EXPECT_EQ(attributes, InvalidFileAttributes);
    EXPECT_EQ(Files().GetFileAttributes(PathOf("missing/file.txt"), &attributes), ErrorPathNotFound);
    EXPECT_EQ(Files().GetFileAttributes("", &attributes), ErrorPathNotFound);

    ::chmod(PathOf("file.txt").c_str(), 0444);
    ASSERT_EQ(Files().GetFileAttributes(PathOf("file.txt"), &attributes), ErrorSuccess);
    EXPECT_NE(attributes & FileAttributeReadonly, 0u);
}

TEST_F(FilesTest, WholeFileRoundTripsEveryByteIncludingLineEnds) {
    std::vector<std::uint8_t> content = Bytes("line one\r\nline two\n");
    for (int b = 0; b < 256; ++b)
        content.push_back(static_cast<std::uint8_t>(b));
    ASSERT_EQ(Files().WriteWholeFile(PathOf("data.bin"), content), ErrorSuccess);
    EXPECT_EQ(Read("data.bin"), content);

    // Rewriting with less leaves nothing of the old content.
    ASSERT_EQ(Files().WriteWholeFile(PathOf("data.bin"), Bytes("ab")), ErrorSuccess);
    EXPECT_EQ(Read("data.bin"), Bytes("ab"));
    ASSERT_EQ(Files().WriteWholeFile(PathOf("data.bin"), {}), ErrorSuccess);
    EXPECT_TRUE(Read("data.bin").empty());
    EXPECT_EQ(std::filesystem::file_size(PathOf("data.bin")), 0u);
}

TEST_F(FilesTest, BackslashesSeparateFolders) {
    std::filesystem::create_directories(temp_.Path() / "drivers" / "etc");
    ASSERT_EQ(Files().WriteWholeFile(temp_.Path().string() + "\\drivers\\etc\\hosts", Bytes("h")), ErrorSuccess);
    EXPECT_EQ(Read("drivers/etc/hosts"), Bytes("h"));
}

TEST_F(FilesTest, ErrorsCarryTheCodesWindowsGives) {
    std::vector<std::uint8_t> content;
    EXPECT_EQ(Files().ReadWholeFile(PathOf("missing.txt"), &content), ErrorFileNotFound);
    EXPECT_EQ(Files().ReadWholeFile(PathOf("nofolder/missing.txt"), &content), ErrorPathNotFound);
    EXPECT_EQ(Files().ReadWholeFile(temp_.Path().string(), &content), ErrorAccessDenied);

    EXPECT_EQ(Files().WriteWholeFile(PathOf("nofolder/new.txt"), Bytes("x")), ErrorPathNotFound);
    EXPECT_FALSE(std::filesystem::exists(temp_.Path() / "nofolder"));
    EXPECT_EQ(Files().WriteWholeFile(temp_.Path().string(), Bytes("x")), ErrorAccessDenied);

    EXPECT_EQ(Files().DeleteFile(PathOf("missing.txt")), ErrorFileNotFound);
    EXPECT_EQ(Files().DeleteFile(PathOf("nofolder/missing.txt")), ErrorPathNotFound);
    std::filesystem::create_directory(temp_.Path() / "sub");
    EXPECT_EQ(Files().DeleteFile(PathOf("sub")), ErrorAccessDenied);
    EXPECT_TRUE(std::filesystem::is_directory(temp_.Path() / "sub"));

    Make("gone.txt", "x");
    EXPECT_EQ(Files().DeleteFile(PathOf("gone.txt")), ErrorSuccess);
    EXPECT_FALSE(std::filesystem::exists(temp_.Path() / "gone.txt"));
}

TEST_F(FilesTest, ReadOnlyFileCannotBeDeletedOrOverwritten) {
    Make("locked.txt", "keep");
    ::chmod(PathOf("locked.txt").c_str(), 0444);
    EXPECT_EQ(Files().DeleteFile(PathOf("locked.txt")), ErrorAccessDenied);
    EXPECT_TRUE(std::filesystem::exists(temp_.Path() / "locked.txt"));
    EXPECT_EQ(Files().WriteWholeFile(PathOf("locked.txt"), Bytes("lost")), ErrorAccessDenied);
    EXPECT_EQ(Read("locked.txt"), Bytes("keep"));
}

TEST_F(FilesTest, PipesAndDevicesAreRefusedWithoutWaiting) {
    const std::string fifo = PathOf("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::uint32_t attributes = 0;
    for (const std::string& path : {fifo, std::string("/dev/null")}) {
        ASSERT_EQ(Files().GetFileAttributes(path, &attributes), ErrorSuccess) << path;
        EXPECT_EQ(attributes & (FileAttributeDevice | FileAttributeDirectory), FileAttributeDevice) << path;
        std::vector<std::uint8_t> content;
        EXPECT_EQ(Files().ReadWholeFile(path, &content), ErrorInvalidFunction) << path;
        EXPECT_EQ(Files().WriteWholeFile(path, Bytes("x")), ErrorInvalidFunction) << path;
    }
    Make("plain.txt", "x");
    ASSERT_EQ(Files().GetFileAttributes(PathOf("plain.txt"), &attributes), ErrorSuccess);
    EXPECT_EQ(attributes & FileAttributeDevice, 0u);
}

TEST_F(FilesTest, UnreadableFileIsAccessDenied) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file, so permissions cannot refuse it";
    Make("secret.txt", "x");
    ::chmod(PathOf("secret.txt").c_str(), 0);
    std::vector<std::uint8_t> content;
    EXPECT_EQ(Files().ReadWholeFile(PathOf("secret.txt"), &content), ErrorAccessDenied);
}

TEST_F(FilesTest, OpenForWritingBlocksReadersAndWritersAndDeletion) {
    Make("busy.txt", "content");
    // Another program of this layer holds the file as a writer does.
    const int fd = ::open(PathOf("busy.txt").c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    std::vector<std::uint8_t> content;
    EXPECT_EQ(Files().ReadWholeFile(PathOf("busy.txt"), &content), ErrorSharingViolation);
    EXPECT_EQ(Files().WriteWholeFile(PathOf("busy.txt"), Bytes("other")), ErrorSharingViolation);
    EXPECT_EQ(Files().DeleteFile(PathOf("busy.txt")), ErrorSharingViolation);
    ::close(fd);
    EXPECT_EQ(Read("busy.txt"), Bytes("content")); // the refused write did not truncate it

    // Readers share with readers.
    const int reader = ::open(PathOf("busy.txt").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(reader, LOCK_SH), 0);
    EXPECT_EQ(Read("busy.txt"), Bytes("content"));
    EXPECT_EQ(Files().WriteWholeFile(PathOf("busy.txt"), Bytes("other")), ErrorSharingViolation);
    ::close(reader);
}

TEST_F(FilesTest, ReplacingWriteSwapsInTheNewContentAndLeavesNothingBehind) {
    Make("data.dfm", "old content");
    ::chmod(PathOf("data.dfm").c_str(), 0640);
    ASSERT_EQ(Files().WriteFileReplacing(PathOf("data.dfm"), Bytes("new")), ErrorSuccess);
    EXPECT_EQ(Read("data.dfm"), Bytes("new"));
    EXPECT_EQ(std::filesystem::status(temp_.Path() / "data.dfm").permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read);
    ASSERT_EQ(Files().WriteFileReplacing(PathOf("fresh.dfm"), Bytes("first")), ErrorSuccess);
    EXPECT_EQ(Read("fresh.dfm"), Bytes("first"));
    EXPECT_EQ(std::filesystem::status(temp_.Path() / "fresh.dfm").permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(temp_.Path()))
        ++entries;
    EXPECT_EQ(entries, 2);

    EXPECT_EQ(Files().WriteFileReplacing(PathOf("nofolder/data.dfm"), Bytes("x")), ErrorPathNotFound);
    std::filesystem::create_directory(temp_.Path() / "sub");
    EXPECT_EQ(Files().WriteFileReplacing(PathOf("sub"), Bytes("x")), ErrorAccessDenied);
    EXPECT_TRUE(std::filesystem::is_directory(temp_.Path() / "sub"));

    // Someone reading the file keeps it from being replaced.
    const int reader = ::open(PathOf("data.dfm").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(reader, LOCK_SH), 0);
    EXPECT_EQ(Files().WriteFileReplacing(PathOf("data.dfm"), Bytes("newer")), ErrorSharingViolation);
    ::close(reader);
    EXPECT_EQ(Read("data.dfm"), Bytes("new"));
}

TEST_F(FilesTest, FileLockIsHeldByOneHolderAtATime) {
    const std::string lock = PathOf("qvt.dfm.lock");
    LockHandle first = InvalidLockHandle, second = InvalidLockHandle;
    ASSERT_EQ(FileLocks().TryLock(lock, &first), ErrorSuccess);
    EXPECT_TRUE(std::filesystem::exists(lock));
    EXPECT_EQ(FileLocks().TryLock(lock, &second), ErrorLockViolation);
    EXPECT_EQ(second, InvalidLockHandle);
    FileLocks().Unlock(first);
    ASSERT_EQ(FileLocks().TryLock(lock, &second), ErrorSuccess);
    FileLocks().Unlock(second);
    FileLocks().Unlock(InvalidLockHandle);
    EXPECT_EQ(FileLocks().TryLock(PathOf("nofolder/x.lock"), &first), ErrorPathNotFound);
}

TEST_F(FilesTest, ALinkToNothingExistsAndALinkIsReplacedByAFileOfItsOwn) {
    ASSERT_EQ(::symlink(PathOf("gone").c_str(), PathOf("dangling").c_str()), 0);
    std::uint32_t attributes = 0;
    ASSERT_EQ(Files().GetFileAttributes(PathOf("dangling"), &attributes), ErrorSuccess);
    EXPECT_NE(attributes & FileAttributeReparsePoint, 0u);

    // The link's target is open to all; the data written in place of the link is not.
    Make("target", "old");
    ::chmod(PathOf("target").c_str(), 0666);
    ASSERT_EQ(::symlink(PathOf("target").c_str(), PathOf("data.dfm").c_str()), 0);
    ASSERT_EQ(Files().WriteFileReplacing(PathOf("data.dfm"), Bytes("new")), ErrorSuccess);
    struct stat st {};
    ASSERT_EQ(::lstat(PathOf("data.dfm").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(Read("target"), Bytes("old"));
    EXPECT_EQ(Read("data.dfm"), Bytes("new"));
}

TEST_F(FilesTest, NewFoldersAreTheirOwnersOnlyWhateverTheUmask) {
    const mode_t saved = ::umask(0);
    const ErrorCode made = Files().CreateDirectoryTree(PathOf("Orvenik/QVT"));
    ::umask(saved);
    ASSERT_EQ(made, ErrorSuccess);
    for (const char* folder : {"Orvenik", "Orvenik/QVT"}) {
        struct stat st {};
        ASSERT_EQ(::stat(PathOf(folder).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u) << folder;
    }
}

TEST_F(FilesTest, LeftoversOfKilledSavesGoAndNeverBlockASave) {
    Make("data.dfm", "old");
    // Names a killed save of this very process id could have left, and one of another process.
    const std::string pid = std::to_string(::getpid());
    for (int i = 0; i < 64; ++i)
        Make("data.dfm." + pid + "-" + std::to_string(i) + ".new", "half");
    Make("data.dfm.1-0.new", "half");
    // A save in progress holds its staging file locked; it stays.
    Make("data.dfm.2-ab.new", "busy");
    const int busy = ::open(PathOf("data.dfm.2-ab.new").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(busy, LOCK_EX), 0);
    Make("data.dfm.notes", "mine"); // not a staging name

    ASSERT_EQ(Files().WriteFileReplacing(PathOf("data.dfm"), Bytes("new")), ErrorSuccess);
    EXPECT_EQ(Read("data.dfm"), Bytes("new"));
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(temp_.Path()))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"data.dfm", "data.dfm.2-ab.new", "data.dfm.notes"}));
    ::close(busy);
}

TEST_F(FilesTest, TheLockFileIsNeverOpenedThroughALink) {
    ASSERT_EQ(::symlink(PathOf("elsewhere").c_str(), PathOf("qvt.dfm.lock").c_str()), 0);
    LockHandle handle = InvalidLockHandle;
    EXPECT_EQ(FileLocks().TryLock(PathOf("qvt.dfm.lock"), &handle), ErrorAccessDenied);
    EXPECT_EQ(handle, InvalidLockHandle);
    EXPECT_FALSE(std::filesystem::exists(PathOf("elsewhere")));

    // The folder may be a link: only the lock file itself is never followed.
    std::filesystem::create_directory(PathOf("real"));
    std::filesystem::create_directory_symlink(PathOf("real"), PathOf("linked"));
    ASSERT_EQ(FileLocks().TryLock(PathOf("linked/qvt.dfm.lock"), &handle), ErrorSuccess);
    EXPECT_TRUE(std::filesystem::exists(PathOf("real/qvt.dfm.lock")));
    FileLocks().Unlock(handle);
}

TEST_F(FilesTest, FileLockGoesWithItsProcess) {
    const std::string lock = PathOf("qvt.dfm.lock");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        LockHandle handle = InvalidLockHandle;
        const char result = FileLocks().TryLock(lock, &handle) == ErrorSuccess ? 'y' : 'n';
        [[maybe_unused]] const auto written = ::write(ready[1], &result, 1);
        ::pause(); // holds the lock until killed
        ::_exit(0);
    }
    char result = 0;
    ASSERT_EQ(::read(ready[0], &result, 1), 1);
    ASSERT_EQ(result, 'y');
    LockHandle handle = InvalidLockHandle;
    EXPECT_EQ(FileLocks().TryLock(lock, &handle), ErrorLockViolation);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(FileLocks().TryLock(lock, &handle), ErrorSuccess);
    FileLocks().Unlock(handle);
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST_F(FilesTest, FolderTreesAreCreatedWithTheirParents) {
    const std::string deep = temp_.Path().string() + "\\Orvenik\\QVT";
    ASSERT_EQ(Files().CreateDirectoryTree(deep), ErrorSuccess);
    EXPECT_TRUE(std::filesystem::is_directory(temp_.Path() / "Orvenik" / "QVT"));
    EXPECT_EQ(Files().CreateDirectoryTree(deep), ErrorAlreadyExists);
    Make("plain", "x");
    EXPECT_EQ(Files().CreateDirectoryTree(PathOf("plain")), ErrorAlreadyExists);
    EXPECT_EQ(Files().CreateDirectoryTree(PathOf("plain/below")), ErrorPathNotFound);
    EXPECT_EQ(Files().CreateDirectoryTree("relative/path"), ErrorBadPathname);
}

// A machine file is replaced by a new one that keeps the old one's permissions and owner.
TEST_F(FilesTest, AReplacedMachineFileKeepsItsModeAndOwnerAndANewOneTheUsersDefault) {
    Make("notes.txt", "old content");
    ::chmod(PathOf("notes.txt").c_str(), 0640);
    const bool ownerGiven = ::geteuid() == 0 && ::chown(PathOf("notes.txt").c_str(), 1234, 1235) == 0;
    struct stat before {};
    ::stat(PathOf("notes.txt").c_str(), &before);
    ASSERT_EQ(Files().WriteMachineFile(PathOf("notes.txt"), Bytes("new"), nullptr), ErrorSuccess);
    EXPECT_EQ(Read("notes.txt"), Bytes("new"));
    struct stat after {};
    ::stat(PathOf("notes.txt").c_str(), &after);
    EXPECT_NE(after.st_ino, before.st_ino) << "replaced, not written in place";
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    if (ownerGiven) {
        EXPECT_EQ(after.st_uid, 1234u);
    }

    const mode_t mask = ::umask(022);
    ::umask(mask);
    ASSERT_EQ(Files().WriteMachineFile(PathOf("fresh.txt"), Bytes("first"), nullptr), ErrorSuccess);
    ::stat(PathOf("fresh.txt").c_str(), &after);
    EXPECT_EQ(after.st_mode & 07777, 0666u & ~mask) << "not its owner's only, as the data file is";

    ::symlink(PathOf("notes.txt").c_str(), PathOf("link.txt").c_str());
    ASSERT_EQ(Files().WriteMachineFile(PathOf("link.txt"), Bytes("through"), nullptr), ErrorSuccess);
    EXPECT_TRUE(std::filesystem::is_symlink(PathOf("link.txt")));
    EXPECT_EQ(Read("notes.txt"), Bytes("through")) << "a link is followed";
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(temp_.Path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"fresh.txt", "link.txt", "notes.txt"}));
}

// A write that cannot grow the file fails like one on a full disk: whether the file was replaced
// or written in place, it keeps its old bytes and nothing is left beside it; so does one that
// fails partway.
TEST_F(FilesTest, AMachineFileWhoseWriteFailsIsLeftAsItWas) {
    const std::string old = "nineteen bytes here";
    Make("notes.txt", old);
    Make("linked.txt", old);
    std::filesystem::create_hard_link(PathOf("linked.txt"), PathOf("other-name.txt"));
    const std::string large(4096, 'x');
    const auto expectKept = [&](ErrorCode error) {
        for (const char* name : {"notes.txt", "linked.txt"}) {
            SCOPED_TRACE(name);
            bool unchanged = false;
            EXPECT_EQ(Files().WriteMachineFile(PathOf(name), Bytes(large), &unchanged), error);
            EXPECT_TRUE(unchanged);
            EXPECT_EQ(Read(name), Bytes(old));
        }
    };
    {
        const prolamo::test::FileSizeLimit limit(1024);
        expectKept(ErrorFileTooLarge);
    }
    {
        const prolamo::test::FileWritesFailAfter full(1000); // partway, on a disk that fills up
        expectKept(ErrorDiskFull);
    }
    EXPECT_EQ(Read("other-name.txt"), Bytes(old));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp_.Path()), {}), 3);
}

TEST_F(FilesTest, AMappedFileCutShortWhileReadEndsTheProcessWithTheGivenMessageAndCode) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Make("cut.bin", std::string(3 * 4096, 'x'));
    const auto readCutShort = [&] {
        Session().EndWhenAMappedFileIsCutShort("the file was cut short\n", 42);
        std::shared_ptr<const FileBytes> bytes;
        if (Files().ReadFileBytes(PathOf("cut.bin"), FileReading::Mapped, &bytes) != ErrorSuccess)
            std::_Exit(1);
        std::filesystem::resize_file(PathOf("cut.bin"), 0);
        volatile std::uint8_t last = bytes->Bytes().back();
        static_cast<void>(last);
        std::_Exit(0);
    };
    EXPECT_EXIT(readCutShort(), ::testing::ExitedWithCode(42), "the file was cut short");
}

// A disk that fills up partway through a write: a plain write leaves what it put down, as
// WriteFile does; a replacing write leaves the old file whole.
TEST_F(FilesTest, AWriteThatFailsPartwayIsTheFullDiskAndOnlyAPlainWriteLeavesItsPart) {
    const std::string old = "nineteen bytes here";
    Make("plain.txt", old);
    Make("replaced.txt", old);
    const std::string large(4096, 'x');
    {
        const prolamo::test::FileWritesFailAfter full(1000);
        EXPECT_EQ(Files().WriteWholeFile(PathOf("plain.txt"), Bytes(large)), ErrorDiskFull);
        EXPECT_EQ(Read("plain.txt"), Bytes(large.substr(0, 1000)));
        EXPECT_EQ(Files().WriteFileReplacing(PathOf("replaced.txt"), Bytes(large)), ErrorDiskFull);
        EXPECT_EQ(Read("replaced.txt"), Bytes(old));
        const std::string fits = large.substr(0, 1000);
        EXPECT_EQ(Files().WriteFileReplacing(PathOf("replaced.txt"), Bytes(fits)), ErrorSuccess)
            << "each write has the room";
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp_.Path()), {}), 2) << "nothing left beside";
    ASSERT_EQ(Files().WriteFileReplacing(PathOf("replaced.txt"), Bytes(large)), ErrorSuccess);
    EXPECT_EQ(Read("replaced.txt"), Bytes(large)) << "the room is back";
}

} // namespace
} // namespace prolamo::os::test

// Files, file locks and folders as both backends must answer them.

#include "Backend.h"

#include "os/FileLock.h"
#include "os/Files.h"
#include "os/Folders.h"
#include "os/Text.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace prolamo::os::contract {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

std::string FileNameOf(const std::string& path) {
    return path.substr(path.find_last_of("\\/") + 1);
}

class FilesContract : public BackendTest {
protected:
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(Folder()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::vector<std::uint8_t> Read(const std::string& path) {
        std::vector<std::uint8_t> content;
        EXPECT_EQ(Files().ReadWholeFile(path, &content), ErrorSuccess);
        return content;
    }
};

TEST_F(FilesContract, AttributesTellFilesFoldersAndWhatIsMissing) {
    WriteAll(PathOf("file.txt"), "x");
    std::uint32_t attributes = 0;
    ASSERT_EQ(Files().GetFileAttributes(PathOf("file.txt"), &attributes), ErrorSuccess);
    EXPECT_EQ(attributes & FileAttributeDirectory, 0u);
    ASSERT_EQ(Files().GetFileAttributes(FolderPath(), &attributes), ErrorSuccess);
    EXPECT_NE(attributes & FileAttributeDirectory, 0u);
    SetReadOnly(PathOf("file.txt"), true);
    ASSERT_EQ(Files().GetFileAttributes(PathOf("file.txt"), &attributes), ErrorSuccess);
    EXPECT_NE(attributes & FileAttributeReadonly, 0u);

    EXPECT_EQ(Files().GetFileAttributes(PathOf("missing.txt"), &attributes), ErrorFileNotFound);
    EXPECT_EQ(attributes, InvalidFileAttributes);
    EXPECT_EQ(Files().GetFileAttributes(PathOf("missing/file.txt"), &attributes), ErrorPathNotFound);
}

TEST_F(FilesContract, AStampChangesWithEveryReplacingWriteEvenOfTheSameSize) {
    const std::string path = PathOf("data.dfm");
    FileStamp stamp{1, 2, 3};
    EXPECT_EQ(Files().GetFileStamp(path, &stamp), ErrorFileNotFound);
    EXPECT_EQ(stamp, FileStamp{});
    EXPECT_EQ(Files().GetFileStamp(PathOf("missing/data.dfm"), &stamp), ErrorPathNotFound);

    ASSERT_EQ(Files().WriteFileReplacing(path, Bytes("first")), ErrorSuccess);
    FileStamp first;
    ASSERT_EQ(Files().GetFileStamp(path, &first), ErrorSuccess);
    EXPECT_EQ(first.size, 5u);
    FileStamp again;
    ASSERT_EQ(Files().GetFileStamp(path, &again), ErrorSuccess);
    EXPECT_EQ(again, first);
    // Two writes in one tick of a coarse clock must still differ.
    FileStamp previous = first;
    for (const char* text : {"again", "third", "forth"}) {
        ASSERT_EQ(Files().WriteFileReplacing(path, Bytes(text)), ErrorSuccess);
        FileStamp now;
        ASSERT_EQ(Files().GetFileStamp(path, &now), ErrorSuccess);
        EXPECT_NE(now, previous) << text;
        previous = now;
    }
}

TEST_F(FilesContract, WholeFilesRoundTripEveryByteAndRewritingTruncates) {
    std::vector<std::uint8_t> content = Bytes("line one\r\nline two\n");
    for (int b = 0; b < 256; ++b)
        content.push_back(static_cast<std::uint8_t>(b));
    const std::string path = PathOf("data.bin");
    ASSERT_EQ(Files().WriteWholeFile(path, content), ErrorSuccess);
    EXPECT_EQ(Read(path), content);
    ASSERT_EQ(Files().WriteWholeFile(path, Bytes("ab")), ErrorSuccess);
    EXPECT_EQ(Read(path), Bytes("ab"));
    ASSERT_EQ(Files().WriteWholeFile(path, {}), ErrorSuccess);
    EXPECT_TRUE(Read(path).empty());
}

TEST_F(FilesContract, FailuresCarryTheCodesWindowsGives) {
    std::vector<std::uint8_t> content;
    std::filesystem::create_directory(Folder() / "sub");
    EXPECT_EQ(Files().ReadWholeFile(PathOf("missing.txt"), &content), ErrorFileNotFound);
    EXPECT_EQ(Files().ReadWholeFile(PathOf("nofolder/missing.txt"), &content), ErrorPathNotFound);
    EXPECT_EQ(Files().ReadWholeFile(PathOf("sub"), &content), ErrorAccessDenied);
    EXPECT_EQ(Files().WriteWholeFile(PathOf("nofolder/new.txt"), Bytes("x")), ErrorPathNotFound);
    EXPECT_FALSE(std::filesystem::exists(Folder() / "nofolder"));
    EXPECT_EQ(Files().WriteWholeFile(PathOf("sub"), Bytes("x")), ErrorAccessDenied);
    EXPECT_EQ(Files().DeleteFile(PathOf("missing.txt")), ErrorFileNotFound);
    EXPECT_EQ(Files().DeleteFile(PathOf("nofolder/missing.txt")), ErrorPathNotFound);
    EXPECT_EQ(Files().DeleteFile(PathOf("sub")), ErrorAccessDenied);
    EXPECT_TRUE(std::filesystem::is_directory(Folder() / "sub"));

    WriteAll(PathOf("gone.txt"), "x");
    EXPECT_EQ(Files().DeleteFile(PathOf("gone.txt")), ErrorSuccess);
    EXPECT_FALSE(std::filesystem::exists(Folder() / "gone.txt"));
}

TEST_F(FilesContract, AFileLargerThanTheReadersLimitIsRefusedUnread) {
    WriteAll(PathOf("five.txt"), "12345");
    std::vector<std::uint8_t> content = Bytes("old");
    EXPECT_EQ(Files().ReadWholeFile(PathOf("five.txt"), &content, 4), ErrorFileTooLarge);
    EXPECT_TRUE(content.empty());
    EXPECT_EQ(Files().ReadWholeFile(PathOf("five.txt"), &content, 5), ErrorSuccess);
    EXPECT_EQ(content, Bytes("12345"));
}

TEST_F(FilesContract, ADeviceIsNeitherReadNorWrittenAsAFile) {
    std::vector<std::uint8_t> content = Bytes("old");
    EXPECT_EQ(Files().ReadWholeFile(NullDevicePath(), &content), ErrorInvalidFunction);
    EXPECT_TRUE(content.empty());
    EXPECT_EQ(Files().WriteWholeFile(NullDevicePath(), Bytes("x")), ErrorInvalidFunction);
}

TEST_F(FilesContract, AFileOpenForWritingIsNotReadWrittenOrDeleted) {
    WriteAll(PathOf("busy.txt"), "content");
    {
        const FileHeldOpen writer(PathOf("busy.txt"));
        ASSERT_TRUE(writer.Held());
        std::vector<std::uint8_t> content;
        EXPECT_EQ(Files().ReadWholeFile(PathOf("busy.txt"), &content), ErrorSharingViolation);
        EXPECT_EQ(Files().WriteWholeFile(PathOf("busy.txt"), Bytes("other")), ErrorSharingViolation);
        EXPECT_EQ(Files().WriteFileReplacing(PathOf("busy.txt"), Bytes("other")), ErrorSharingViolation);
        EXPECT_EQ(Files().WriteMachineFile(PathOf("busy.txt"), Bytes("other"), nullptr), ErrorSharingViolation);
        EXPECT_EQ(Files().DeleteFile(PathOf("busy.txt")), ErrorSharingViolation);
    }
    EXPECT_EQ(Read(PathOf("busy.txt")), Bytes("content")) << "the refused writes did not touch it";
    EXPECT_EQ(Entries(), (std::vector<std::string>{"busy.txt"})) << "no replacement file is left behind";
}

// Both ways of reading a file's bytes at once: the same open, checks and sharing as ReadWholeFile.
TEST_F(FilesContract, FileBytesAreTheWholeFileInEitherReadingWithReadWholeFilesRefusals) {
    std::vector<std::uint8_t> content;
    for (int i = 0; i < 3 * 4096 + 5; ++i)
        content.push_back(static_cast<std::uint8_t>(i * 7));
    ASSERT_EQ(Files().WriteWholeFile(PathOf("data.bin"), content), ErrorSuccess);
    WriteAll(PathOf("empty.bin"), "");
    WriteAll(PathOf("five.txt"), "12345");
    std::filesystem::create_directory(Folder() / "sub");
    for (const FileReading reading : {FileReading::Copy, FileReading::Mapped}) {
        SCOPED_TRACE(reading == FileReading::Copy ? "copy" : "mapped");
        std::shared_ptr<const FileBytes> bytes;
        ASSERT_EQ(Files().ReadFileBytes(PathOf("data.bin"), reading, &bytes), ErrorSuccess);
        EXPECT_EQ(std::vector<std::uint8_t>(bytes->Bytes().begin(), bytes->Bytes().end()), content);
        ASSERT_EQ(Files().ReadFileBytes(PathOf("empty.bin"), reading, &bytes), ErrorSuccess);
        EXPECT_TRUE(bytes->Bytes().empty());

        EXPECT_EQ(Files().ReadFileBytes(PathOf("five.txt"), reading, &bytes, 4), ErrorFileTooLarge);
        EXPECT_EQ(bytes, nullptr);
        EXPECT_EQ(Files().ReadFileBytes(PathOf("missing.txt"), reading, &bytes), ErrorFileNotFound);
        EXPECT_EQ(Files().ReadFileBytes(PathOf("sub"), reading, &bytes), ErrorAccessDenied);
        EXPECT_EQ(Files().ReadFileBytes(NullDevicePath(), reading, &bytes), ErrorInvalidFunction);
        const FileHeldOpen writer(PathOf("five.txt"));
        ASSERT_TRUE(writer.Held());
        EXPECT_EQ(Files().ReadFileBytes(PathOf("five.txt"), reading, &bytes), ErrorSharingViolation);
    }
}

// A copy keeps what was read whatever happens to the file; either reading keeps it through a
// replacing save, which is how the data file changes.
TEST_F(FilesContract, FileBytesHeldKeepWhatWasRead) {
    const auto text = [](const std::shared_ptr<const FileBytes>& bytes) {
        return std::string(bytes->Bytes().begin(), bytes->Bytes().end());
    };
    WriteAll(PathOf("qvt.dfm"), "first content");
    std::shared_ptr<const FileBytes> copy;
    ASSERT_EQ(Files().ReadFileBytes(PathOf("qvt.dfm"), FileReading::Copy, &copy), ErrorSuccess);
    ASSERT_EQ(Files().WriteWholeFile(PathOf("qvt.dfm"), Bytes("other content")), ErrorSuccess);
    EXPECT_EQ(text(copy), "first content") << "rewritten in place";

    for (const FileReading reading : {FileReading::Copy, FileReading::Mapped}) {
        std::shared_ptr<const FileBytes> held;
        ASSERT_EQ(Files().ReadFileBytes(PathOf("qvt.dfm"), reading, &held), ErrorSuccess);
        ASSERT_EQ(Files().WriteFileReplacing(PathOf("qvt.dfm"), Bytes("later content")), ErrorSuccess);
        EXPECT_EQ(text(held), "other content") << "replaced, " << (reading == FileReading::Copy ? "copy" : "mapped");
        ASSERT_EQ(Files().WriteFileReplacing(PathOf("qvt.dfm"), Bytes("other content")), ErrorSuccess);
    }
}

TEST_F(FilesContract, ReadOnlyFilesAreNotOverwritten) {
    WriteAll(PathOf("locked.txt"), "keep");
    SetReadOnly(PathOf("locked.txt"), true);
    if (const std::string reason = ReadOnlyWritesAllowedReason(); !reason.empty())
        GTEST_SKIP() << reason;
    EXPECT_EQ(Files().WriteWholeFile(PathOf("locked.txt"), Bytes("lost")), ErrorAccessDenied);
    EXPECT_EQ(Files().WriteFileReplacing(PathOf("locked.txt"), Bytes("lost")), ErrorAccessDenied);
    EXPECT_EQ(Files().WriteMachineFile(PathOf("locked.txt"), Bytes("lost"), nullptr), ErrorAccessDenied);
    EXPECT_EQ(Read(PathOf("locked.txt")), Bytes("keep"));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"locked.txt"})) << "no replacement file is left behind";
    SetReadOnly(PathOf("locked.txt"), false);
    EXPECT_EQ(Files().WriteWholeFile(PathOf("locked.txt"), Bytes("now")), ErrorSuccess);
    EXPECT_EQ(Read(PathOf("locked.txt")), Bytes("now"));
}

TEST_F(FilesContract, ReplacingWriteSwapsInTheNewContentAndLeavesNothingBehind) {
    WriteAll(PathOf("qvt.dfm"), "old content");
    ASSERT_EQ(Files().WriteFileReplacing(PathOf("qvt.dfm"), Bytes("new")), ErrorSuccess);
    EXPECT_EQ(Read(PathOf("qvt.dfm")), Bytes("new"));
    ASSERT_EQ(Files().WriteFileReplacing(PathOf("fresh.dfm"), Bytes("first")), ErrorSuccess);
    EXPECT_EQ(Read(PathOf("fresh.dfm")), Bytes("first"));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"fresh.dfm", "qvt.dfm"}));
    EXPECT_EQ(Files().WriteFileReplacing(PathOf("nofolder/qvt.dfm"), Bytes("x")), ErrorPathNotFound);
}

// A machine file is replaced whole; one with other names is written in place, so that they all
// see the new content.
TEST_F(FilesContract, AMachineFileIsWrittenWholeAndItsOtherNamesSeeIt) {
    WriteAll(PathOf("hosts"), "127.0.0.1 localhost\r\n");
    WriteAll(PathOf("hosts.1-0.new"), "a killed writer's");
    ASSERT_EQ(Files().WriteMachineFile(PathOf("hosts"), Bytes("10.0.0.1 server\r\n"), nullptr), ErrorSuccess);
    EXPECT_EQ(Read(PathOf("hosts")), Bytes("10.0.0.1 server\r\n"));
    ASSERT_EQ(Files().WriteMachineFile(PathOf("new.txt"), {}, nullptr), ErrorSuccess);
    EXPECT_EQ(Read(PathOf("new.txt")), Bytes(""));

    WriteAll(PathOf("linked.txt"), "a longer old content");
    std::filesystem::create_hard_link(Folder() / "linked.txt", Folder() / "second.txt");
    ASSERT_EQ(Files().WriteMachineFile(PathOf("linked.txt"), Bytes("short"), nullptr), ErrorSuccess);
    EXPECT_EQ(Read(PathOf("linked.txt")), Bytes("short"));
    EXPECT_EQ(Read(PathOf("second.txt")), Bytes("short")) << "still one file under two names";
    EXPECT_EQ(Entries(), (std::vector<std::string>{"hosts", "linked.txt", "new.txt", "second.txt"}));

    EXPECT_EQ(Files().WriteMachineFile(PathOf("nofolder/x.txt"), Bytes("x"), nullptr), ErrorPathNotFound);
    std::filesystem::create_directory(Folder() / "sub");
    EXPECT_EQ(Files().WriteMachineFile(PathOf("sub"), Bytes("x"), nullptr), ErrorAccessDenied);
    EXPECT_EQ(Files().WriteMachineFile(NullDevicePath(), Bytes("x"), nullptr), ErrorInvalidFunction);
}

TEST_F(FilesContract, LeftoversOfKilledSavesAreRemovedAtTheNextSave) {
    WriteAll(PathOf("qvt.dfm"), "old");
    WriteAll(PathOf("qvt.dfm.1-0.new"), "half");
    WriteAll(PathOf("qvt.dfm.4242-1f.new"), "half");
    WriteAll(PathOf("qvt.dfm.notes"), "mine");
    WriteAll(PathOf("other.dfm.1-0.new"), "another file's");
    ASSERT_EQ(Files().WriteFileReplacing(PathOf("qvt.dfm"), Bytes("new")), ErrorSuccess);
    EXPECT_EQ(Read(PathOf("qvt.dfm")), Bytes("new"));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"other.dfm.1-0.new", "qvt.dfm", "qvt.dfm.notes"}));
}

TEST_F(FilesContract, FolderTreesAreCreatedWithTheirParentsOnce) {
    const std::string deep = FolderPath() + "\\Orvenik\\QVT";
    ASSERT_EQ(Files().CreateDirectoryTree(deep), ErrorSuccess);
    EXPECT_TRUE(std::filesystem::is_directory(Folder() / "Orvenik" / "QVT"));
    EXPECT_EQ(Files().CreateDirectoryTree(deep), ErrorAlreadyExists);
    WriteAll(PathOf("plain"), "x");
    EXPECT_EQ(Files().CreateDirectoryTree(PathOf("plain")), ErrorAlreadyExists);
    EXPECT_EQ(Files().CreateDirectoryTree("relative\\path"), ErrorBadPathname);
}

TEST_F(FilesContract, AFileLockHasOneHolderAtATime) {
    const std::string lock = PathOf("qvt.dfm.lock");
    LockHandle first = InvalidLockHandle, second = InvalidLockHandle;
    ASSERT_EQ(FileLocks().TryLock(lock, &first), ErrorSuccess);
    EXPECT_TRUE(std::filesystem::exists(Folder() / "qvt.dfm.lock"));
    EXPECT_EQ(FileLocks().TryLock(lock, &second), ErrorLockViolation);
    EXPECT_EQ(second, InvalidLockHandle);
    FileLocks().Unlock(first);
    ASSERT_EQ(FileLocks().TryLock(lock, &second), ErrorSuccess);
    FileLocks().Unlock(second);
    EXPECT_EQ(FileLocks().TryLock(PathOf("nofolder/x.lock"), &first), ErrorPathNotFound);
}

TEST_F(FilesContract, AFileLockHoldsWhenItsFileIsDeleted) {
    const std::string lock = PathOf("qvt.dfm.lock");
    LockHandle first = InvalidLockHandle, second = InvalidLockHandle;
    ASSERT_EQ(FileLocks().TryLock(lock, &first), ErrorSuccess);
    Files().DeleteFile(lock); // refused where the held file cannot be deleted
    EXPECT_EQ(FileLocks().TryLock(lock, &second), ErrorLockViolation);
    FileLocks().Unlock(first);
    ASSERT_EQ(FileLocks().TryLock(lock, &second), ErrorSuccess);
    FileLocks().Unlock(second);
}

using FoldersContract = BackendTest;

TEST_F(FoldersContract, PathsComeWithTheirLengthOrTheRoomTheyNeed) {
    char16_t buffer[MaxPath];
    std::uint32_t length = 0;
    ASSERT_EQ(Folders().GetTempPath(buffer, MaxPath, &length), ErrorSuccess);
    const std::u16string temp(buffer, length);
    ASSERT_FALSE(temp.empty());
    EXPECT_TRUE(temp.back() == u'\\' || temp.back() == u'/');
    std::uint32_t needed = 0;
    EXPECT_EQ(Folders().GetTempPath(buffer, length, &needed), ErrorInsufficientBuffer);
    EXPECT_EQ(needed, length + 1);

    ASSERT_EQ(Folders().GetSystemDirectory(buffer, MaxPath, &length), ErrorSuccess);
    const std::string system = Utf16ToUtf8(std::u16string(buffer, length));
    EXPECT_EQ(system.size(), length);
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(std::u8string(system.begin(), system.end()))))
        << system;
    EXPECT_EQ(Folders().GetSystemDirectory(buffer, 3, &needed), ErrorInsufficientBuffer);
    EXPECT_EQ(needed, length + 1);
}

TEST_F(FoldersContract, TemporaryFilesAreNewEmptyAndNamedFromThePrefix) {
    const std::u16string folder = Utf8ToUtf16(FolderPath());
    std::u16string first, second;
    ASSERT_EQ(Folders().GetTempFileName(folder, u"qvtx", 0, &first), ErrorSuccess);
    ASSERT_EQ(Folders().GetTempFileName(folder, u"qvtx", 0, &second), ErrorSuccess);
    EXPECT_NE(first, second);
    for (const std::u16string& name : {first, second}) {
        const std::string path = Utf16ToUtf8(name);
        const std::string file = FileNameOf(path);
        EXPECT_EQ(path.substr(0, FolderPath().size()), FolderPath());
        EXPECT_EQ(file.substr(0, 3), "qvt") << file;
        EXPECT_NE(file[3], 'x') << file << ": only three characters of the prefix";
        EXPECT_EQ(CompareLocale(file.substr(file.size() - 4), ".tmp", true), 0) << file;
        std::uint32_t attributes = 0;
        ASSERT_EQ(Files().GetFileAttributes(path, &attributes), ErrorSuccess) << path;
        EXPECT_EQ(attributes & FileAttributeDirectory, 0u);
        std::vector<std::uint8_t> content{1};
        ASSERT_EQ(Files().ReadWholeFile(path, &content), ErrorSuccess);
        EXPECT_TRUE(content.empty());
    }

    // With a number of its own the name is only formed, from its low 16 bits.
    std::u16string formed;
    ASSERT_EQ(Folders().GetTempFileName(folder, u"qvt", 0x5ABCD, &formed), ErrorSuccess);
    const std::string formedPath = Utf16ToUtf8(formed);
    EXPECT_EQ(formedPath.substr(0, FolderPath().size()), FolderPath());
    EXPECT_EQ(CompareLocale(FileNameOf(formedPath), "qvtabcd.tmp", true), 0) << formedPath;
    std::uint32_t attributes = 0;
    EXPECT_EQ(Files().GetFileAttributes(formedPath, &attributes), ErrorFileNotFound);
}

TEST_F(FoldersContract, TheRoamingApplicationDataFolderIsKnown) {
    char16_t path[MaxPath] = {};
    ASSERT_EQ(Folders().SHGetFolderPath(CsidlAppData, 0, path), SOk);
    const std::u16string appData(path);
    EXPECT_FALSE(appData.empty());
    EXPECT_NE(appData.back(), u'\\') << "no trailing separator";
}

} // namespace
} // namespace prolamo::os::contract

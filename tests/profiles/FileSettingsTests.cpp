#include "support/FileSizeLimit.h"
#include "support/SimulatedMachine.h"
#include "support/StreamChecks.h"
#include "support/TestKinds.h"

#include "classes/uHelpers.h"
#include "framework/Exceptions.h"
#include "framework/Stream.h"
#include "os/Files.h"
#include "os/Folders.h"
#include "profiles/uConfigTransfer.h"
#include "profiles/uFileSettings.h"
#include "profiles/uNetworkSettings.h"
#include "profiles/uProfileUtils.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

using namespace prolamo;
using namespace prolamo::test;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteFile(const std::string& path, std::string_view text) {
    WriteFile(path, Bytes(text.begin(), text.end()));
}

bool Contains(const Bytes& haystack, std::string_view needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

// The stored form of a value's properties, as the data file holds them.
Bytes StoredProperties(TSettingValue& value) {
    Bytes out;
    TWriter writer(out);
    writer.WriteProperties(value);
    writer.WriteListEnd();
    return out;
}

class FileSettingTest : public SimulatedMachineTest {
protected:
    void SetUp() override { RegisterTestKinds(); }

    static std::unique_ptr<TFileSetting> Setting(const std::string& path) {
        auto setting = std::make_unique<TFileSetting>();
        setting->SetFileName(path);
        return setting;
    }
    std::unique_ptr<TFileSettingValue> Capture(TAbstractFileSetting& setting) {
        std::unique_ptr<TSettingValue> value = setting.CreateValue();
        return std::unique_ptr<TFileSettingValue>(static_cast<TFileSettingValue*>(value.release()));
    }
    std::string HintOf(const std::string& content) {
        const std::string path = temp_ / "hint.txt";
        WriteFile(path, content);
        auto setting = Setting(path);
        return Capture(*setting)->GetHint();
    }
    static bool RunningAsRoot() { return ::geteuid() == 0; }

    TCheckResultList results;
};

} // namespace

TEST_F(FileSettingTest, KindsDescribeThemselves) {
    const TSettingClass& file = TFileSetting::StaticClass();
    EXPECT_EQ(file.GetCaption(), "File");
    EXPECT_EQ(file.GetDescription(), "Any file on a local or network drive");
    EXPECT_EQ(file.GetCategory(), "Others");
    EXPECT_EQ(file.GetImageIndex(), 5);
    ASSERT_NE(file.GetEditorClass(), nullptr);
    EXPECT_NE(dynamic_cast<TFileSettingEditor*>(file.GetEditorClass()().get()), nullptr);

    const TSettingClass& hosts = THostsFileSetting::StaticClass();
    EXPECT_EQ(hosts.GetCaption(), "Hosts file");
    EXPECT_EQ(hosts.GetDescription(), "IP addresses of frequently used remote hosts");
    EXPECT_EQ(hosts.GetCategory(), "Network");
    EXPECT_EQ(hosts.GetImageIndex(), 4);
    EXPECT_EQ(hosts.GetEditorClass(), nullptr);
    EXPECT_EQ(THostsFileSetting().GetDisplayText(), "Hosts file");

    EXPECT_EQ(Setting("/etc/hosts")->GetDisplayText(), "File (hosts)");
    EXPECT_EQ(Setting("hosts")->GetDetails(), "hosts");
    EXPECT_EQ(Setting("/etc/")->GetDetails(), "");
    EXPECT_EQ(TFileSetting().GetDisplayText(), "File");
}

TEST_F(FileSettingTest, InitialFolderKeepsOnlyARootsSeparator) {
    EXPECT_EQ(InitialFolderOf("/etc/hosts"), "/etc");
    EXPECT_EQ(InitialFolderOf("/hosts"), "/");
    EXPECT_EQ(InitialFolderOf("hosts"), "");
    EXPECT_EQ(InitialFolderOf(""), "");
    EXPECT_EQ(InitialFolderOf("//server/share/f"), "//server/share");
    EXPECT_EQ(InitialFolderOf("a//f"), "a//") << "a separator before the last one keeps it";
}

TEST_F(FileSettingTest, FoldersMissingPathsAndNewSettingsCaptureAsNoFile) {
    for (const std::string& path :
         {temp_.Path().string(), temp_ / "missing.txt", temp_ / "no/such/folder.txt", std::string()}) {
        auto setting = Setting(path);
        const auto value = Capture(*setting);
        EXPECT_FALSE(value->FileExists()) << path;
        EXPECT_EQ(value->ContentSize(), -1) << path;
        EXPECT_FALSE(value->HasContent()) << path;
        EXPECT_EQ(value->GetHint(), "No file") << path;
        EXPECT_EQ(value->CreatorId(), setting->Id());
    }
}

TEST_F(FileSettingTest, AnEmptyFileIsKeptAsSizeZeroWithoutContent) {
    const std::string path = temp_ / "empty.txt";
    WriteFile(path, "");
    auto setting = Setting(path);
    const auto value = Capture(*setting);
    EXPECT_TRUE(value->FileExists());
    EXPECT_EQ(value->ContentSize(), 0);
    EXPECT_FALSE(value->HasContent());
    EXPECT_EQ(value->GetHint(), "Empty file");

    const Bytes stored = StoredProperties(*value);
    EXPECT_TRUE(Contains(stored, "\x0A"
                                 "FileExists\x09"));
    EXPECT_TRUE(Contains(stored, std::string_view("\x0B"
                                                  "ContentSize\x02\x00",
                                                  14)));
    EXPECT_FALSE(Contains(stored, "\x07"
                                  "Content"))
        << "no binary block for an empty file";

    WriteFile(path, "something");
    setting->ApplyValue(*value, results);
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
}

TEST_F(FileSettingTest, HintShowsAtMost1024BytesOfText) {
    const std::string exact = std::string(1000, 'x') + "\r\n\tend" + std::string(18, 'y');
    ASSERT_EQ(exact.size(), 1024u);
    EXPECT_EQ(HintOf(exact), exact);
    EXPECT_EQ(HintOf(exact + "z"), exact + "...");
    EXPECT_EQ(HintOf("line one\nline two\n"), "line one\nline two\n") << "line breaks stay";
    EXPECT_EQ(HintOf("caf\xC3\xA9 \x7F\xFF"), "caf\xC3\xA9 \x7F\xFF") << "bytes of 127 and above are text";
}

TEST_F(FileSettingTest, ControlBytesInTheShownPartMakeABinaryFile) {
    EXPECT_EQ(HintOf("page one\fpage two"), "Binary file");
    EXPECT_EQ(HintOf(std::string("\0abc", 4)), "Binary file");
    EXPECT_EQ(HintOf("vertical\vtab"), "Binary file");
    EXPECT_EQ(HintOf("escape\x1B[0m"), "Binary file");
    EXPECT_EQ(HintOf(std::string(1023, 'a') + '\x1F'), "Binary file") << "the last shown byte counts";
    const std::string late = std::string(1024, 'a') + std::string("\0", 1);
    EXPECT_EQ(HintOf(late), std::string(1024, 'a') + "...") << "a zero after the shown part does not count";
}

TEST_F(FileSettingTest, ApplyRestoresTheBytesOrRemovesTheFile) {
    const std::string path = temp_ / "config.ini";
    Bytes original{'a', '\r', '\n', 0, 0xFF, 'b', '\n'};
    for (int i = 0; i < 5000; ++i)
        original.push_back(static_cast<std::uint8_t>(i * 7));
    WriteFile(path, original);
    auto setting = Setting(path);
    const auto present = Capture(*setting);
    EXPECT_EQ(present->ContentSize(), static_cast<std::int32_t>(original.size()));

    WriteFile(path, std::string(20000, 'z'));
    setting->ApplyValue(*present, results);
    EXPECT_EQ(ReadFile(path), original) << "replaced whole, byte for byte, also when it was longer";

    std::filesystem::remove(path);
    setting->ApplyValue(*present, results);
    EXPECT_EQ(ReadFile(path), original) << "created when absent";

    const std::string absentPath = temp_ / "absent.ini";
    auto absentSetting = Setting(absentPath);
    const auto absent = Capture(*absentSetting);
    WriteFile(absentPath, "appeared later");
    absentSetting->ApplyValue(*absent, results);
    EXPECT_FALSE(std::filesystem::exists(absentPath));
    EXPECT_EQ(results.Count(), 0u) << "this kind reports by raising only";
}

// An apply whose write fails, as on a full disk, keeps every old byte and says so in words.
TEST_F(FileSettingTest, AFailedWriteLeavesTheFileAsItWasAndSaysWhy) {
    const std::string path = temp_ / "notes.txt";
    WriteFile(path, std::string(8192, 'n'));
    auto setting = Setting(path);
    const auto large = Capture(*setting);
    const Bytes old{'n', 'i', 'n', 'e', 't', 'e', 'e', 'n', ' ', 'b', 'y', 't', 'e', 's', ' ', 'o', 'l', 'd', '\n'};
    WriteFile(path, old);
    std::string message;
    int code = 0;
    {
        const FileSizeLimit limit(4096);
        try {
            setting->ApplyValue(*large, results);
        } catch (const EInOutError& e) {
            message = e.Message();
            code = e.ErrorCode();
        }
    }
    EXPECT_EQ(code, static_cast<int>(os::ErrorFileTooLarge));
    EXPECT_EQ(message, "The file size exceeds the limit allowed and cannot be saved: notes.txt was left as it was");
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_EQ(WriteFailureReason(os::ErrorDiskFull), "The disk is full");
    EXPECT_EQ(WriteFailureReason(os::ErrorHandleDiskFull), "The disk is full");
}

TEST_F(FileSettingTest, NoFileAppliedToAnAbsentFileIsTheSystemErrorTwo) {
    auto setting = Setting(temp_ / "never.txt");
    const auto absent = Capture(*setting);
    try {
        setting->ApplyValue(*absent, results);
        FAIL() << "deleting an absent file must fail";
    } catch (const EOSError& e) {
        EXPECT_EQ(e.ErrorCode(), 2u);
        EXPECT_EQ(e.Message(), "System Error.  Code: 2.\nThe system cannot find the file specified");
    }
}

TEST_F(FileSettingTest, AMissingFolderIsTheFileErrorThree) {
    auto source = Setting(temp_ / "source->txt");
    WriteFile(source->GetFileName(), "text");
    const auto value = Capture(*source);
    auto target = Setting(temp_ / "no/such/folder/target->txt");
    try {
        target->ApplyValue(*value, results);
        FAIL() << "the folder is not created";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode(), 3);
        EXPECT_EQ(e.Message(), "Invalid filename");
    }
    EXPECT_FALSE(std::filesystem::exists(temp_ / "no"));
}

TEST_F(FileSettingTest, AReadOnlyFileIsNotOverwrittenAlsoForAnAdministrator) {
    Machine().SetAdministrator(true);
    const std::string path = temp_ / "protected.txt";
    WriteFile(path, "old");
    auto setting = Setting(path);
    auto value = Capture(*setting);
    WriteFile(path, "new");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read);
    EXPECT_EQ(MessageOf<EInOutError>([&] { setting->ApplyValue(*value, results); }),
              "File access denied. You may need administrative privileges");
    EXPECT_EQ(ReadFile(path), Bytes({'n', 'e', 'w'}));
}

TEST_F(FileSettingTest, AccessDeniedSuggestsAdministrativeRightsOnApplyOnly) {
    if (RunningAsRoot())
        GTEST_SKIP() << "root may read and write every file, so access cannot be denied";
    const std::string path = temp_ / "protected.txt";
    WriteFile(path, "old");
    auto setting = Setting(path);

    const std::string lockedFolder = temp_ / "locked";
    std::filesystem::create_directory(lockedFolder);
    WriteFile(lockedFolder + "/inside->txt", "x");
    std::filesystem::permissions(lockedFolder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    auto inside = Setting(lockedFolder + "/inside->txt");
    TFileSettingValue noFile;
    EXPECT_EQ(MessageOf<EOSError>([&] { inside->ApplyValue(noFile, results); }),
              "System Error.  Code: 5.\nAccess is denied. You may need administrative privileges");
    std::filesystem::permissions(lockedFolder, std::filesystem::perms::owner_all);

    std::filesystem::permissions(path, std::filesystem::perms::none);
    EXPECT_EQ(MessageOf<EInOutError>([&] { Capture(*setting); }), "File access denied") << "capture adds no hint";
}

TEST_F(FileSettingTest, PipesDevicesAndSocketsAreNeverOpenedForABlockingReadOrWrite) {
    const std::string fifo = temp_ / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string socketPath = temp_ / "socket";
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    TFileSettingValue someContent;
    someContent.SetFileExists(true);
    someContent.SetContentSize(0);
    for (const std::string& path : {fifo, socketPath, std::string("/dev/null"), std::string("/dev/zero")}) {
        auto setting = Setting(path);
        const std::string message =
            path + " is a device, a pipe or a socket, not a file; it is neither read nor written";
        EXPECT_EQ(MessageOf<EInOutError>([&] { Capture(*setting); }), message);
        EXPECT_EQ(MessageOf<EInOutError>([&] { setting->ApplyValue(someContent, results); }), message);
        EXPECT_EQ(MessageOf<EInOutError>([&] { setting->ApplyValue(TFileSettingValue(), results); }), message);
    }
    ::close(listener);
    // A reader of the pipe sees nothing written to it.
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(os::Files().WriteWholeFile(fifo, Bytes{'x'}), os::ErrorInvalidFunction);
    char byte = 0;
    EXPECT_LE(::read(reader, &byte, 1), 0);
    ::close(reader);
}

TEST_F(FileSettingTest, AFolderIsNoFileAtCaptureAndAClearErrorAtApply) {
    const std::string folder = temp_ / "folder";
    std::filesystem::create_directory(folder);
    auto setting = Setting(folder);
    EXPECT_FALSE(Capture(*setting)->FileExists());
    TFileSettingValue someContent;
    someContent.SetFileExists(true);
    someContent.SetContentSize(0);
    EXPECT_EQ(MessageOf<EInOutError>([&] { setting->ApplyValue(someContent, results); }),
              folder + " is a folder, not a file");
    EXPECT_EQ(MessageOf<EInOutError>([&] { setting->ApplyValue(TFileSettingValue(), results); }),
              folder + " is a folder, not a file")
        << "not the access denied of deleting a folder";
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST_F(FileSettingTest, AFileTooLargeToHoldIsRefusedBeforeItIsRead) {
    const std::string path = temp_ / "sparse.img";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t{3} << 30), 0); // 3 GB of nothing: no disk, but no buffer either
    ::close(fd);
    auto setting = Setting(path);
    EXPECT_EQ(MessageOf<EInOutError>([&] { Capture(*setting); }),
              path + " is larger than the 2 GB a File setting can hold");
}

TEST_F(FileSettingTest, AFileOpenForWritingCannotBeCaptured) {
    const std::string path = temp_ / "busy.log";
    WriteFile(path, "being written");
    const int fd = ::open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    auto setting = Setting(path);
    try {
        Capture(*setting);
        ADD_FAILURE() << "the writer does not share the file";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode(), 32);
        EXPECT_EQ(e.Message(), "I/O error 32");
    }
    ::close(fd);
}

TEST_F(FileSettingTest, RefreshReadsWithoutTouchingTheFile) {
    const std::string path = temp_ / "watched.txt";
    WriteFile(path, "content\r\n");
    const auto before = std::filesystem::last_write_time(path);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    const auto modeBefore = st.st_mode;

    TConfiguration configuration;
    auto added = std::make_unique<TFileSetting>();
    added->SetFileName(path);
    configuration.AddSetting(std::move(added));
    TConfigurationProfile& profile = configuration.Profiles().Add(configuration.Profiles().NewProfile());
    profile.RefreshAll();
    profile.RefreshAll();

    EXPECT_EQ(ReadFile(path), (Bytes{'c', 'o', 'n', 't', 'e', 'n', 't', '\r', '\n'}));
    EXPECT_EQ(std::filesystem::last_write_time(path), before);
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode, modeBefore);
    ASSERT_EQ(profile.Values().Count(), 1u);
    EXPECT_EQ(profile.Values()[0].GetHint(), "content\r\n");
}

TEST_F(FileSettingTest, ValuesSurviveTheDataFileAndCopies) {
    const std::string contentPath = temp_ / "data.bin";
    Bytes content;
    for (int i = 0; i < 3000; ++i)
        content.push_back(static_cast<std::uint8_t>(i % 256));
    WriteFile(contentPath, content);
    WriteFile(temp_ / "empty", "");
    const std::string dataFile = temp_ / "Orvenik/QVT/qvt.dfm";
    {
        TPersistentData data;
        auto& saved = static_cast<TConfigurations&>(data.InsertComponent(std::make_unique<TConfigurations>()));
        auto configuration = std::make_unique<TConfiguration>();
        configuration->SetName("Files");
        for (const std::string& path : {contentPath, temp_ / "empty", temp_ / "missing"}) {
            auto setting = std::make_unique<TFileSetting>();
            setting->SetFileName(path);
            configuration->AddSetting(std::move(setting));
        }
        configuration->AddSetting(std::make_unique<THostsFileSetting>());
        TConfiguration& stored = saved.Configurations().Add(std::move(configuration));
        stored.Profiles().Add(stored.Profiles().NewProfile()).RefreshAll();
        data.Load(dataFile);
        data.Save();
    }
    TPersistentData data;
    data.Load(dataFile);
    ASSERT_EQ(data.Components().size(), 1u);
    auto& root = static_cast<TConfigurations&>(*data.Components()[0]);
    ASSERT_EQ(root.Configurations().Count(), 1u);
    TConfiguration& configuration = root.Configurations()[0];
    ASSERT_EQ(configuration.Settings().Count(), 4u);
    EXPECT_EQ(static_cast<TFileSetting&>(configuration.Settings()[0]).GetFileName(), contentPath);
    EXPECT_EQ(&configuration.Settings()[3].ClassType(), &THostsFileSetting::StaticClass());
    ASSERT_EQ(configuration.Profiles().Count(), 1u);
    const TSettingValueList& values = configuration.Profiles()[0].Values();
    ASSERT_EQ(values.Count(), 4u);

    const auto& full = dynamic_cast<const TFileSettingValue&>(values[0]);
    EXPECT_TRUE(full.FileExists());
    EXPECT_EQ(full.ContentSize(), 3000);
    EXPECT_EQ(Bytes(full.Content().begin(), full.Content().end()), content);
    const auto& empty = dynamic_cast<const TFileSettingValue&>(values[1]);
    EXPECT_TRUE(empty.FileExists());
    EXPECT_EQ(empty.ContentSize(), 0);
    const auto& missing = dynamic_cast<const TFileSettingValue&>(values[2]);
    EXPECT_FALSE(missing.FileExists());
    EXPECT_EQ(missing.ContentSize(), -1);
    const auto& hosts = dynamic_cast<const TFileSettingValue&>(values[3]);
    EXPECT_EQ(Bytes(hosts.Content().begin(), hosts.Content().end()),
              ReadFile((Machine().SystemFolder() / "drivers/etc/hosts").string()));

    const std::unique_ptr<TSettingValue> copy = full.Clone();
    const auto& copied = dynamic_cast<const TFileSettingValue&>(*copy);
    EXPECT_EQ(copied.CreatorId(), full.CreatorId());
    EXPECT_EQ(Bytes(copied.Content().begin(), copied.Content().end()), content);
    EXPECT_EQ(copied.Content().data(), full.Content().data()) << "bytes that never change are shared";
}

TEST_F(FileSettingTest, LoadedContentSharesTheBytesReadWhichLiveAsLongAsAValueHoldsThem) {
    const std::string first = temp_ / "first.txt", second = temp_ / "second.bin";
    WriteFile(first, "first file\r\n");
    WriteFile(second, Bytes(5000, 0x5A));
    Bytes stored;
    {
        TPersistentData data;
        data.SetSaveOnFree(false);
        auto& root = static_cast<TConfigurations&>(data.InsertComponent(std::make_unique<TConfigurations>()));
        auto configuration = std::make_unique<TConfiguration>();
        configuration->SetName("Files");
        configuration->AddSetting(Setting(first));
        configuration->AddSetting(Setting(second));
        TConfiguration& added = root.Configurations().Add(std::move(configuration));
        added.Profiles().Add(added.Profiles().NewProfile()).RefreshAll();
        stored = WriteComponentResource(data);
    }
    auto valueOf = [](TPersistentData& data, std::size_t index) -> const TFileSettingValue& {
        const auto& root = static_cast<const TConfigurations&>(*data.Components().at(0));
        return dynamic_cast<const TFileSettingValue&>(root.Configurations()[0].Profiles()[0].Values()[index]);
    };

    auto buffer = std::make_shared<const Bytes>(stored);
    const std::weak_ptr<const Bytes> watched = buffer;
    std::unique_ptr<TSettingValue> kept;
    {
        TPersistentData loaded;
        loaded.SetSaveOnFree(false);
        ReadComponentResource(*buffer, buffer, loaded, true);
        for (std::size_t i : {0u, 1u}) {
            const auto content = valueOf(loaded, i).Content();
            ASSERT_FALSE(content.empty());
            EXPECT_GE(content.data(), buffer->data()) << "value " << i << " points into the bytes read";
            EXPECT_LE(content.data() + content.size(), buffer->data() + buffer->size());
        }
        EXPECT_EQ(Bytes(valueOf(loaded, 0).Content().begin(), valueOf(loaded, 0).Content().end()), ReadFile(first));
        kept = valueOf(loaded, 1).Clone();
    }
    buffer.reset();
    EXPECT_FALSE(watched.expired()) << "the copy still holds the bytes";
    const auto& copy = dynamic_cast<const TFileSettingValue&>(*kept);
    EXPECT_EQ(Bytes(copy.Content().begin(), copy.Content().end()), ReadFile(second));
    kept.reset();
    EXPECT_TRUE(watched.expired()) << "and nothing else";

    // Read from bytes without an owner, the values take copies: the caller may reuse its buffer.
    Bytes reused = stored;
    TPersistentData loaded;
    loaded.SetSaveOnFree(false);
    ReadComponentResource(reused, loaded, true);
    std::fill(reused.begin(), reused.end(), 0);
    EXPECT_EQ(Bytes(valueOf(loaded, 1).Content().begin(), valueOf(loaded, 1).Content().end()), ReadFile(second));
}

TEST_F(FileSettingTest, AContentBlockShorterThanItsSizeFailsTheLoad) {
    const std::string path = temp_ / "five.txt";
    WriteFile(path, "12345");
    auto setting = Setting(path);
    const auto value = Capture(*setting);
    Bytes stored = StoredProperties(*value);
    const std::string_view sizeProperty("\x0B"
                                        "ContentSize\x02\x05",
                                        14);
    auto at = std::search(stored.begin(), stored.end(), sizeProperty.begin(), sizeProperty.end());
    ASSERT_NE(at, stored.end());
    at[13] = 9; // claims more bytes than the block holds

    TFileSettingValue loaded;
    TReader reader(stored);
    EXPECT_THROW(reader.ReadProperties(loaded), EReadError);
}

TEST_F(FileSettingTest, TheHostsFileLivesInTheSystemFolderAndCannotBeMoved) {
    THostsFileSetting hosts;
    const std::string path = (Machine().SystemFolder() / "drivers" / "etc" / "hosts").string();
    EXPECT_EQ(hosts.GetFileName(), path);
    EXPECT_THROW(hosts.SetFileName("/tmp/elsewhere"), EPropReadOnly);
    EXPECT_EQ(hosts.GetFileName(), path);

    const Bytes seeded = ReadFile(path);
    ASSERT_FALSE(seeded.empty());
    const auto captured = Capture(hosts);
    EXPECT_EQ(captured->GetHint().substr(0, 10), "# Hosts fi");

    WriteFile(path, "10.0.0.1 changed\n");
    hosts.ApplyValue(*captured, results);
    EXPECT_EQ(ReadFile(path), seeded) << "CRLF line ends and all";

    std::filesystem::remove(path);
    const auto none = Capture(hosts);
    EXPECT_EQ(none->GetHint(), "No file");
    WriteFile(path, "127.0.0.1 localhost\n");
    hosts.ApplyValue(*none, results);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(FileSettingTest, TheEditorAsksTheFrontEndsDialog) {
    auto setting = Setting("/srv/conf/app.ini");
    TFileSettingEditor editor;

    TFileSettingEditor::SetOpenFileDialog(nullptr);
    EXPECT_FALSE(editor.Edit(*setting)) << "no dialog: nothing confirmed";

    std::vector<TOpenFileRequest> asked;
    std::optional<std::string> answer = "/etc/other.conf";
    TFileSettingEditor::SetOpenFileDialog([&](const TOpenFileRequest& request) {
        asked.push_back(request);
        return answer;
    });
    EXPECT_TRUE(editor.Edit(*setting));
    EXPECT_EQ(setting->GetFileName(), "/etc/other.conf");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].filter, "*.*");
    EXPECT_EQ(asked[0].fileName, "/srv/conf/app.ini");
    EXPECT_EQ(asked[0].initialFolder, "/srv/conf");

    answer.reset();
    EXPECT_FALSE(editor.Edit(*setting));
    EXPECT_EQ(setting->GetFileName(), "/etc/other.conf") << "cancel keeps the path";

    THostsFileSetting hosts;
    EXPECT_THROW(editor.Edit(hosts), EAssertionFailed);
    TFileSettingEditor::SetOpenFileDialog(nullptr);
}

// A path from someone else's text must say where it writes, whatever folder is current.
TEST_F(FileSettingTest, OnlyAbsolutePathsWithoutParentComponentsAreNormal) {
    for (const char* normal : {"C:\\Users\\me\\.bashrc", "c:/x", "\\\\server\\share\\notes.txt", "/home/me/.bashrc",
                               "C:\\a\\b..c\\..d", "C:\\a\\.\\b"})
        EXPECT_EQ(PathFault(normal, "S"), "") << normal;
    for (const char* relative : {".bashrc", "..\\.bashrc", "sub/notes.txt", "C:notes.txt", "", "\\notes.txt"})
        EXPECT_EQ(PathFault(relative, "S"), Translated("Engine", PathIsRelative, {"S"})) << relative;
    for (const char* upward : {"C:\\Users\\me\\..\\other\\x", "/home/me/../../etc/passwd", "C:/a/..", "//s/../x"})
        EXPECT_EQ(PathFault(upward, "S"), Translated("Engine", PathHasParent, {"S"})) << upward;
}

TEST_F(FileSettingTest, ThePathsInsideTheUsersFolderAreTheProfileFolderAndBelow) {
    const std::string profile = TOsHelper::GetSpecialFolder(os::CsidlProfile);
    ASSERT_FALSE(profile.empty());
    EXPECT_TRUE(IsPathInFolder(profile + "/.bashrc", profile));
    EXPECT_TRUE(IsPathInFolder(profile + "/AppData/Roaming/x.ini", profile + "/"));
    EXPECT_TRUE(IsPathInFolder("C:\\Users\\" + Machine().ProfileFolder().filename().string() + "\\notes.txt", profile))
        << "the workstation's own form of the same place";
    EXPECT_FALSE(IsPathInFolder(profile + "2/.bashrc", profile)) << "a sibling whose name starts alike";
    EXPECT_FALSE(IsPathInFolder(profile + "/../other/.bashrc", profile));
    EXPECT_FALSE(IsPathInFolder(profile, profile)) << "the folder itself is no file in it";
    EXPECT_FALSE(IsPathInFolder("C:\\Windows\\win.ini", profile));
    EXPECT_FALSE(IsPathInFolder(profile + "/x", "")) << "no profile folder: everything is outside";
}

// An import refuses paths it cannot show truthfully and names those it will write outside.
TEST_F(FileSettingTest, AnImportRefusesRelativeAndUpwardPathsAndNamesThoseOutsideTheUsersFolder) {
    const std::string profile = TOsHelper::GetSpecialFolder(os::CsidlProfile);
    TConfigurations processRoot; // the root while the test runs; the ones below are copies
    const auto exported = [](const std::vector<std::string>& paths) {
        TConfigurations root;
        auto configuration = root.Configurations().NewConfiguration();
        configuration->SetName("Shell");
        for (const std::string& path : paths)
            configuration->AddSetting(Setting(path))
                .SetId(static_cast<std::uint32_t>(configuration->Settings().Count()));
        TConfiguration& added = root.Configurations().Add(std::move(configuration));
        return ExportConfigurations({&added});
    };
    const auto refusal = [&](const std::string& path) {
        try {
            ReadExport(exported({profile + "/ok.txt", path}));
        } catch (const EFilerError& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    EXPECT_EQ(refusal(".bashrc"),
              Translated("Engine", PathIsRelative, {"The configuration \"Shell\", setting \"File (.bashrc)\""}));
    EXPECT_EQ(
        refusal("/tmp/../etc/passwd"),
        Translated("Engine", PathHasParent, {"The configuration \"Shell\", setting \"File (/tmp/../etc/passwd)\""}));

    const auto inside = ReadExport(exported({profile + "/.bashrc", profile + "/AppData/x.ini"}));
    EXPECT_EQ(ImportCautions(*inside), "");
    const std::string outside = temp_ / "elsewhere.txt";
    const auto mixed = ReadExport(exported({profile + "/.bashrc", outside, "C:\\Windows\\win.ini"}));
    EXPECT_EQ(ImportCautions(*mixed), "Its File settings write outside your own folder " + profile + ":\n  " + outside +
                                          " (configuration Shell)\n  C:\\Windows\\win.ini (configuration Shell)");
}

// The preview and the question name the path; a link there would write somewhere they did not show.
TEST_F(FileSettingTest, AnApplyNeverWritesThroughALinkAndSaysWhereItLeads) {
    const std::string target = temp_ / "target.txt", link = temp_ / "link.txt";
    WriteFile(target, "theirs");
    auto setting = Setting(link);
    std::filesystem::create_symlink(target, link);
    TFileSettingValue value;
    value.SetFileExists(true);
    value.SetContentSize(4);
    value.ReadContent(Bytes{'m', 'i', 'n', 'e'});
    try {
        setting->ApplyValue(value, results);
        ADD_FAILURE() << "written through the link";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Message(), Translated("Engine", FileIsLink, {link, std::filesystem::canonical(target).string()}));
    }
    EXPECT_EQ(ReadFile(target), Bytes({'t', 'h', 'e', 'i', 'r', 's'}));
    EXPECT_TRUE(std::filesystem::is_symlink(link));

    std::filesystem::remove(target);
    EXPECT_THROW(setting->ApplyValue(value, results), EInOutError) << "a link to nothing would create its target";
    EXPECT_FALSE(std::filesystem::exists(target));

    WriteFile(target, "theirs");
    TFileSettingValue noFile;
    setting->ApplyValue(noFile, results);
    EXPECT_FALSE(std::filesystem::is_symlink(link)) << "deleting removes the link itself";
    EXPECT_EQ(ReadFile(target), Bytes({'t', 'h', 'e', 'i', 'r', 's'}));
}

TEST_F(FileSettingTest, TheApplyQuestionNamesEveryFileItWritesByItsFullPath) {
    TConfigurations root;
    TConfiguration& configuration = root.Configurations().Add(root.Configurations().NewConfiguration());
    const std::string captured = temp_ / "captured.txt", uncaptured = temp_ / "other.txt",
                      oddName = temp_ / "two\nlines";
    TSetting& first = configuration.AddSetting(Setting(captured));
    configuration.AddSetting(Setting(uncaptured)).SetId(first.Id() + 1);
    TSetting& odd = configuration.AddSetting(Setting(oddName));
    odd.SetId(first.Id() + 2);
    TConfigurationProfile& profile = configuration.Profiles().Add(configuration.Profiles().NewProfile());
    profile.SetValue(first, first.CreateValue());
    profile.SetValue(odd, odd.CreateValue());
    EXPECT_EQ(first.GetDisplayText(), "File (captured.txt)") << "the lists keep the name only";
    EXPECT_EQ(ApplyQuestionFor(profile, configuration.Settings()),
              std::string(ApplyQuestion) + "\n\nFiles it writes or deletes:\n  File (" + captured + ")\n  " +
                  QuotedText("File (" + oddName + ")"));

    TConfigurationProfile& empty = configuration.Profiles().Add(configuration.Profiles().NewProfile());
    EXPECT_EQ(ApplyQuestionFor(empty, configuration.Settings()), ApplyQuestion);
}

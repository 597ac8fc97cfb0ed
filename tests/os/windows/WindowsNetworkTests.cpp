// The network, process, printer and drive services of Windows itself, and the TCP/IP setting's
// network-shell run and the Program setting's run against the stand-in netsh.exe built beside this
// program; the Hosts entries setting on the system's hosts file. Under Wine some services are
// missing; those cases check that the failure comes back as a code.

#include "framework/Exceptions.h"
#include "os/NetConnections.h"
#include "os/NetworkDrives.h"
#include "os/PrintSpooler.h"
#include "os/Processes.h"
#include "os/Wmi.h"
#include "os/windows/WinSupport.h"
#include "profiles/uHostsEntriesSettings.h"
#include "profiles/uNetDriveSettings.h"
#include "profiles/uNetworkSettings.h"
#include "profiles/uPrinterSettings.h"
#include "profiles/uProgramSettings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>
#include <vector>

namespace prolamo {
namespace {

constexpr os::HResult kClassNotRegistered = 0x80040154; // REGDB_E_CLASSNOTREG
constexpr os::HResult kNotImplemented = 0x80004001;     // E_NOTIMPL
constexpr std::uint32_t kBoundedWait = 30000;           // keeps a broken case from hanging the run

bool UnderWine() {
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

bool Exists(const std::u16string& path) {
    return ::GetFileAttributesW(os::windows::Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

template <typename E, typename F> std::string MessageOf(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e.what();
    }
    ADD_FAILURE() << "nothing was raised";
    return {};
}

std::u16string SaveScript(const std::vector<std::string>& lines) {
    TStrings script;
    for (const auto& line : lines)
        script.Add(line);
    return TTCPIPSetting::SaveNetshScript(script);
}

// A named event the stand-in waits for, set by the test when it wants the shell to go on.
class Gate {
public:
    Gate() : name_("Local\\prolamo-stand-in-" + std::to_string(::GetCurrentProcessId())) {
        event_ = ::CreateEventA(nullptr, TRUE, FALSE, name_.c_str());
    }
    ~Gate() { ::CloseHandle(event_); }
    Gate(const Gate&) = delete;
    Gate& operator=(const Gate&) = delete;
    const std::string& Name() const { return name_; }
    void Open() { ::SetEvent(event_); }

private:
    std::string name_;
    HANDLE event_;
};

// ---- processes and pipes ----

// One run of the stand-in with its output on a pipe of this test, started as the TCP/IP setting
// starts the shell: the pipe's read end not inherited, only standard output redirected.
class ProcessTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (os::Handle h : {info_.process, info_.thread, readEnd_, writeEnd_}) {
            if (h != os::NullHandle) {
                EXPECT_EQ(p_.CloseHandle(h), os::ErrorSuccess);
            }
        }
        if (!script_.empty())
            ::DeleteFileW(os::windows::Wide(script_).c_str());
    }
    os::ErrorCode Start(const std::u16string& program, const std::vector<std::string>& lines) {
        script_ = SaveScript(lines);
        EXPECT_EQ(p_.CreatePipe(true, &readEnd_, &writeEnd_), os::ErrorSuccess);
        EXPECT_EQ(p_.SetHandleInformation(readEnd_, os::HandleFlagInherit, 0), os::ErrorSuccess);
        return p_.CreateProcess(program + u" -f \"" + script_ + u"\"", true, os::CreateNoWindow, writeEnd_, &info_);
    }
    // Once the program has ended and this side's write end is closed, the pipe ends after its data.
    void CloseWriteEnd() {
        ASSERT_EQ(p_.CloseHandle(writeEnd_), os::ErrorSuccess);
        writeEnd_ = os::NullHandle;
    }
    std::string Read(std::uint32_t size) {
        std::string bytes(size, '\0');
        std::uint32_t read = 0;
        EXPECT_EQ(p_.ReadFile(readEnd_, bytes.data(), size, &read), os::ErrorSuccess);
        bytes.resize(read);
        return bytes;
    }
    std::uint32_t Waiting() {
        std::uint32_t waiting = 0xFFFFFFFF;
        EXPECT_EQ(p_.PeekNamedPipe(readEnd_, &waiting), os::ErrorSuccess);
        return waiting;
    }

    os::IProcesses& p_ = os::Processes();
    std::u16string script_;
    os::Handle readEnd_ = os::NullHandle, writeEnd_ = os::NullHandle;
    os::ProcessInformation info_;
};

TEST_F(ProcessTest, OutputOfExactly1024BytesIsWaitingAfterTheProgramEnded) {
    ASSERT_EQ(Start(u"netsh.exe", {"bytes 1024"}), os::ErrorSuccess);
    ASSERT_EQ(p_.WaitForSingleObject(info_.process, kBoundedWait), os::WaitObject0);
    CloseWriteEnd();
    EXPECT_EQ(Waiting(), 1024u);
    EXPECT_EQ(Read(4096), std::string(1024, 'x'));
    std::uint32_t read = 7;
    char byte = 0;
    EXPECT_EQ(p_.ReadFile(readEnd_, &byte, 1, &read), os::ErrorBrokenPipe);
    EXPECT_EQ(read, 0u);
}

TEST_F(ProcessTest, ARunningProgramIsToldFromAnEndedOne) {
    Gate gate;
    ASSERT_EQ(Start(u"netsh.exe", {"print started", "await " + gate.Name(), "print done"}), os::ErrorSuccess);
    EXPECT_EQ(p_.WaitForSingleObject(info_.process, 0), os::WaitTimeout);
    gate.Open();
    ASSERT_EQ(p_.WaitForSingleObject(info_.process, kBoundedWait), os::WaitObject0);
    EXPECT_EQ(p_.WaitForSingleObject(info_.process, 0), os::WaitObject0);
    EXPECT_EQ(Waiting(), 15u);
    EXPECT_EQ(Read(15), "started\r\ndone\r\n");
}

TEST_F(ProcessTest, AMissingProgramIsErrorFileNotFound) {
    EXPECT_EQ(Start(u"prolamo-no-such-program.exe", {}), os::ErrorFileNotFound);
    EXPECT_EQ(info_.process, os::NullHandle);
    EXPECT_EQ(info_.thread, os::NullHandle);
}

// ---- the TCP/IP setting's shell run ----

class NetshRunTest : public ::testing::Test {
protected:
    // Runs the stand-in on a script of these lines; the message it raised, empty on success.
    std::string Run(const std::vector<std::string>& lines) {
        const std::u16string file = SaveScript(lines);
        std::string message;
        try {
            TTCPIPSetting::RunNetsh(file);
        } catch (const Exception& e) {
            message = e.what();
        }
        EXPECT_FALSE(Exists(file)) << "the script is left behind";
        return message;
    }
};

TEST_F(NetshRunTest, AShellThatPrintsOnlyEmptyLinesSucceeds) {
    TStrings script;
    auto adapter = std::make_unique<TAdapterInfo>();
    adapter->SetAdapterDescription(u"Ethernet");
    adapter->SetEnabled(true);
    adapter->SetStaticIP(true);
    adapter->IpAddressList().Add("10.1.2.3");
    adapter->SubnetMaskList().Add("255.255.0.0");
    TTCPIPSetting::BuildNetshScript(*adapter, script);
    std::vector<std::string> lines = script.Lines();
    lines.insert(lines.begin() + 1, {"print ", "print "});
    EXPECT_EQ(Run(lines), "");
}

TEST_F(NetshRunTest, TheFirstNonEmptyLineIsTheError) {
    EXPECT_EQ(Run({"print ", "print The filename is invalid.", "print second"}), "The filename is invalid.");
    EXPECT_EQ(Run({"print ", "print   ", "print second"}), "  ");
}

TEST_F(NetshRunTest, OutputIsReadWholeWhateverItsSize) {
    EXPECT_EQ(Run({"bytes 1024"}), std::string(1024, 'x'));
    EXPECT_EQ(Run({"bytes 1025"}), std::string(1025, 'x'));
    // More than a pipe holds: the shell finishes only because the output is drained while it runs.
    EXPECT_EQ(Run({"bytes 200000"}).size(), 200000u);
}

TEST_F(NetshRunTest, WhatTheShellWritesToStandardErrorIsNotItsOutput) {
    EXPECT_EQ(Run({"stderr a warning on standard error"}), "");
}

TEST_F(NetshRunTest, AScriptInAFolderWithBlanksReachesTheShell) {
    wchar_t temp[MAX_PATH] = {};
    ASSERT_NE(::GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring folder = std::wstring(temp) + L"prolamo net test";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::u16string file = os::windows::FromWide(folder + L"\\script one.txt");
    const HANDLE handle = ::CreateFileW(os::windows::Wide(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    const std::string text = "print read through the quotes\r\n";
    DWORD written = 0;
    ::WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(handle);
    EXPECT_EQ(MessageOf<Exception>([&] { TTCPIPSetting::RunNetsh(file); }), "read through the quotes");
    EXPECT_FALSE(Exists(file));
    ::RemoveDirectoryW(folder.c_str());
}

TEST_F(NetshRunTest, AShellThatCannotStartIsErrorTwoAndTheScriptGoes) {
    const std::u16string file = SaveScript({"print never"});
    std::uint32_t code = 0;
    std::string message;
    try {
        TTCPIPSetting::RunNetsh(file, u"prolamo-no-such-shell.exe");
    } catch (const EOSError& e) {
        code = e.ErrorCode();
        message = e.what();
    }
    EXPECT_EQ(code, os::ErrorFileNotFound);
    EXPECT_EQ(message.rfind("System Error.  Code: 2.", 0), 0u) << message;
    EXPECT_FALSE(Exists(file));
}

// ---- management instrumentation ----

std::unique_ptr<os::IWmiServices> Connect() {
    std::unique_ptr<os::IWmiServices> services;
    EXPECT_EQ(os::Wmi().ConnectServer(u"", u"root\\cimv2", &services), os::SOk);
    return services;
}

// The objects of a query; a failure of the query or of its walk is the code.
os::HResult Objects(const std::u16string& query, std::vector<std::unique_ptr<os::IWmiObject>>* objects,
                    const std::u16string& language = u"WQL") {
    auto services = Connect();
    if (!services)
        return os::EFail;
    std::unique_ptr<os::IWmiObjectSet> set;
    if (const os::HResult hr = services->ExecQuery(query, language, os::WbemFlagForwardOnly, &set); hr != os::SOk)
        return hr;
    for (;;) {
        std::unique_ptr<os::IWmiObject> object;
        const os::HResult hr = set->Next(&object);
        if (hr != os::SOk)
            return hr == os::SFalse ? os::SOk : hr;
        objects->push_back(std::move(object));
    }
}

TEST(WmiTest, AdapterConfigurationsAnswerWithTheirPropertyTypes) {
    std::vector<std::unique_ptr<os::IWmiObject>> configurations;
    ASSERT_EQ(Objects(u"select * from Win32_NetworkAdapterConfiguration", &configurations), os::SOk);
    ASSERT_FALSE(configurations.empty()) << "the host's interfaces are listed";
    for (const auto& configuration : configurations) {
        os::WmiValue value;
        ASSERT_EQ(configuration->GetProperty(u"Index", &value), os::SOk);
        EXPECT_EQ(value.type, os::WmiValue::Type::Integer);
        ASSERT_EQ(configuration->GetProperty(u"Description", &value), os::SOk);
        EXPECT_EQ(value.type, os::WmiValue::Type::String);
        EXPECT_FALSE(value.string.empty());
        ASSERT_EQ(configuration->GetProperty(u"IPEnabled", &value), os::SOk);
        EXPECT_EQ(value.type, os::WmiValue::Type::Boolean);
        ASSERT_EQ(configuration->GetProperty(u"IPAddress", &value), os::SOk);
        ASSERT_TRUE(value.type == os::WmiValue::Type::Array || value.type == os::WmiValue::Type::Null);
        for (const auto& address : value.elements)
            EXPECT_EQ(address.type, os::WmiValue::Type::String);
        EXPECT_EQ(configuration->GetProperty(u"NoSuchProperty", &value), os::WbemErrorNotFound);
    }
}

TEST(WmiTest, AQueryTheServiceCannotRunFailsWithItsCode) {
    std::vector<std::unique_ptr<os::IWmiObject>> objects;
    // Wine answers a class it does not know with an empty result.
    const os::HResult unknownClass = Objects(u"select * from Prolamo_NoSuchClass", &objects);
    EXPECT_EQ(unknownClass, UnderWine() ? os::SOk : os::WbemErrorInvalidClass);
    EXPECT_EQ(Objects(u"select from where", &objects), os::WbemErrorInvalidQuery);
    EXPECT_EQ(Objects(u"select * from Win32_NetworkAdapterConfiguration", &objects, u"SQL"),
              os::WbemErrorInvalidQueryType);
    EXPECT_TRUE(objects.empty());
    std::unique_ptr<os::IWmiServices> services;
    EXPECT_EQ(os::Wmi().ConnectServer(u"", u"root\\prolamo_nowhere", &services), os::WbemErrorInvalidNamespace);
    EXPECT_EQ(services, nullptr);
}

// The layer sets up COM for itself on any thread, also one that joined the other apartment kind.
TEST(WmiTest, QueriesRunOnThreadsOfEitherApartment) {
    for (const bool multithreaded : {false, true}) {
        os::HResult hr = os::EFail;
        std::size_t count = 0;
        std::thread worker([&] {
            if (multithreaded)
                ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            {
                std::vector<std::unique_ptr<os::IWmiObject>> objects;
                hr = Objects(u"select * from Win32_NetworkAdapterConfiguration", &objects);
                count = objects.size();
            }
            if (multithreaded)
                ::CoUninitialize();
        });
        worker.join();
        EXPECT_EQ(hr, os::SOk) << (multithreaded ? "multithreaded" : "no apartment yet");
        EXPECT_GT(count, 0u);
    }
}

// Wine's adapters lack the connection name, so discovery stops with the property's error.
TEST(WmiTest, AdapterDiscoveryWithoutConnectionNamesRaises) {
    if (!UnderWine())
        GTEST_SKIP() << "Windows gives every adapter with a connection its NetConnectionID";
    std::vector<std::unique_ptr<os::IWmiObject>> adapters;
    ASSERT_EQ(Objects(u"select * from Win32_NetworkAdapter", &adapters), os::SOk);
    ASSERT_FALSE(adapters.empty());
    os::WmiValue value;
    EXPECT_EQ(adapters.front()->GetProperty(u"NetConnectionID", &value), os::WbemErrorNotFound);
    TAdapterInfoCollection found;
    EXPECT_THROW(LoadAdapters(found), Exception);
}

// ---- the connection manager ----

TEST(ConnectionManagerTest, ConnectionsAreListedOrTheMissingClassIsACode) {
    std::unique_ptr<os::INetConnectionManager> manager;
    const os::HResult hr = os::CreateConnectionManager(&manager);
    if (UnderWine()) {
        EXPECT_EQ(hr, kClassNotRegistered);
        EXPECT_EQ(manager, nullptr);
        return;
    }
    ASSERT_EQ(hr, os::SOk);
    std::vector<std::unique_ptr<os::INetConnection>> connections;
    ASSERT_EQ(manager->EnumConnections(&connections), os::SOk);
    for (const auto& connection : connections) {
        os::NetConProperties properties;
        ASSERT_EQ(connection->GetProperties(&properties), os::SOk);
        EXPECT_EQ(properties.guid.size(), 38u);
        EXPECT_EQ(properties.guid.front(), u'{');
        EXPECT_FALSE(properties.name.empty());
    }
}

// Without the manager no connection can be switched: the adapter gets its error line, from the
// code the failed creation returned.
TEST(ConnectionManagerTest, WithoutTheManagerTheAdapterGetsAnErrorLine) {
    if (!UnderWine())
        GTEST_SKIP() << "Windows has the connection manager";
    TTCPIPSettingValue value;
    TAdapterInfo& adapter = value.Adapters().Add();
    adapter.SetAdapterDescription(u"Ethernet");
    adapter.SetEnabled(true);
    TTCPIPSetting setting;
    TCheckResultList results;
    setting.ApplyValue(value, results);
    ASSERT_EQ(results.Count(), 1u);
    EXPECT_EQ(results[0].Text(), "TCP/IP settings: Ethernet: " + EOleSysError(kClassNotRegistered).Message());
}

// ---- the print spooler ----

TEST(PrintSpoolerTest, EnumerationSizesItsBufferAtBothLevels) {
    os::IPrintSpooler& spooler = os::PrintSpooler();
    const std::uint32_t flags = os::PrinterEnumLocal | os::PrinterEnumConnections;
    for (const std::uint32_t level : {2u, 4u}) {
        std::uint32_t needed = 0, returned = 99;
        const os::ErrorCode sizing = spooler.EnumPrinters(flags, level, nullptr, 0, &needed, &returned);
        ASSERT_TRUE(sizing == os::ErrorSuccess || sizing == os::ErrorInsufficientBuffer) << sizing;
        EXPECT_EQ(sizing == os::ErrorSuccess, needed == 0) << "level " << level;
        std::vector<std::uint8_t> buffer(needed + 1);
        ASSERT_EQ(spooler.EnumPrinters(flags, level, buffer.data(), needed, &needed, &returned), os::ErrorSuccess);
        for (std::uint32_t i = 0; i < returned; ++i) {
            const char16_t* name = level == 2 ? reinterpret_cast<os::PrinterInfo2*>(buffer.data())[i].pPrinterName
                                              : reinterpret_cast<os::PrinterInfo4*>(buffer.data())[i].pPrinterName;
            ASSERT_NE(name, nullptr);
            EXPECT_NE(name[0], u'\0');
        }
    }
    std::uint32_t needed = 0, returned = 0;
    EXPECT_EQ(spooler.EnumPrinters(flags, 3, nullptr, 0, &needed, &returned), os::ErrorInvalidLevel);
}

TEST(PrintSpoolerTest, TheDefaultPrinterIsOneOfThePrintersOrNone) {
    os::IPrintSpooler& spooler = os::PrintSpooler();
    std::uint32_t needed = 0, returned = 0;
    const os::ErrorCode sizing =
        spooler.EnumPrinters(os::PrinterEnumLocal | os::PrinterEnumConnections, 4, nullptr, 0, &needed, &returned);
    std::uint32_t size = 0;
    const os::ErrorCode answer = spooler.GetDefaultPrinter(nullptr, &size);
    if (sizing == os::ErrorSuccess) { // no printers, so no default: the capture is an empty list
        EXPECT_EQ(answer, os::ErrorFileNotFound);
        const auto captured = TPrinterSetting().CaptureValue();
        EXPECT_EQ(static_cast<TPrinterSettingValue&>(*captured).Printers().Count(), 0u);
        return;
    }
    ASSERT_EQ(answer, os::ErrorInsufficientBuffer);
    std::u16string name(size, u'\0');
    ASSERT_EQ(spooler.GetDefaultPrinter(name.data(), &size), os::ErrorSuccess);
    EXPECT_EQ(size, name.size());
}

TEST(PrintSpoolerTest, UnknownPrintersAreRefused) {
    os::IPrintSpooler& spooler = os::PrintSpooler();
    os::HPrinter printer = 0;
    EXPECT_EQ(spooler.OpenPrinter(u"Prolamo No Such Printer", &printer), os::ErrorInvalidPrinterName);
    EXPECT_EQ(printer, 0u);
    EXPECT_NE(spooler.SetDefaultPrinter(u"Prolamo No Such Printer"), os::ErrorSuccess);
    EXPECT_NE(spooler.AddPrinterConnection(u"\\\\prolamo-nowhere\\printer"), os::ErrorSuccess);
}

// ---- the script host's network object ----

TEST(WshNetworkTest, UnderWineTheDriveCallsAreNotImplemented) {
    if (!UnderWine())
        GTEST_SKIP() << "mapping drives on Windows needs shares to map";
    std::unique_ptr<os::IWshNetwork> network;
    ASSERT_EQ(os::CreateWshNetwork(&network), os::SOk);
    std::vector<std::u16string> items{u"left over"};
    os::ErrorInfo error;
    EXPECT_EQ(network->EnumNetworkDrives(&items, &error), kNotImplemented);
    EXPECT_EQ(network->MapNetworkDrive(u"Z:", u"\\\\prolamo-nowhere\\share", true, std::nullopt, std::nullopt, &error),
              kNotImplemented);
    EXPECT_EQ(network->MapNetworkDrive(u"Z:", u"\\\\prolamo-nowhere\\share", false, u"user", u"secret", &error),
              kNotImplemented);
    EXPECT_EQ(network->RemoveNetworkDrive(u"Z:", false, true, &error), kNotImplemented);

    // The setting raises the object's code, before anything was changed.
    os::HResult raised = os::SOk;
    try {
        TNetDriveSetting().CaptureValue();
    } catch (const EOleException& e) {
        raised = e.ErrorCode();
    }
    EXPECT_EQ(raised, kNotImplemented);
}

// ---- the Program and Hosts entries settings ----

// The Program setting runs the stand-in on a script of its own; the result lines of one apply.
class ProgramSettingTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (!script_.empty())
            ::DeleteFileW(os::windows::Wide(script_).c_str());
    }
    std::string Apply(const std::vector<std::string>& lines, std::int32_t timeLimit = DefaultTimeLimit) {
        script_ = SaveScript(lines);
        TProgramSetting program;
        program.SetCommandLine("netsh.exe -f \"" + os::Utf16ToUtf8(script_) + "\"");
        program.SetTimeLimit(timeLimit);
        TCheckResultList results;
        program.ApplyValue(TProgramSettingValue(), results);
        std::string text;
        for (const TCheckResult& result : results)
            text += result.Text() + "|";
        return text;
    }

    std::u16string script_;
};

TEST_F(ProgramSettingTest, TheExitCodeAndTheLastLinesOfBothOutputsMakeTheErrorLine) {
    EXPECT_EQ(Apply({"print all is well"}), "");
    EXPECT_EQ(Apply({"print first", "stderr cannot reach the server", "exit 3"}),
              "Program (netsh.exe): ended with exit code 3; the last lines it printed:\n  first\n  cannot reach the "
              "server|");
}

TEST_F(ProgramSettingTest, AProgramPastItsTimeLimitIsEnded) {
    Gate gate; // never opened: the stand-in waits for it a minute
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Apply({"print started", "await " + gate.Name()}, 2),
              "Program (netsh.exe): was still running after its time limit of 2 s and was ended; the last lines it "
              "printed:\n  started|");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

TEST_F(ProgramSettingTest, AMissingProgramSaysSo) {
    TProgramSetting program;
    program.SetCommandLine("prolamo-no-such-program.exe --now");
    TCheckResultList results;
    program.ApplyValue(TProgramSettingValue(), results);
    ASSERT_EQ(results.Count(), 1u);
    EXPECT_EQ(results[0].Text().rfind("Program (prolamo-no-such-program.exe): cannot be started: System Error.  "
                                      "Code: 2.",
                                      0),
              0u)
        << results[0].Text();
}

// The system's hosts file, put back as it was after the test.
class HostsEntriesTest : public ::testing::Test {
protected:
    void SetUp() override { before_ = Read(); }
    void TearDown() override { std::ofstream(HostsFilePath(), std::ios::binary) << before_; }
    static std::string Read() {
        std::ifstream in(HostsFilePath(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void Apply(const std::string& name, const std::vector<std::string>& lines) {
        THostsEntriesSetting setting;
        setting.SetBlockName(name);
        THostsEntriesValue value;
        value.SetLines(lines);
        TCheckResultList results;
        setting.ApplyValue(value, results);
    }

    std::string before_;
};

TEST_F(HostsEntriesTest, TheBlockIsReplacedInTheSystemsHostsFileAndEveryOtherLineStays) {
    const std::string theirs = "# written by another program\r\n10.9.9.9 other\r\n";
    std::ofstream(HostsFilePath(), std::ios::binary) << theirs;
    Apply("VPN", {"10.8.0.1 vpn"});
    Apply("Lab", {"192.168.50.1 lab"});
    EXPECT_EQ(Read(), theirs + "# BEGIN Prolamo VPN\r\n10.8.0.1 vpn\r\n# END Prolamo VPN\r\n"
                               "# BEGIN Prolamo Lab\r\n192.168.50.1 lab\r\n# END Prolamo Lab\r\n");
    THostsEntriesSetting vpn;
    vpn.SetBlockName("VPN");
    EXPECT_EQ(static_cast<THostsEntriesValue&>(*vpn.CreateValue()).Lines(), std::vector<std::string>{"10.8.0.1 vpn"});
    Apply("VPN", {});
    EXPECT_EQ(Read(), theirs + "# BEGIN Prolamo Lab\r\n192.168.50.1 lab\r\n# END Prolamo Lab\r\n");
}

} // namespace
} // namespace prolamo

// prolamo-bench [--keep] [FOLDER]: builds a data file of about 10 MB (200 configurations, 2,000
// profiles, File values up to 1 MB) on a machine in FOLDER (a new temporary folder by default),
// then times loading and saving it against a plain read and write of the same bytes,
// "prolamo-cli list" on it against a bare process start plus a plain read, a preview ("profile
// diff") and an undo ("profile undo") of the profile with a 1 MB value against "list" and
// "profile apply", and the TCP/IP setting's capture and apply against one network-shell command,
// and prints the ratios and the peak memory of "prolamo-cli list" with and without the data file;
// then times "prolamo-cli config import --rename" of 1,000 and of 8,000 small configurations into
// an empty data file and prints the ratio of the two; then, on a machine of its own, times the apply
// of a profile with one 10 MB File value with an empty history against the same apply once the
// history holds 20 snapshots of that value, and prints the history's size on disk against the
// distinct content its snapshots hold.

#include "classes/uPersistence.h"
#include "classes/uPolicy.h"
#include "os/Sha256.h"
#include "profiles/uConfigTransfer.h"
#include "profiles/uFileSettings.h"
#include "profiles/uNetworkSettings.h"
#include "profiles/uProfileHistory.h"
#include "profiles/uProfileSettings.h"
#include "profiles/uSettingKinds.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

extern char** environ;

namespace {

using namespace prolamo;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int Configurations = 200;
constexpr int ProfilesPerConfiguration = 10;
constexpr int SettingsPerConfiguration = 2;
constexpr std::size_t LargeValue = 1 << 20;
constexpr int Rounds = 7;
constexpr int ImportSmall = 1000;
constexpr int ImportLarge = 8000;
constexpr std::size_t HistoryValue = 10 << 20;

// Text like a hosts file, so the values look like what users keep.
std::vector<std::uint8_t> Content(std::mt19937& random, std::size_t size) {
    static const std::string line = "10.20.30.40     fileserver.corp.example     # file server\r\n";
    std::vector<std::uint8_t> bytes(size);
    std::size_t offset = random() % line.size();
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(line[offset++ % line.size()]);
    return bytes;
}

void BuildModel(TConfigurations& root, const fs::path& folder) {
    std::mt19937 random(4);
    int valueNumber = 0;
    for (int c = 0; c < Configurations; ++c) {
        auto configuration = root.Configurations().NewConfiguration();
        configuration->SetName("Configuration " + std::to_string(c + 1));
        std::vector<TSetting*> settings;
        for (int s = 0; s < SettingsPerConfiguration; ++s) {
            auto setting = std::make_unique<TFileSetting>();
            setting->SetId(static_cast<std::uint32_t>(c * 100 + s + 1));
            setting->SetFileName((folder / ("file-" + std::to_string(c) + "-" + std::to_string(s) + ".txt")).string());
            settings.push_back(&configuration->AddSetting(std::move(setting)));
        }
        for (int p = 0; p < ProfilesPerConfiguration; ++p) {
            auto profile = configuration->Profiles().NewProfile();
            profile->SetName("Profile " + std::to_string(p + 1));
            for (TSetting* setting : settings) {
                // Five values of 1 MB; the others a few hundred bytes to a few kilobytes.
                const std::size_t size = valueNumber++ % 800 == 7 ? LargeValue : 256 + random() % 2048;
                auto value = std::make_unique<TFileSettingValue>();
                value->SetCreatorId(setting->Id());
                value->SetFileExists(true);
                value->SetContentSize(static_cast<std::int32_t>(size));
                const auto bytes = Content(random, size);
                value->ReadContent(bytes);
                profile->Values().Add(std::move(value));
            }
            configuration->Profiles().Add(std::move(profile));
        }
        root.Configurations().Add(std::move(configuration));
    }
}

// An export of Count configurations of one profile each, every name twice: an import with
// --rename gives half of them a " (2)".
std::string ImportText(int count) {
    std::vector<std::unique_ptr<TConfiguration>> configurations;
    std::vector<const TConfiguration*> exported;
    for (int c = 0; c < count; ++c) {
        auto configuration = std::make_unique<TConfiguration>();
        configuration->SetName("Site " + std::to_string(c / 2));
        auto profile = configuration->Profiles().NewProfile();
        profile->SetName("Office");
        configuration->Profiles().Add(std::move(profile));
        exported.push_back(configuration.get());
        configurations.push_back(std::move(configuration));
    }
    return ExportConfigurations(exported);
}

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// The median of several rounds, so one slow round (another process, a cold cache) counts little.
double Median(int rounds, const std::function<void()>& run) {
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        run();
        times.push_back(Seconds(Clock::now() - start));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::vector<std::uint8_t> PlainRead(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error("cannot open " + path);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(fs::file_size(path)));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return bytes;
}

// Writes, and with `durable` forces the bytes to the disk first, as the data file's save does.
void PlainWrite(const std::string& path, const std::vector<std::uint8_t>& bytes, bool durable) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        throw std::runtime_error("cannot create " + path);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            throw std::runtime_error("cannot write " + path);
        done += static_cast<std::size_t>(n);
    }
    if (durable)
        ::fsync(fd);
    ::close(fd);
}

// Runs Program to its end and gives its peak memory in MB; `machine` replaces PROLAMO_MACHINE.
double RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                  const std::string& machine = {}) {
    std::vector<std::string> args = arguments;
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e)
        if (machine.empty() || std::string_view(*e).rfind("PROLAMO_MACHINE=", 0) != 0)
            environment.emplace_back(*e);
    if (!machine.empty())
        environment.push_back("PROLAMO_MACHINE=" + machine);
    std::vector<char*> envp;
    for (std::string& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0)
        throw std::runtime_error("cannot start " + program);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(program + " failed");
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

// The bytes of the distinct values the snapshots of the history hold, each counted once.
std::uint64_t DistinctContent(const std::string& historyFile) {
    TProfileHistory history(historyFile);
    history.Load(THistoryAccess::Read);
    std::map<os::Sha256Digest, std::size_t> sizes;
    for (TProfileSnapshot& snapshot : history.Snapshots()) {
        history.ReadValues(snapshot);
        for (TSnapshotEntry& entry : snapshot.Entries())
            if (entry.Value()) {
                const std::vector<std::uint8_t> bytes = Streamed(*entry.Value());
                sizes[os::Sha256(bytes)] = bytes.size();
                entry.DropValue();
            }
    }
    std::uint64_t total = 0;
    for (const auto& [digest, size] : sizes)
        total += size;
    return total;
}

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void Row(const char* what, double engine, const char* against, double plain) {
    std::printf("  %-22s %9.2f ms   %-26s %9.2f ms   ratio %5.2f\n", what, engine * 1e3, against, plain * 1e3,
                engine / plain);
}

} // namespace

int main(int argc, char** argv) {
    bool keep = false;
    std::string folderArgument;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--keep")
            keep = true;
        else if (a == "--help" || a == "-h") {
            std::printf("usage: prolamo-bench [--keep] [FOLDER]\n");
            return 0;
        } else
            folderArgument = a;
    }
    try {
        fs::path folder;
        if (folderArgument.empty()) {
            std::string pattern = (fs::temp_directory_path() / "prolamo-bench-XXXXXX").string();
            if (!mkdtemp(pattern.data()))
                throw std::runtime_error("cannot create a temporary folder");
            folder = pattern;
        } else {
            folder = fs::absolute(folderArgument);
            fs::create_directories(folder);
        }
        // The benchmark's machine, for this process and the command lines it starts.
        setenv("PROLAMO_MACHINE", folder.c_str(), 1);
        InitializeEngine();
        const std::string dataFile = DataFilePath();
        fs::remove(dataFile);

        std::printf("Building the data file on the machine in %s ...\n", folder.c_str());
        // In a child of its own: this process stays small, so the peak memory of the command lines
        // it starts (which begin as copies of it) is theirs alone.
        const pid_t builder = fork();
        if (builder == 0) {
            try {
                TPersistentData data;
                data.SetSaveOnFree(false);
                data.Load(dataFile);
                auto root = std::make_unique<TConfigurations>();
                BuildModel(*root, folder);
                data.Register(std::move(root));
                data.Save();
                _exit(0);
            } catch (const std::exception& e) {
                std::fprintf(stderr, "prolamo-bench: %s\n", e.what());
                _exit(1);
            }
        }
        int built = 0;
        if (builder < 0 || waitpid(builder, &built, 0) != builder || !WIFEXITED(built) || WEXITSTATUS(built) != 0)
            throw std::runtime_error("cannot build the data file");
        const auto size = fs::file_size(dataFile);
        std::printf("Data file: %s, %.2f MB (%d configurations, %d profiles, %d values)\n\n", dataFile.c_str(),
                    static_cast<double>(size) / (1 << 20), Configurations, Configurations * ProfilesPerConfiguration,
                    Configurations * ProfilesPerConfiguration * SettingsPerConfiguration);

        const std::string cli = PROLAMO_CLI_PATH;
        double cliPeak = 0;
        const double list = Median(Rounds, [&] { cliPeak = std::max(cliPeak, RunProcess(cli, {"list"})); });
        const double bare = Median(Rounds, [&] { RunProcess("/bin/true", {}); });
        // The same command on a machine without a data file: what the program takes by itself.
        const std::string emptyMachine = (folder / "empty-machine").string();
        RunProcess(cli, {"list"}, emptyMachine); // seeds that machine
        double emptyPeak = 0;
        for (int i = 0; i < Rounds; ++i)
            emptyPeak = std::max(emptyPeak, RunProcess(cli, {"list"}, emptyMachine));

        // The profile holding a 1 MB value: a preview captures and compares both its files, an
        // undo captures them, saves the snapshot, applies and saves the history again.
        const std::vector<std::string> large = {"Configuration 1", "Profile 4"};
        const auto withLarge = [&](std::vector<std::string> command) {
            command.insert(command.end(), large.begin(), large.end());
            return command;
        };
        RunProcess(cli, withLarge({"--yes", "profile", "apply"}));
        const double diff = Median(Rounds, [&] { RunProcess(cli, withLarge({"profile", "diff"})); });
        const double applyRun = Median(Rounds, [&] { RunProcess(cli, withLarge({"--yes", "profile", "apply"})); });
        std::vector<double> undos;
        for (int i = 0; i < Rounds; ++i) {
            RunProcess(cli, withLarge({"--yes", "profile", "apply"}));
            const auto start = Clock::now();
            RunProcess(cli, {"--yes", "profile", "undo"});
            undos.push_back(Seconds(Clock::now() - start));
        }
        std::sort(undos.begin(), undos.end());
        const double undo = undos[undos.size() / 2];
        const auto historySize = fs::file_size(TProfileHistory::FileBeside(dataFile));

        // Each round loads into a fresh instance; freeing the previous one is not part of loading.
        std::unique_ptr<TPersistentData> loaded;
        std::vector<double> loads;
        for (int i = 0; i < Rounds; ++i) {
            loaded.reset();
            const auto start = Clock::now();
            loaded = std::make_unique<TPersistentData>();
            loaded->SetSaveOnFree(false);
            loaded->Load(dataFile);
            loads.push_back(Seconds(Clock::now() - start));
        }
        std::sort(loads.begin(), loads.end());
        const double load = loads[loads.size() / 2];
        TPersistentData& data = *loaded;
        const double save = Median(Rounds, [&] { data.Save(); });

        std::vector<std::uint8_t> bytes;
        const double read = Median(Rounds, [&] { bytes = PlainRead(dataFile); });
        const std::string copy = dataFile + ".plain";
        const double write = Median(Rounds, [&] { PlainWrite(copy, bytes, true); });
        const double writeCached = Median(Rounds, [&] { PlainWrite(copy, bytes, false); });
        fs::remove(copy);
        loaded.reset();

        // Each import starts from no data file on a machine of its own, as the first import does.
        const fs::path importMachine = folder / "import-machine";
        const fs::path importData = importMachine / fs::relative(dataFile, folder);
        RunProcess(cli, {"list"}, importMachine.string()); // seeds that machine
        const auto importTime = [&](int count) {
            const std::string text = ImportText(count);
            const std::string file = (folder / ("import-" + std::to_string(count) + ".txt")).string();
            PlainWrite(file, std::vector<std::uint8_t>(text.begin(), text.end()), false);
            std::vector<double> times;
            for (int i = 0; i < Rounds; ++i) {
                fs::remove(importData);
                const auto start = Clock::now();
                RunProcess(cli, {"config", "import", "--rename", file}, importMachine.string());
                times.push_back(Seconds(Clock::now() - start));
            }
            std::sort(times.begin(), times.end());
            return times[times.size() / 2];
        };
        const double importSmall = importTime(ImportSmall);
        const double importLarge = importTime(ImportLarge);

        // One 10 MB File value, applied again and again with nothing changed in between.
        const fs::path historyMachine = folder / "history-machine";
        const std::string historyFile =
            TProfileHistory::FileBeside((historyMachine / fs::relative(dataFile, folder)).string());
        const std::string tenMegabytes = (folder / "ten-megabytes.txt").string();
        std::mt19937 random(23);
        PlainWrite(tenMegabytes, Content(random, HistoryValue), false);
        for (const std::vector<std::string>& command : {std::vector<std::string>{"config", "add", "History"},
                                                        {"setting", "add", "History", "File", tenMegabytes},
                                                        {"profile", "add", "History", "Office"},
                                                        {"profile", "refresh", "History", "Office"}})
            RunProcess(cli, command, historyMachine.string());
        const std::vector<std::string> applyOffice = {"--yes", "profile", "apply", "History", "Office"};
        std::vector<double> emptyApplies;
        for (int i = 0; i < Rounds; ++i) {
            fs::remove(historyFile);
            const auto start = Clock::now();
            RunProcess(cli, applyOffice, historyMachine.string());
            emptyApplies.push_back(Seconds(Clock::now() - start));
        }
        std::sort(emptyApplies.begin(), emptyApplies.end());
        const double emptyApply = emptyApplies[emptyApplies.size() / 2];
        for (std::size_t i = 0; i < TProfileHistory::Capacity; ++i)
            RunProcess(cli, applyOffice, historyMachine.string());
        const double fullApply = Median(Rounds, [&] { RunProcess(cli, applyOffice, historyMachine.string()); });
        const auto historyOnDisk = static_cast<double>(fs::file_size(historyFile));
        const auto distinct = static_cast<double>(DistinctContent(historyFile));

        // The seeded laptop has one enabled adapter: an apply writes and runs one shell script.
        TTCPIPSetting tcpip;
        std::unique_ptr<TSettingValue> adapters;
        const double capture = Median(Rounds, [&] { adapters = tcpip.CaptureValue(); });
        const double apply = Median(Rounds, [&] {
            TCheckResultList results;
            tcpip.ApplyValue(*adapters, results);
            if (results.Count() != 0)
                throw std::runtime_error("the TCP/IP apply failed: " + results[0].Text());
        });
        const std::string netsh = (fs::path(cli).parent_path() / "netsh").string();
        const double shell = Median(Rounds, [&] {
            RunProcess(netsh, {"interface", "ip", "set", "dns", "name=Wi-Fi", "source=dhcp", "register=PRIMARY"});
        });

        // The main window looks at a policy at every idle moment: the cache reads it only after a change.
        TPolicyCache policies;
        const auto looks = [](const std::function<void()>& look) {
            return [look] {
                for (int i = 0; i < 1000; ++i)
                    look();
            };
        };
        const double policyRead = Median(Rounds, looks([] { ReadPolicy(PolicyAllowUserConfigurations); }));
        const double policyCached = Median(Rounds, looks([&] { policies.Read(PolicyAllowUserConfigurations); }));

        std::printf("Median of %d rounds:\n", Rounds);
        Row("load", load, "plain read", read);
        Row("save (atomic, fsync)", save, "plain write + fsync", write);
        Row("save (atomic, fsync)", save, "plain write, no fsync", writeCached);
        Row("prolamo-cli list", list, "bare process + plain read", bare + read);
        Row("profile diff (1 MB)", diff, "prolamo-cli list", list);
        Row("profile undo (1 MB)", undo, "profile apply (1 MB)", applyRun);
        Row("TCP/IP capture", capture, "bare process (/bin/true)", bare);
        Row("TCP/IP apply", apply, "one netsh command", shell);
        Row("1000 policy looks", policyCached, "1000 policy reads", policyRead);
        const double megabytes = static_cast<double>(size) / (1 << 20);
        std::printf("\nLoad: %.2f times a plain read; prolamo-cli list: %.2f times a bare process and a plain\n"
                    "read (the bars are 3.00)\n",
                    load / read, list / (bare + read));
        std::printf("Load + save: %.2f ms against %.2f ms plain: ratio %.2f (the bar is 2.00)\n", (load + save) * 1e3,
                    (read + write) * 1e3, (load + save) / (read + write));
        std::printf("config import --rename: %d configurations %.2f ms, %d configurations %.2f ms: ratio %.2f\n"
                    "(the bar is 12.00)\n",
                    ImportSmall, importSmall * 1e3, ImportLarge, importLarge * 1e3, importLarge / importSmall);
        std::printf("Apply of one %zu MB value: %.2f ms with an empty history, %.2f ms with %zu snapshots of it:\n"
                    "ratio %.2f (the bar is 1.50)\n",
                    HistoryValue >> 20, emptyApply * 1e3, fullApply * 1e3, TProfileHistory::Capacity,
                    fullApply / emptyApply);
        std::printf("History on disk: %.2f MB for %.2f MB of distinct content: ratio %.2f (the bar is 1.20)\n",
                    historyOnDisk / (1 << 20), distinct / (1 << 20), historyOnDisk / distinct);
        std::printf("The history file beside the data file: %.2f MB after these rounds (%d applies, %d of\n"
                    "them undone; it keeps the last %d snapshots).\n",
                    static_cast<double>(historySize) / (1 << 20), 1 + 2 * Rounds, Rounds,
                    static_cast<int>(TProfileHistory::Capacity));
        std::printf("The apply polls the shell every 100 ms while it has printed nothing, so each enabled\n"
                    "adapter costs at least one poll.\n");
        std::printf("Peak memory: prolamo-cli list %.1f MB, %.1f MB on no data file: %.2f times the data\n"
                    "file's %.1f MB more (the bar is 2.00); this program %.1f MB (one loaded copy, the\n"
                    "bytes of the plain read and the save's buffer)\n",
                    cliPeak, emptyPeak, (cliPeak - emptyPeak) / megabytes, megabytes, PeakMegabytes());
        if (!keep && folderArgument.empty())
            fs::remove_all(folder);
        else
            std::printf("The machine stays in %s\n", folder.c_str());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "prolamo-bench: %s\n", e.what());
        return 1;
    }
}

#include "CliRunner.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <atomic>
#include <fstream>
#include <iterator>

extern char** environ;

namespace prolamo::test {

namespace {

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
    const std::string text = ReadText(path);
    return {text.begin(), text.end()};
}

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

::testing::AssertionResult Contains(const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << part << "\" not in:\n" << text;
}

void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

CliMachine::CliMachine() = default;

CliResult CliMachine::Run(const std::vector<std::string>& arguments, const std::string& input) const {
    // Files of their own for each run, so that runs can overlap.
    static std::atomic<int> runs{0};
    const std::string run = std::to_string(++runs);
    const std::string in = scratch_ / ("stdin" + run), out = scratch_ / ("stdout" + run),
                      err = scratch_ / ("stderr" + run);
    { std::ofstream(in, std::ios::binary) << input; }
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e)
        if (std::string_view(*e).rfind("PROLAMO_MACHINE=", 0) != 0)
            environment.emplace_back(*e);
    environment.push_back("PROLAMO_MACHINE=" + folder_.Path().string());
    std::vector<char*> envp, argv;
    for (std::string& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string program = PROLAMO_CLI_PATH;
    std::vector<std::string> args = arguments;
    argv.push_back(program.data());
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    CliResult result;
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << program;
        return result;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = ReadText(out);
    result.err = ReadText(err);
    return result;
}

CliResult CliMachine::Ok(const std::vector<std::string>& arguments, const std::string& input) const {
    CliResult result = Run(arguments, input);
    std::string command;
    for (const std::string& a : arguments)
        command += " " + a;
    EXPECT_EQ(result.exitCode, 0) << "prolamo-cli" << command << "\nstdout:\n"
                                  << result.out << "stderr:\n"
                                  << result.err;
    return result;
}

std::filesystem::path CliMachine::DataFile() const {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder_.Path()))
        if (entry.path().filename() == "qvt.dfm")
            return entry.path();
    return {};
}

std::filesystem::path CliMachine::HostsFile() const {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder_.Path()))
        if (entry.path().filename() == "hosts" && entry.path().parent_path().filename() == "etc")
            return entry.path();
    return {};
}

void MakeLocations(const CliMachine& machine) {
    machine.Ok({"config", "add", "Location"});
    machine.Ok({"setting", "add", "Location", "TCP/IP settings"});
    machine.Ok({"profile", "add", "Location", "Home"});
    machine.Ok({"profile", "refresh", "Location", "Home"});
    machine.Ok({"machine", "connect", "Ethernet"});
    machine.Ok({"profile", "add", "Location", "Office"});
    machine.Ok({"profile", "refresh", "Location", "Office"});
    machine.Ok({"machine", "disconnect", "Ethernet"});
}

} // namespace prolamo::test

// Applies a profile holding a large File value with prolamo-cli and kills the program at a random
// moment of the apply, again and again; the file must each time be either as it was or complete.
// Usage: prolamo-apply-kill RUNS

#include "support/TempFolder.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kBeforeSize = 16 << 20;

std::string Read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Write(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Bytes that differ at every place from another pattern's, so that a mix of both shows.
std::string Pattern(std::size_t size, char first) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(first + static_cast<char>(i % 23));
    return bytes;
}

class Cli {
public:
    explicit Cli(const std::filesystem::path& machine) {
        for (char** e = environ; *e; ++e)
            if (std::string_view(*e).rfind("PROLAMO_MACHINE=", 0) != 0)
                environment_.emplace_back(*e);
        environment_.push_back("PROLAMO_MACHINE=" + machine.string());
    }

    pid_t Start(std::vector<std::string> arguments) {
        std::string program = PROLAMO_CLI_PATH;
        std::vector<char*> argv{program.data()}, envp;
        for (std::string& a : arguments)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        for (std::string& e : environment_)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            std::fprintf(stderr, "cannot start %s\n", program.c_str());
            std::exit(2);
        }
        return pid;
    }

    // Runs to the end; exits the test when the program fails.
    void Ok(std::vector<std::string> arguments) {
        int status = 0;
        ::waitpid(Start(arguments), &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "prolamo-cli %s failed\n", arguments.front().c_str());
            std::exit(1);
        }
    }

private:
    std::vector<std::string> environment_;
};

// Whether the file at Target, which holds the old content, is being written: its folder holds
// another file beside it, or the file itself changed.
bool WritingBegan(const std::filesystem::path& target) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(target.parent_path(), error))
        if (entry.path() != target)
            return true;
    return std::filesystem::file_size(target, error) != kBeforeSize;
}

// About how long writing Complete over Before takes here.
std::chrono::microseconds WriteTime(const std::filesystem::path& target, const std::string& before,
                                    const std::string& complete) {
    Write(target, before);
    const auto started = Clock::now();
    Write(target, complete);
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - started);
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 20;
    const prolamo::test::TempFolder machine, files;
    const std::filesystem::path target = files.Path() / "large.bin";
    const std::string complete = Pattern(24 << 20, 'a'), before = Pattern(kBeforeSize, 'A');
    Cli cli(machine.Path());
    cli.Ok({"config", "add", "Big"});
    cli.Ok({"setting", "add", "Big", "File", target.string()});
    cli.Ok({"profile", "add", "Big", "Large"});
    Write(target, complete);
    cli.Ok({"profile", "refresh", "Big", "Large"});

    // How long a whole apply takes, so that the kills fall inside one.
    Write(target, before);
    cli.Ok({"profile", "apply", "--yes", "Big", "Large"});
    if (Read(target) != complete) {
        std::fprintf(stderr, "an apply that ran to its end did not write the file\n");
        return 1;
    }

    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<long long> moment(0, WriteTime(target, before, complete).count());
    int killedInTime = 0;
    for (int run = 0; run < runs; ++run) {
        Write(target, before);
        const pid_t pid = cli.Start({"profile", "apply", "--yes", "Big", "Large"});
        // Loading the data file takes longer than writing: the kill waits until the writing
        // begins, so that it falls inside it.
        int status = 0;
        bool ended = false;
        while (!WritingBegan(target) && !(ended = ::waitpid(pid, &status, WNOHANG) == pid))
            std::this_thread::yield();
        if (!ended) {
            std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
        }
        killedInTime += WIFSIGNALED(status) ? 1 : 0;
        const std::string found = Read(target);
        if (found != before && found != complete) {
            std::fprintf(stderr, "run %d: the file holds %zu bytes, neither as it was nor complete\n", run,
                         found.size());
            return 1;
        }
    }
    std::printf("%d runs, %d killed before they ended; the file was whole each time\n", runs, killedInTime);
    return 0;
}

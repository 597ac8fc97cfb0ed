#include "os/CommandLine.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace prolamo::os::test {
namespace {

// A child reads a mapped file that is then cut short: it ends with the given code and message.
TEST(CommandLineTest, AMappedFileCutShortEndsTheProcessWithTheGivenCode) {
    const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                       ("prolamo-cut-" + std::to_string(::getpid()));
    int errors[2];
    ASSERT_EQ(::pipe(errors), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::dup2(errors[1], STDERR_FILENO);
        EndWhenMappedFileIsCut("cut\n", 7);
        const long page = ::sysconf(_SC_PAGESIZE);
        const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
        if (fd < 0 || ::ftruncate(fd, 2 * page) != 0)
            std::_Exit(1);
        const auto* pages = static_cast<const volatile char*>(
            ::mmap(nullptr, static_cast<std::size_t>(2 * page), PROT_READ, MAP_SHARED, fd, 0));
        if (pages == MAP_FAILED || ::ftruncate(fd, 0) != 0)
            std::_Exit(2);
        (void)pages[page]; // beyond the file's end now
        std::_Exit(3);
    }
    ::close(errors[1]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    char text[16] = {};
    const ssize_t read = ::read(errors[0], text, sizeof text - 1);
    ::close(errors[0]);
    std::filesystem::remove(file);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7);
    EXPECT_EQ(std::string(text, read > 0 ? static_cast<std::size_t>(read) : 0), "cut\n");
}

} // namespace
} // namespace prolamo::os::test

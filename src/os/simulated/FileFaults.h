#pragma once
// A disk that fills up, for tests of what a program does when a write fails partway. Process-wide:
// it holds for every machine and for files outside them.

#include <cstdint>
#include <optional>

namespace prolamo::os::simulated {

// While set, each write of a file through Files() puts down at most `bytes` bytes of it and then
// fails as on a full disk (ErrorDiskFull); a later write has the room again, as removing the old
// bytes of a file frees theirs. Empty lifts it.
void SetFileWriteRoom(std::optional<std::uint64_t> bytes);

} // namespace prolamo::os::simulated

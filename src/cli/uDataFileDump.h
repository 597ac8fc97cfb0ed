#pragma once

#include "framework/Exceptions.h"

#include <cstdint>
#include <iosfwd>
#include <span>

namespace prolamo::cli {

// The dump stopped at bytes it cannot make sense of; Offset counts from the file's start.
class EDumpError : public Exception {
public:
    EDumpError(std::size_t offset, const std::string& message) : Exception(message), offset_(offset) {}
    std::size_t Offset() const { return offset_; }

private:
    std::size_t offset_;
};

// Writes a data file's component tree as text: class, name and every property of every record,
// including records of classes this program does not know. Everything up to a damaged place is
// written before EDumpError is raised.
void DumpDataFile(std::span<const std::uint8_t> file, std::ostream& out);

} // namespace prolamo::cli

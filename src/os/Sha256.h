#pragma once
// SHA-256 of a byte string: the history names each stored content by it. On Windows the
// system's own (BCrypt), elsewhere nettle's.

#include <array>
#include <cstdint>
#include <span>

namespace prolamo::os {

using Sha256Digest = std::array<std::uint8_t, 32>;

Sha256Digest Sha256(std::span<const std::uint8_t> bytes);

} // namespace prolamo::os

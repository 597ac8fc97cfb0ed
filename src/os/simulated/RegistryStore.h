#pragma once
// Registry keys and values in machine.db. Keys are rows by full path ("A\B\C" below a hive, the
// hive itself being ""), looked up by the path's case-folded form; values keep their position of
// first writing. Callers hold a transaction around these.

#include <sqlite3.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace prolamo::os::simulated::store {

inline constexpr int HiveCurrentUser = 1;
inline constexpr int HiveLocalMachine = 2;

// Registry data as Windows stores it: UTF-16LE with its terminating zero (REG_SZ), each string
// terminated and one more zero at the end (REG_MULTI_SZ), little-endian (REG_DWORD).
std::vector<std::uint8_t> StringData(std::u16string_view text);
std::vector<std::uint8_t> MultiStringData(const std::vector<std::u16string>& strings);
std::vector<std::uint8_t> DwordData(std::uint32_t value);

// Upper-cases each code point, as the registry compares names; returns UTF-8.
std::string Fold(std::u16string_view name);
// Whether the names are the same but for letter case, as Fold compares them.
bool SameName(std::u16string_view a, std::u16string_view b);

// SQLITE_OK with *id 0 when the key does not exist.
int FindKey(sqlite3* db, int hive, std::u16string_view path, std::int64_t* id);
// Creates the key and every missing parent; *created tells whether the key itself was new.
int CreateKey(sqlite3* db, int hive, std::u16string_view path, std::int64_t* id, bool* created);
// Rewriting a value keeps its name's spelling and its position.
int SetValue(sqlite3* db, std::int64_t keyId, std::u16string_view name, std::uint32_t type,
             std::span<const std::uint8_t> data);

struct StoredValue {
    std::u16string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
};
// SQLITE_OK with *found false when the key has no such value.
int GetValue(sqlite3* db, std::int64_t keyId, std::u16string_view name, StoredValue* value, bool* found);
// The key's values in their order.
int GetValues(sqlite3* db, std::int64_t keyId, std::vector<StoredValue>* values);
// The names of the key's direct subkeys, in the registry's order (alphabetical, case-insensitive).
int GetSubKeyNames(sqlite3* db, int hive, std::u16string_view path, std::vector<std::u16string>* names);

// Seeds the keys and values of a new workstation whose user is `userName`; throws when a write fails.
void SeedRegistry(sqlite3* db, std::u16string_view userName);

} // namespace prolamo::os::simulated::store

#pragma once
// A thin RAII layer over the SQLite C interface: the simulated machine and the history use it.

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace prolamo::os {

class Statement {
public:
    Statement(sqlite3* db, std::string_view sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool Ok() const { return stmt_ != nullptr; }
    int PrepareCode() const { return prepareCode_; }

    Statement& Bind(int index, std::int64_t value);
    Statement& Bind(int index, std::string_view text);
    Statement& Bind(int index, std::span<const std::uint8_t> blob);

    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step();

    std::int64_t Int(int column) const;
    std::string Text(int column) const;
    std::vector<std::uint8_t> Blob(int column) const;
    bool IsNull(int column) const;

private:
    sqlite3_stmt* stmt_ = nullptr;
    int prepareCode_ = SQLITE_OK;
};

// BEGIN IMMEDIATE takes the write lock up front: in WAL mode a read transaction that later writes
// fails at once when another connection has written meanwhile, and the busy timeout does not help.
class Transaction {
public:
    enum class Kind { Read, Write };
    Transaction(sqlite3* db, Kind kind);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    int BeginCode() const { return beginCode_; }
    int Commit();

private:
    sqlite3* db_;
    int beginCode_;
    bool open_;
};

int Exec(sqlite3* db, const char* sql);

} // namespace prolamo::os

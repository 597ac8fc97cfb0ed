#include "os/Sqlite.h"

namespace prolamo::os {

Statement::Statement(sqlite3* db, std::string_view sql) {
    prepareCode_ = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr);
    if (prepareCode_ != SQLITE_OK) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
    }
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

Statement& Statement::Bind(int index, std::int64_t value) {
    sqlite3_bind_int64(stmt_, index, value);
    return *this;
}

Statement& Statement::Bind(int index, std::string_view text) {
    sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::Bind(int index, std::span<const std::uint8_t> blob) {
    // A zero-length blob must still be a blob, not NULL.
    static const std::uint8_t empty = 0;
    sqlite3_bind_blob(stmt_, index, blob.empty() ? &empty : blob.data(), static_cast<int>(blob.size()),
                      SQLITE_TRANSIENT);
    return *this;
}

int Statement::Step() {
    return stmt_ == nullptr ? prepareCode_ : sqlite3_step(stmt_);
}

std::int64_t Statement::Int(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

std::string Statement::Text(int column) const {
    const auto* text = sqlite3_column_text(stmt_, column);
    const int size = sqlite3_column_bytes(stmt_, column);
    return text == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(text), size);
}

std::vector<std::uint8_t> Statement::Blob(int column) const {
    const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt_, column));
    const int size = sqlite3_column_bytes(stmt_, column);
    return data == nullptr ? std::vector<std::uint8_t>() : std::vector<std::uint8_t>(data, data + size);
}

bool Statement::IsNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

Transaction::Transaction(sqlite3* db, Kind kind)
    : db_(db), beginCode_(Exec(db, kind == Kind::Write ? "BEGIN IMMEDIATE" : "BEGIN")), open_(beginCode_ == SQLITE_OK) {
}

Transaction::~Transaction() {
    if (open_)
        Exec(db_, "ROLLBACK");
}

int Transaction::Commit() {
    if (!open_)
        return beginCode_;
    const int rc = Exec(db_, "COMMIT");
    if (rc == SQLITE_OK)
        open_ = false;
    return rc;
}

int Exec(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

} // namespace prolamo::os

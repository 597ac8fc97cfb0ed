#include "os/simulated/RegistryStore.h"

#include "os/Sqlite.h"
#include "os/Text.h"

#include <unicode/uchar.h>
#include <unicode/utf16.h>

namespace prolamo::os::simulated::store {

std::string Fold(std::u16string_view name) {
    std::u16string folded;
    folded.reserve(name.size());
    const auto* s = reinterpret_cast<const UChar*>(name.data());
    const auto length = static_cast<int32_t>(name.size());
    for (int32_t i = 0; i < length;) {
        UChar32 c;
        U16_NEXT(s, i, length, c);
        c = u_toupper(c);
        if (U_IS_BMP(c)) {
            folded.push_back(static_cast<char16_t>(c));
        } else {
            folded.push_back(static_cast<char16_t>(U16_LEAD(c)));
            folded.push_back(static_cast<char16_t>(U16_TRAIL(c)));
        }
    }
    return Utf16ToUtf8(folded);
}

bool SameName(std::u16string_view a, std::u16string_view b) {
    const auto* s = reinterpret_cast<const UChar*>(a.data());
    const auto* t = reinterpret_cast<const UChar*>(b.data());
    const auto sLength = static_cast<int32_t>(a.size());
    const auto tLength = static_cast<int32_t>(b.size());
    int32_t i = 0, j = 0;
    while (i < sLength && j < tLength) {
        UChar32 c, d;
        U16_NEXT(s, i, sLength, c);
        U16_NEXT(t, j, tLength, d);
        if (u_toupper(c) != u_toupper(d))
            return false;
    }
    return i == sLength && j == tLength;
}

int FindKey(sqlite3* db, int hive, std::u16string_view path, std::int64_t* id) {
    Statement q(db, "SELECT id FROM reg_key WHERE hive = ?1 AND folded = ?2");
    q.Bind(1, std::int64_t{hive}).Bind(2, Fold(path));
    const int rc = q.Step();
    *id = rc == SQLITE_ROW ? q.Int(0) : 0;
    return rc == SQLITE_ROW || rc == SQLITE_DONE ? SQLITE_OK : rc;
}

int CreateKey(sqlite3* db, int hive, std::u16string_view path, std::int64_t* id, bool* created) {
    *created = false;
    std::string display; // spelling of the existing part, extended by the new segments
    std::size_t end = 0;
    for (;;) {
        end = path.find(u'\\', end == 0 ? 0 : end + 1);
        const std::u16string_view prefix = path.substr(0, end);
        Statement q(db, "SELECT id, path FROM reg_key WHERE hive = ?1 AND folded = ?2");
        q.Bind(1, std::int64_t{hive}).Bind(2, Fold(prefix));
        int rc = q.Step();
        if (rc == SQLITE_ROW) {
            *id = q.Int(0);
            display = q.Text(1);
            *created = false;
        } else if (rc == SQLITE_DONE) {
            const std::size_t segmentStart = prefix.rfind(u'\\');
            const std::u16string_view segment =
                segmentStart == std::u16string_view::npos ? prefix : prefix.substr(segmentStart + 1);
            if (!display.empty())
                display += '\\';
            display += Utf16ToUtf8(segment);
            Statement insert(db, "INSERT INTO reg_key(hive, path, folded) VALUES (?1, ?2, ?3)");
            insert.Bind(1, std::int64_t{hive}).Bind(2, display).Bind(3, Fold(prefix));
            rc = insert.Step();
            if (rc != SQLITE_DONE)
                return rc;
            *id = sqlite3_last_insert_rowid(db);
            *created = true;
        } else {
            return rc;
        }
        if (end == std::u16string_view::npos)
            return SQLITE_OK;
    }
}

int SetValue(sqlite3* db, std::int64_t keyId, std::u16string_view name, std::uint32_t type,
             std::span<const std::uint8_t> data) {
    Statement update(db, "UPDATE reg_value SET type = ?3, data = ?4 WHERE key_id = ?1 AND folded = ?2");
    update.Bind(1, keyId).Bind(2, Fold(name)).Bind(3, std::int64_t{type}).Bind(4, data);
    int rc = update.Step();
    if (rc != SQLITE_DONE)
        return rc;
    if (sqlite3_changes(db) > 0)
        return SQLITE_OK;
    Statement insert(db, "INSERT INTO reg_value(key_id, name, folded, position, type, data) "
                         "VALUES (?1, ?2, ?3, (SELECT COALESCE(MAX(position), 0) + 1 FROM reg_value "
                         "WHERE key_id = ?1), ?4, ?5)");
    insert.Bind(1, keyId).Bind(2, Utf16ToUtf8(name)).Bind(3, Fold(name)).Bind(4, std::int64_t{type}).Bind(5, data);
    rc = insert.Step();
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

int GetValue(sqlite3* db, std::int64_t keyId, std::u16string_view name, StoredValue* value, bool* found) {
    Statement q(db, "SELECT name, type, data FROM reg_value WHERE key_id = ?1 AND folded = ?2");
    q.Bind(1, keyId).Bind(2, Fold(name));
    const int rc = q.Step();
    *found = rc == SQLITE_ROW;
    if (*found)
        *value = {Utf8ToUtf16(q.Text(0)), static_cast<std::uint32_t>(q.Int(1)), q.Blob(2)};
    return rc == SQLITE_ROW || rc == SQLITE_DONE ? SQLITE_OK : rc;
}

int GetValues(sqlite3* db, std::int64_t keyId, std::vector<StoredValue>* values) {
    values->clear();
    Statement q(db, "SELECT name, type, data FROM reg_value WHERE key_id = ?1 ORDER BY position");
    q.Bind(1, keyId);
    int rc;
    while ((rc = q.Step()) == SQLITE_ROW)
        values->push_back({Utf8ToUtf16(q.Text(0)), static_cast<std::uint32_t>(q.Int(1)), q.Blob(2)});
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

int GetSubKeyNames(sqlite3* db, int hive, std::u16string_view path, std::vector<std::u16string>* names) {
    names->clear();
    const std::string prefix = path.empty() ? std::string() : Fold(path) + "\\";
    Statement q(db, "SELECT path FROM reg_key WHERE hive = ?1 AND folded <> '' AND "
                    "substr(folded, 1, length(?2)) = ?2 AND instr(substr(folded, length(?2) + 1), '\\') = 0 "
                    "ORDER BY folded");
    q.Bind(1, std::int64_t{hive}).Bind(2, prefix);
    int rc;
    while ((rc = q.Step()) == SQLITE_ROW) {
        const std::u16string full = Utf8ToUtf16(q.Text(0));
        const std::size_t slash = full.rfind(u'\\');
        names->push_back(slash == std::u16string::npos ? full : full.substr(slash + 1));
    }
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

std::vector<std::uint8_t> StringData(std::u16string_view text) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve((text.size() + 1) * 2);
    for (char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

std::vector<std::uint8_t> MultiStringData(const std::vector<std::u16string>& strings) {
    std::vector<std::uint8_t> bytes;
    for (const auto& s : strings) {
        const auto one = StringData(s);
        bytes.insert(bytes.end(), one.begin(), one.end());
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

std::vector<std::uint8_t> DwordData(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

} // namespace prolamo::os::simulated::store

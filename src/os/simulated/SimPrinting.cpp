#include "os/simulated/SimPrinting.h"

#include "os/simulated/PrintingStore.h"

#include "os/Sqlite.h"
#include "os/Text.h"
#include "os/simulated/Machine.h"
#include "os/simulated/RegistryStore.h"
#include "os/simulated/SqliteErrors.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace prolamo::os::simulated {

namespace {

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS printer(
    id INTEGER PRIMARY KEY,
    name TEXT NOT NULL,
    folded TEXT NOT NULL UNIQUE,
    connection INTEGER NOT NULL,
    driver TEXT NOT NULL,
    port TEXT NOT NULL,
    is_default INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS shared_printer(
    folded TEXT PRIMARY KEY,
    name TEXT NOT NULL,
    driver TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS net_share(
    folded TEXT PRIMARY KEY,
    path TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS net_drive(
    local TEXT PRIMARY KEY,
    remote TEXT NOT NULL);
)sql";

constexpr const char* kFactSeeded = "seeded_printers_drives";

// Statements for use inside the caller's transaction; each answers an SQLite code.
int InsertPrinter(sqlite3* db, std::u16string_view name, bool connection, std::u16string_view driver,
                  std::u16string_view port) {
    Statement q(db,
                "INSERT OR IGNORE INTO printer(name, folded, connection, driver, port) VALUES (?1, ?2, ?3, ?4, ?5)");
    q.Bind(1, Utf16ToUtf8(name)).Bind(2, store::Fold(name)).Bind(3, connection ? 1 : 0);
    q.Bind(4, Utf16ToUtf8(driver)).Bind(5, Utf16ToUtf8(port));
    return q.Step();
}

int InsertSharedPrinter(sqlite3* db, std::u16string_view name, std::u16string_view driver) {
    Statement q(db, "INSERT OR REPLACE INTO shared_printer(folded, name, driver) VALUES (?1, ?2, ?3)");
    q.Bind(1, store::Fold(name)).Bind(2, Utf16ToUtf8(name)).Bind(3, Utf16ToUtf8(driver));
    return q.Step();
}

// Steps Q to the printer it looks for: ErrorInvalidPrinterName when there is none.
ErrorCode StepToPrinter(Statement& q) {
    const int rc = q.Step();
    if (rc == SQLITE_DONE)
        return ErrorInvalidPrinterName;
    return rc == SQLITE_ROW ? ErrorSuccess : SqliteToWindowsError(rc);
}

ErrorCode FindPrinter(sqlite3* db, std::u16string_view name, std::int64_t* id) {
    Statement q(db, "SELECT id FROM printer WHERE folded = ?1");
    q.Bind(1, store::Fold(name));
    const ErrorCode e = StepToPrinter(q);
    if (e == ErrorSuccess)
        *id = q.Int(0);
    return e;
}

// ---- printer records ----

struct PrinterRow {
    std::u16string name;
    bool connection = false;
    std::u16string driver;
    std::u16string port;
};

// Lays out level 2 or 4 records, then their texts, as the spooler fills the caller's buffer.
class RecordWriter {
public:
    RecordWriter(std::uint8_t* buffer, std::size_t recordsSize) : buffer_(buffer), texts_(recordsSize) {}

    static std::size_t TextSize(const std::u16string* text) {
        return text == nullptr ? 0 : (text->size() + 1) * sizeof(char16_t);
    }
    char16_t* Text(const std::u16string* text) {
        if (text == nullptr)
            return nullptr;
        auto* at = reinterpret_cast<char16_t*>(buffer_ + texts_);
        std::memcpy(buffer_ + texts_, text->c_str(), TextSize(text));
        texts_ += TextSize(text);
        return at;
    }
    template <class Record> void Put(std::size_t index, const Record& record) {
        std::memcpy(buffer_ + index * sizeof(Record), &record, sizeof(Record));
    }

private:
    std::uint8_t* buffer_;
    std::size_t texts_;
};

// The texts of one level-2 record in field order: server, printer, share, port, driver, comment,
// location, separator file, print processor, data type, parameters.
struct Level2Texts {
    std::optional<std::u16string> fields[11];
};

Level2Texts TextsOf(const PrinterRow& p) {
    Level2Texts t;
    std::u16string_view server, share;
    const bool network = p.connection && SplitNetworkName(p.name, &server, &share);
    if (network)
        t.fields[0] = std::u16string(server);
    t.fields[1] = p.name;
    t.fields[2] = network ? std::u16string(share) : std::u16string();
    t.fields[3] = p.port;
    t.fields[4] = p.driver;
    t.fields[5] = u"";
    t.fields[6] = u"";
    t.fields[7] = u"";
    t.fields[8] = u"winprint";
    t.fields[9] = u"RAW";
    t.fields[10] = u"";
    return t;
}

std::uint32_t AttributesOf(const PrinterRow& p) {
    return p.connection ? PrinterAttributeNetwork : PrinterAttributeLocal;
}

const std::u16string* Ptr(const std::optional<std::u16string>& text) {
    return text ? &*text : nullptr;
}

} // namespace

bool SplitNetworkName(std::u16string_view name, std::u16string_view* server, std::u16string_view* rest) {
    if (name.size() < 5 || name.substr(0, 2) != u"\\\\")
        return false;
    const std::size_t slash = name.find(u'\\', 2);
    if (slash == std::u16string_view::npos || slash == 2 || slash + 1 == name.size())
        return false;
    *server = name.substr(0, slash);
    *rest = name.substr(slash + 1);
    return true;
}

ErrorCode Done(int rc) {
    return SqliteToWindowsError(rc == SQLITE_DONE ? SQLITE_OK : rc);
}

// ---- SimPrintSpooler ----

ErrorCode SimPrintSpooler::GetDefaultPrinter(char16_t* buffer, std::uint32_t* size) {
    if (size == nullptr)
        return ErrorInvalidParameter;
    if (machine_.Db() == nullptr)
        return machine_.OpenError();
    std::lock_guard lock(machine_.DbMutex());
    Statement q(machine_.Db(), "SELECT name FROM printer WHERE is_default = 1");
    const int rc = q.Step();
    if (rc == SQLITE_DONE)
        return ErrorFileNotFound;
    if (rc != SQLITE_ROW)
        return SqliteToWindowsError(rc);
    const std::u16string name = Utf8ToUtf16(q.Text(0));
    const auto units = static_cast<std::uint32_t>(name.size() + 1);
    if (buffer == nullptr || *size < units) {
        *size = units;
        return ErrorInsufficientBuffer;
    }
    std::memcpy(buffer, name.c_str(), units * sizeof(char16_t));
    *size = units;
    return ErrorSuccess;
}

ErrorCode SimPrintSpooler::SetDefaultPrinter(std::u16string_view printerName) {
    return InWriteTransaction(machine_, [&](sqlite3* db) -> ErrorCode {
        if (printerName.empty()) {
            Statement any(db, "SELECT 1 FROM printer WHERE is_default = 1");
            if (const int rc = any.Step(); rc == SQLITE_ROW)
                return ErrorSuccess;
            else if (rc != SQLITE_DONE)
                return SqliteToWindowsError(rc);
            Statement first(db, "UPDATE printer SET is_default = 1 WHERE id = (SELECT MIN(id) FROM printer)");
            return Done(first.Step());
        }
        std::int64_t id = 0;
        if (const ErrorCode e = FindPrinter(db, printerName, &id); e != ErrorSuccess)
            return e;
        Statement set(db, "UPDATE printer SET is_default = (id = ?1)");
        set.Bind(1, id);
        return Done(set.Step());
    });
}

ErrorCode SimPrintSpooler::EnumPrinters(std::uint32_t flags, std::uint32_t level, std::uint8_t* buffer,
                                        std::uint32_t bufferSize, std::uint32_t* needed, std::uint32_t* returned) {
    if (needed == nullptr || returned == nullptr || (buffer == nullptr && bufferSize != 0))
        return ErrorInvalidParameter;
    *returned = 0;
    if (level != 2 && level != 4)
        return ErrorInvalidLevel;
    if (machine_.Db() == nullptr)
        return machine_.OpenError();
    std::vector<PrinterRow> printers;
    {
        std::lock_guard lock(machine_.DbMutex());
        Statement q(machine_.Db(), "SELECT name, connection, driver, port FROM printer ORDER BY id");
        int rc;
        while ((rc = q.Step()) == SQLITE_ROW) {
            PrinterRow p{Utf8ToUtf16(q.Text(0)), q.Int(1) != 0, Utf8ToUtf16(q.Text(2)), Utf8ToUtf16(q.Text(3))};
            if ((flags & (p.connection ? PrinterEnumConnections : PrinterEnumLocal)) != 0)
                printers.push_back(std::move(p));
        }
        if (rc != SQLITE_DONE)
            return SqliteToWindowsError(rc);
    }

    const std::size_t recordSize = level == 2 ? sizeof(PrinterInfo2) : sizeof(PrinterInfo4);
    std::size_t size = printers.size() * recordSize;
    std::vector<Level2Texts> texts;
    for (const PrinterRow& p : printers) {
        texts.push_back(TextsOf(p));
        if (level == 2)
            for (const auto& field : texts.back().fields)
                size += RecordWriter::TextSize(Ptr(field));
        else
            size += RecordWriter::TextSize(Ptr(texts.back().fields[1])) +
                    RecordWriter::TextSize(Ptr(texts.back().fields[0]));
    }
    *needed = static_cast<std::uint32_t>(size);
    if (bufferSize < size)
        return ErrorInsufficientBuffer;

    RecordWriter out(buffer, printers.size() * recordSize);
    for (std::size_t i = 0; i < printers.size(); ++i) {
        const auto& f = texts[i].fields;
        if (level == 4) {
            out.Put(i, PrinterInfo4{out.Text(Ptr(f[1])), out.Text(Ptr(f[0])), AttributesOf(printers[i])});
            continue;
        }
        PrinterInfo2 record{};
        char16_t** fields[] = {&record.pServerName,     &record.pPrinterName, &record.pShareName, &record.pPortName,
                               &record.pDriverName,     &record.pComment,     &record.pLocation,  &record.pSepFile,
                               &record.pPrintProcessor, &record.pDatatype,    &record.pParameters};
        for (std::size_t k = 0; k < std::size(fields); ++k)
            *fields[k] = out.Text(Ptr(f[k]));
        record.Attributes = AttributesOf(printers[i]);
        record.Priority = 1;
        record.DefaultPriority = 1;
        out.Put(i, record);
    }
    *returned = static_cast<std::uint32_t>(printers.size());
    return ErrorSuccess;
}

ErrorCode SimPrintSpooler::AddPrinterConnection(std::u16string_view printerName) {
    std::u16string_view server, printer;
    if (!SplitNetworkName(printerName, &server, &printer) || printer.find(u'\\') != std::u16string_view::npos)
        return ErrorInvalidPrinterName;
    return InWriteTransaction(machine_, [&](sqlite3* db) -> ErrorCode {
        Statement shared(db, "SELECT name, driver FROM shared_printer WHERE folded = ?1");
        shared.Bind(1, store::Fold(printerName));
        if (const ErrorCode e = StepToPrinter(shared); e != ErrorSuccess)
            return e;
        // The connection takes the name as the server spells it; connecting twice changes nothing.
        const std::u16string name = Utf8ToUtf16(shared.Text(0));
        return Done(InsertPrinter(db, name, true, Utf8ToUtf16(shared.Text(1)), name));
    });
}

ErrorCode SimPrintSpooler::OpenPrinter(std::u16string_view printerName, HPrinter* printer) {
    if (printer == nullptr)
        return ErrorInvalidParameter;
    if (machine_.Db() == nullptr)
        return machine_.OpenError();
    std::int64_t id = 0;
    {
        std::lock_guard lock(machine_.DbMutex());
        if (const ErrorCode e = FindPrinter(machine_.Db(), printerName, &id); e != ErrorSuccess)
            return e;
    }
    std::lock_guard lock(handlesMutex_);
    *printer = nextHandle_;
    nextHandle_ += 4;
    handles_.emplace(*printer, id);
    return ErrorSuccess;
}

ErrorCode SimPrintSpooler::DeletePrinter(HPrinter printer) {
    std::int64_t id = 0;
    {
        std::lock_guard lock(handlesMutex_);
        const auto it = handles_.find(printer);
        if (it == handles_.end())
            return ErrorInvalidHandle;
        id = it->second;
    }
    return InWriteTransaction(machine_, [&](sqlite3* db) -> ErrorCode {
        Statement q(db, "SELECT connection FROM printer WHERE id = ?1");
        q.Bind(1, id);
        if (const ErrorCode e = StepToPrinter(q); e != ErrorSuccess)
            return e; // deleted meanwhile
        // A connection is the user's own; a printer of the machine takes an administrator.
        bool administrator = false;
        if (q.Int(0) == 0) {
            if (const ErrorCode e = machine_.ReadAdministrator(&administrator); e != ErrorSuccess)
                return e;
            if (!administrator)
                return ErrorAccessDenied;
        }
        Statement remove(db, "DELETE FROM printer WHERE id = ?1");
        remove.Bind(1, id);
        return Done(remove.Step());
    });
}

ErrorCode SimPrintSpooler::ClosePrinter(HPrinter printer) {
    std::lock_guard lock(handlesMutex_);
    return handles_.erase(printer) == 1 ? ErrorSuccess : ErrorInvalidHandle;
}

// ---- control and seeding ----

ErrorCode AddSharedPrinter(Machine& machine, std::u16string_view printerName, std::u16string_view driver) {
    std::u16string_view server, printer;
    if (!SplitNetworkName(printerName, &server, &printer))
        return ErrorInvalidPrinterName;
    return InWriteTransaction(machine, [&](sqlite3* db) { return Done(InsertSharedPrinter(db, printerName, driver)); });
}

ErrorCode InstallLocalPrinter(Machine& machine, std::u16string_view printerName, std::u16string_view driver,
                              std::u16string_view port) {
    if (printerName.empty() || printerName.find(u'\\') != std::u16string_view::npos)
        return ErrorInvalidPrinterName;
    return InWriteTransaction(machine, [&](sqlite3* db) -> ErrorCode {
        if (const int rc = InsertPrinter(db, printerName, false, driver, port); rc != SQLITE_DONE)
            return SqliteToWindowsError(rc);
        return sqlite3_changes(db) == 1 ? ErrorSuccess : ErrorAlreadyExists;
    });
}

void SeedPrintersAndDrives(Machine& machine) {
    sqlite3* db = machine.Db();
    if (Exec(db, kSchema) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    std::optional<std::string> done;
    if (machine.ReadFact(kFactSeeded, &done) != ErrorSuccess)
        throw std::runtime_error(sqlite3_errmsg(db));
    if (done)
        return;
    auto check = [db](int rc) {
        if (rc != SQLITE_DONE)
            throw std::runtime_error(std::string("seeding the printers and drives failed: ") + sqlite3_errstr(rc));
    };
    constexpr const char16_t* laser = u"\\\\PRINTSRV\\Office-Laser";
    check(InsertSharedPrinter(db, laser, u"HP Universal Printing PCL 6"));
    check(InsertSharedPrinter(db, u"\\\\PRINTSRV\\Office-Color", u"Canon Generic Plus PCL6"));
    check(InsertSharedPrinter(db, u"\\\\PRINTSRV\\Floor2-Copier", u"Xerox Global Print Driver PCL6"));
    check(InsertPrinter(db, u"Microsoft Print to PDF", false, u"Microsoft Print To PDF", u"PORTPROMPT:"));
    check(InsertPrinter(db, laser, true, u"HP Universal Printing PCL 6", laser));
    Statement makeDefault(db, "UPDATE printer SET is_default = (folded = ?1)");
    makeDefault.Bind(1, store::Fold(laser));
    check(makeDefault.Step());

    for (const char16_t* share :
         {u"\\\\FILESRV\\home", u"\\\\FILESRV\\Shared", u"\\\\FILESRV\\Projects", u"\\\\NAS01\\Backup"})
        check(InsertShare(db, share));
    const std::u16string userName = Utf8ToUtf16(machine.UserName());
    check(InsertDrive(db, u"H:", u"\\\\FILESRV\\home\\" + userName));
    check(InsertDrive(db, u"S:", u"\\\\FILESRV\\Shared"));
    machine.SetFact(kFactSeeded, "1");
}

} // namespace prolamo::os::simulated

// The mapped drives and the file shares the network offers.

#include "os/simulated/SimPrinting.h"

#include "os/Text.h"
#include "os/simulated/PrintingStore.h"
#include "os/simulated/RegistryStore.h"

#include <cstdlib>
#include <stdexcept>

namespace prolamo::os::simulated {

namespace {

// A drive letter with its colon, upper-cased; empty when the name is not one.
std::u16string DriveName(std::u16string_view name) {
    if (name.size() != 2 || name[1] != u':')
        return {};
    const char16_t letter = name[0] >= u'a' && name[0] <= u'z' ? static_cast<char16_t>(name[0] - 32) : name[0];
    if (letter < u'A' || letter > u'Z')
        return {};
    return {letter, u':'};
}

// The letters of the machine's own disks.
bool IsLocalDisk(std::u16string_view drive) {
    return drive == u"C:";
}

HResult Failed(ErrorCode code, const char16_t* source, ErrorInfo* error) {
    if (error != nullptr) {
        error->Source = source;
        error->Description = Utf8ToUtf16(SystemErrorText(code));
    }
    return HResultFromWin32(code);
}

} // namespace

int InsertShare(sqlite3* db, std::u16string_view path) {
    Statement q(db, "INSERT OR REPLACE INTO net_share(folded, path) VALUES (?1, ?2)");
    q.Bind(1, store::Fold(path)).Bind(2, Utf16ToUtf8(path));
    return q.Step();
}

int InsertDrive(sqlite3* db, std::u16string_view local, std::u16string_view remote) {
    Statement q(db, "INSERT INTO net_drive(local, remote) VALUES (?1, ?2)");
    q.Bind(1, Utf16ToUtf8(local)).Bind(2, Utf16ToUtf8(remote));
    return q.Step();
}

HResult SimWshNetwork::EnumNetworkDrives(std::vector<std::u16string>* items, ErrorInfo* error) {
    constexpr const char16_t* source = u"WSHNetwork.EnumNetworkDrives";
    if (items == nullptr)
        return EInvalidArg;
    items->clear();
    if (machine_.Db() == nullptr)
        return Failed(machine_.OpenError(), source, error);
    std::lock_guard lock(machine_.DbMutex());
    Statement q(machine_.Db(), "SELECT local, remote FROM net_drive ORDER BY local");
    int rc;
    while ((rc = q.Step()) == SQLITE_ROW) {
        items->push_back(Utf8ToUtf16(q.Text(0)));
        items->push_back(Utf8ToUtf16(q.Text(1)));
    }
    if (rc != SQLITE_DONE) {
        items->clear();
        return Failed(SqliteToWindowsError(rc), source, error);
    }
    return SOk;
}

// Credentials are not checked: every share of the simulated network is open to the user.
HResult SimWshNetwork::MapNetworkDrive(std::u16string_view localName, std::u16string_view remoteName,
                                       bool /*updateProfile*/, const std::optional<std::u16string>& /*userName*/,
                                       const std::optional<std::u16string>& /*password*/, ErrorInfo* error) {
    constexpr const char16_t* source = u"WSHNetwork.MapNetworkDrive";
    const std::u16string drive = DriveName(localName);
    if (drive.empty())
        return Failed(ErrorBadDevice, source, error);
    if (IsLocalDisk(drive))
        return Failed(ErrorAlreadyAssigned, source, error);
    const ErrorCode e = InWriteTransaction(machine_, [&](sqlite3* db) -> ErrorCode {
        Statement used(db, "SELECT 1 FROM net_drive WHERE local = ?1");
        used.Bind(1, Utf16ToUtf8(drive));
        if (const int rc = used.Step(); rc == SQLITE_ROW)
            return ErrorAlreadyAssigned;
        else if (rc != SQLITE_DONE)
            return SqliteToWindowsError(rc);
        std::u16string_view server, path;
        if (!SplitNetworkName(remoteName, &server, &path))
            return ErrorNoNetOrBadPath;
        std::optional<std::string> unreachable;
        if (const ErrorCode f = machine_.ReadFact(FactUnreachableDomainMaps, &unreachable); f != ErrorSuccess)
            return f;
        if (const int left = unreachable ? std::atoi(unreachable->c_str()) : 0; left > 0) {
            try {
                machine_.SetFact(FactUnreachableDomainMaps, std::to_string(left - 1));
            } catch (const std::runtime_error&) {
                return ErrorRegistryIoFailed;
            }
            return ErrorCantAccessDomainInfo;
        }
        const std::u16string share = std::u16string(server) + u"\\" + std::u16string(path.substr(0, path.find(u'\\')));
        // The server is known when it offers any share.
        Statement known(db, "SELECT MAX(folded = ?2) FROM net_share "
                            "WHERE substr(folded, 1, length(?1) + 1) = ?1 || '\\'");
        known.Bind(1, store::Fold(server)).Bind(2, store::Fold(share));
        if (const int rc = known.Step(); rc != SQLITE_ROW)
            return SqliteToWindowsError(rc);
        if (known.IsNull(0))
            return ErrorBadNetpath;
        if (known.Int(0) == 0)
            return ErrorBadNetName;
        return Done(InsertDrive(db, drive, remoteName));
    });
    return e == ErrorSuccess ? SOk : Failed(e, source, error);
}

HResult SimWshNetwork::RemoveNetworkDrive(std::u16string_view name, bool force, bool /*updateProfile*/,
                                          ErrorInfo* error) {
    const std::string drive = Utf16ToUtf8(DriveName(name));
    const ErrorCode e = InWriteTransaction(machine_, [&](sqlite3* db) -> ErrorCode {
        std::optional<std::string> inUse;
        if (const ErrorCode f = machine_.ReadFact(FactDrivesInUse, &inUse); f != ErrorSuccess)
            return f;
        if (!force && !drive.empty() && inUse && (" " + *inUse + " ").find(" " + drive + " ") != std::string::npos) {
            Statement mapped(db, "SELECT 1 FROM net_drive WHERE local = ?1");
            mapped.Bind(1, drive);
            if (const int rc = mapped.Step(); rc == SQLITE_ROW)
                return ErrorDeviceInUse;
            else if (rc != SQLITE_DONE)
                return SqliteToWindowsError(rc);
        }
        Statement remove(db, "DELETE FROM net_drive WHERE local = ?1");
        remove.Bind(1, drive);
        if (const int rc = remove.Step(); rc != SQLITE_DONE)
            return SqliteToWindowsError(rc);
        return sqlite3_changes(db) == 1 ? ErrorSuccess : ErrorNotConnected;
    });
    return e == ErrorSuccess ? SOk : Failed(e, u"WSHNetwork.RemoveNetworkDrive", error);
}

ErrorCode AddNetworkShare(Machine& machine, std::u16string_view path) {
    std::u16string_view server, share;
    if (!SplitNetworkName(path, &server, &share) || share.find(u'\\') != std::u16string_view::npos)
        return ErrorBadNetName;
    return InWriteTransaction(machine, [&](sqlite3* db) { return Done(InsertShare(db, path)); });
}

} // namespace prolamo::os::simulated

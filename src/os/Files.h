#pragma once
// Whole-file operations on paths of this computer. Paths are UTF-8; both '\' and '/' separate
// folders, so that paths built the Windows way ("<system folder>\drivers\etc\hosts") work.

#include "os/Errors.h"
#include "os/Separators.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace prolamo::os {

inline constexpr std::uint32_t FileAttributeReadonly = 0x01;
inline constexpr std::uint32_t FileAttributeHidden = 0x02;
inline constexpr std::uint32_t FileAttributeSystem = 0x04;
inline constexpr std::uint32_t FileAttributeDirectory = 0x10;
inline constexpr std::uint32_t FileAttributeArchive = 0x20;
// Not a file of bytes: a device, a pipe or a socket.
inline constexpr std::uint32_t FileAttributeDevice = 0x40;
inline constexpr std::uint32_t FileAttributeNormal = 0x80;
inline constexpr std::uint32_t FileAttributeReparsePoint = 0x400;
inline constexpr std::uint32_t InvalidFileAttributes = 0xFFFFFFFF;

// A whole file's bytes as ReadFileBytes gave them, valid while this object lives.
class FileBytes {
public:
    virtual ~FileBytes() = default;
    virtual std::span<const std::uint8_t> Bytes() const = 0;
};

// Bytes in memory of their own, left as they are until a read fills them: clearing a buffer that
// is overwritten next costs as much as the read.
class FileBytesCopy final : public FileBytes {
public:
    explicit FileBytesCopy(std::size_t capacity) : data_(std::make_unique_for_overwrite<std::uint8_t[]>(capacity)) {}
    std::uint8_t* Data() { return data_.get(); }
    // How many of the bytes the read filled.
    void SetSize(std::size_t size) { size_ = size; }
    std::span<const std::uint8_t> Bytes() const override { return {data_.get(), size_}; }

private:
    std::unique_ptr<std::uint8_t[]> data_;
    std::size_t size_ = 0;
};

enum class FileReading {
    // A copy of the bytes, which nothing changes.
    Copy,
    // The file's own pages where the system can map them, so that nothing is copied. They change
    // when another program rewrites the file in place, and touching them after it was cut short
    // raises SIGBUS: for a reader that keeps them briefly and writes nothing from them.
    Mapped,
};

// What changes whenever a file is written or replaced: its size, its last write time and (where
// the system tells it) the identity of the file behind the name.
struct FileStamp {
    std::uint64_t size = 0;
    std::int64_t writeTime = 0;
    std::uint64_t identity = 0;
    bool operator==(const FileStamp&) const = default;
};

class IFiles {
public:
    virtual ~IFiles() = default;

    // GetFileAttributesW; *attributes is InvalidFileAttributes on failure. A link at the path has
    // FileAttributeReparsePoint; one whose target is missing exists too.
    virtual ErrorCode GetFileAttributes(std::string_view path, std::uint32_t* attributes) = 0;
    // GetFileAttributesExW: the stamp of a file, following links; a missing file is
    // ErrorFileNotFound (or ErrorPathNotFound) and leaves *stamp empty.
    virtual ErrorCode GetFileStamp(std::string_view path, FileStamp* stamp) = 0;
    // CreateFile(GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING) + GetFileSize + ReadFile + CloseHandle:
    // fails with ErrorSharingViolation while someone has the file open for writing. A file larger
    // than sizeLimit is ErrorFileTooLarge before anything is allocated; a device, pipe or socket is
    // ErrorInvalidFunction and never waited on.
    virtual ErrorCode ReadWholeFile(std::string_view path, std::vector<std::uint8_t>* content,
                                    std::uint64_t sizeLimit = UINT64_MAX) = 0;
    // The same open, checks and sharing as ReadWholeFile; the bytes come as Reading says.
    virtual ErrorCode ReadFileBytes(std::string_view path, FileReading reading, std::shared_ptr<const FileBytes>* bytes,
                                    std::uint64_t sizeLimit = UINT64_MAX) = 0;
    // CreateFile(GENERIC_WRITE, no sharing, CREATE_ALWAYS) + WriteFile + CloseHandle. The folder is
    // not created. A file with the read-only attribute is ErrorAccessDenied, whoever asks; a
    // device, pipe or socket ErrorInvalidFunction.
    virtual ErrorCode WriteWholeFile(std::string_view path, std::span<const std::uint8_t> content) = 0;
    // Writes a new file beside `path` and then puts it in place of `path` in one step
    // (ReplaceFileW / MoveFileExW with MOVEFILE_REPLACE_EXISTING), so that a failure leaves the old
    // file whole. A file that someone has open gives ErrorSharingViolation. A new file is readable
    // by its owner only; a replaced one keeps its permissions, a replaced link is not followed (the
    // link itself becomes the new file). Leftovers of writers that were killed are removed.
    virtual ErrorCode WriteFileReplacing(std::string_view path, std::span<const std::uint8_t> content) = 0;
    // Writes a file of the machine whole or not at all: the content goes to a new file beside
    // `path`, is flushed, and then takes the place of `path` in one step that keeps what the old
    // file had (ReplaceFileW: attributes, permissions, owner, alternate streams). Where that cannot
    // be done (a file with several hard links, an owner this process cannot give, a folder that
    // takes no new file while the file is writable, a file that cannot be replaced while open) the
    // file is written in place, and its old bytes are put back when the write fails. Links are
    // followed. Refused as WriteWholeFile refuses: read-only, folder, device, a writer holding it.
    // A new file gets the user's default permissions. After a failure *unchanged, when given, tells
    // whether the file is as it was (it is unless putting its old bytes back failed too).
    virtual ErrorCode WriteMachineFile(std::string_view path, std::span<const std::uint8_t> content,
                                       bool* unchanged) = 0;
    // DeleteFileW.
    virtual ErrorCode DeleteFile(std::string_view path) = 0;
    // GetFullPathNameW: the absolute form of the path, "." and ".." taken away by their text; links
    // are not followed, nothing needs to exist.
    virtual ErrorCode GetFullPathName(std::string_view path, std::string* fullPath) = 0;
    // GetFinalPathNameByHandleW: the file a link at the path finally leads to.
    virtual ErrorCode GetLinkTarget(std::string_view path, std::string* target) = 0;
    // SHCreateDirectoryExW: creates the folder and its missing parents, each its owner's only (as
    // the per-user folders it is meant for). An existing folder gives ErrorAlreadyExists, as does
    // a file in the way.
    virtual ErrorCode CreateDirectoryTree(std::string_view path) = 0;
};

IFiles& Files();

} // namespace prolamo::os

#pragma once
// Version records of files (GetFileVersionInfoSizeW, GetFileVersionInfoW, VerQueryValueW).

#include "os/Errors.h"

#include <cstdint>
#include <string_view>

namespace prolamo::os {

class IVersionInfo {
public:
    virtual ~IVersionInfo() = default;

    // GetFileVersionInfoSizeW. A file without a record: ErrorResourceTypeNotFound.
    virtual ErrorCode GetFileVersionInfoSize(std::string_view fileName, std::uint32_t* size) = 0;
    // GetFileVersionInfoW into `data` of `size` bytes; a size smaller than the record's is refused
    // with ErrorInsufficientBuffer.
    virtual ErrorCode GetFileVersionInfo(std::string_view fileName, std::uint32_t size, void* data) = 0;
    // VerQueryValueW on a block that GetFileVersionInfo filled: "\" gives the 52-byte fixed part,
    // "\VarFileInfo\Translation" the translation array (bytes), "\StringFileInfo\<table>\<name>"
    // a string (length in characters including its zero). Not found: ErrorResourceTypeNotFound.
    virtual ErrorCode VerQueryValue(const void* block, std::u16string_view subBlock, const void** buffer,
                                    std::uint32_t* length) = 0;
};

IVersionInfo& VersionInfo();

} // namespace prolamo::os

// Version records of any file: found by their VS_VERSIONINFO structure wherever it is in the file,
// so the program's own executable (see prolamo_embed_version) and Windows images both answer.

#include "os/VersionInfo.h"
#include "os/VersionRecord.h"

#include "os/Files.h"

#include <cstring>
#include <vector>

namespace prolamo::os {

namespace {

class SimVersionInfo final : public IVersionInfo {
public:
    ErrorCode GetFileVersionInfoSize(std::string_view fileName, std::uint32_t* size) override {
        if (size == nullptr)
            return ErrorInvalidParameter;
        *size = 0;
        std::vector<std::uint8_t> record;
        if (const ErrorCode e = Load(fileName, &record); e != ErrorSuccess)
            return e;
        *size = static_cast<std::uint32_t>(record.size());
        return ErrorSuccess;
    }

    ErrorCode GetFileVersionInfo(std::string_view fileName, std::uint32_t size, void* data) override {
        if (data == nullptr)
            return ErrorInvalidParameter;
        std::vector<std::uint8_t> record;
        if (const ErrorCode e = Load(fileName, &record); e != ErrorSuccess)
            return e;
        if (size < record.size())
            return ErrorInsufficientBuffer;
        std::memcpy(data, record.data(), record.size());
        return ErrorSuccess;
    }

    ErrorCode VerQueryValue(const void* block, std::u16string_view subBlock, const void** buffer,
                            std::uint32_t* length) override {
        return QueryVersionValue(block, subBlock, buffer, length);
    }

private:
    static ErrorCode Load(std::string_view fileName, std::vector<std::uint8_t>* record) {
        std::vector<std::uint8_t> bytes;
        if (const ErrorCode e = Files().ReadWholeFile(fileName, &bytes); e != ErrorSuccess)
            return e;
        const auto found = FindVersionRecord(bytes);
        if (!found)
            return ErrorResourceTypeNotFound;
        const auto begin = bytes.begin() + static_cast<std::ptrdiff_t>(found->first);
        record->assign(begin, begin + static_cast<std::ptrdiff_t>(found->second));
        return ErrorSuccess;
    }
};

} // namespace

IVersionInfo& VersionInfo() {
    static SimVersionInfo versionInfo;
    return versionInfo;
}

} // namespace prolamo::os

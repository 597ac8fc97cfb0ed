// Version records through version.dll (GetFileVersionInfoSizeW, GetFileVersionInfoW,
// VerQueryValueW).

#include "os/VersionInfo.h"
#include "os/windows/WinSupport.h"

namespace prolamo::os {

namespace {

using windows::LastErrorOr;
using windows::Wide;
using windows::WidePath;

class WinVersionInfo final : public IVersionInfo {
public:
    ErrorCode GetFileVersionInfoSize(std::string_view fileName, std::uint32_t* size) override {
        DWORD ignored = 0;
        const DWORD found = ::GetFileVersionInfoSizeW(WidePath(fileName).c_str(), &ignored);
        *size = found;
        return found == 0 ? LastErrorOr(ErrorResourceTypeNotFound) : ErrorSuccess;
    }

    ErrorCode GetFileVersionInfo(std::string_view fileName, std::uint32_t size, void* data) override {
        // Windows would cut the record to fit the buffer and still succeed.
        std::uint32_t needed = 0;
        if (const ErrorCode error = GetFileVersionInfoSize(fileName, &needed); error != ErrorSuccess)
            return error;
        if (size < needed)
            return ErrorInsufficientBuffer;
        return ::GetFileVersionInfoW(WidePath(fileName).c_str(), 0, size, data)
                   ? ErrorSuccess
                   : LastErrorOr(ErrorResourceTypeNotFound);
    }

    ErrorCode VerQueryValue(const void* block, std::u16string_view subBlock, const void** buffer,
                            std::uint32_t* length) override {
        void* value = nullptr;
        UINT size = 0;
        if (!::VerQueryValueW(block, Wide(subBlock).c_str(), &value, &size))
            return ErrorResourceTypeNotFound;
        *buffer = value;
        *length = size;
        return ErrorSuccess;
    }
};

} // namespace

IVersionInfo& VersionInfo() {
    static WinVersionInfo versionInfo;
    return versionInfo;
}

} // namespace prolamo::os

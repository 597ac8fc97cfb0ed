#include "os/Text.h"
#include "os/WinHttpProxy.h"

namespace prolamo::os {

namespace {

constexpr std::uint32_t kLayoutVersion = 0x28;
constexpr std::uint32_t kFlagDirect = 1;
constexpr std::uint32_t kFlagProxy = 2;

void PutDword(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutText(std::vector<std::uint8_t>& bytes, std::u16string_view text) {
    const std::string ansi = Utf8ToAnsi(Utf16ToUtf8(text));
    PutDword(bytes, static_cast<std::uint32_t>(ansi.size()));
    bytes.insert(bytes.end(), ansi.begin(), ansi.end());
}

class TReader {
public:
    explicit TReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    bool Dword(std::uint32_t* value) {
        if (bytes_.size() - at_ < 4)
            return false;
        *value = 0;
        for (int i = 3; i >= 0; --i)
            *value = (*value << 8) | bytes_[at_ + static_cast<std::size_t>(i)];
        at_ += 4;
        return true;
    }
    bool Text(std::u16string* text) {
        std::uint32_t length = 0;
        if (!Dword(&length) || bytes_.size() - at_ < length)
            return false;
        const std::string ansi(bytes_.begin() + static_cast<std::ptrdiff_t>(at_),
                               bytes_.begin() + static_cast<std::ptrdiff_t>(at_ + length));
        *text = Utf8ToUtf16(AnsiToUtf8(ansi));
        at_ += length;
        return true;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

} // namespace

std::vector<std::uint8_t> EncodeWinHttpSettings(const WinHttpProxyInfo& info) {
    const bool named = info.accessType == WinHttpAccessTypeNamedProxy;
    std::vector<std::uint8_t> bytes;
    PutDword(bytes, kLayoutVersion);
    PutDword(bytes, 0);
    PutDword(bytes, named ? kFlagDirect | kFlagProxy : kFlagDirect);
    PutText(bytes, named ? info.proxy : std::u16string());
    PutText(bytes, named ? info.bypass : std::u16string());
    return bytes;
}

bool DecodeWinHttpSettings(std::span<const std::uint8_t> bytes, WinHttpProxyInfo* info) {
    TReader reader(bytes);
    std::uint32_t version = 0, counter = 0, flags = 0;
    WinHttpProxyInfo decoded;
    if (!reader.Dword(&version) || !reader.Dword(&counter) || !reader.Dword(&flags) || !reader.Text(&decoded.proxy) ||
        !reader.Text(&decoded.bypass))
        return false;
    decoded.accessType = (flags & kFlagProxy) != 0 ? WinHttpAccessTypeNamedProxy : WinHttpAccessTypeNoProxy;
    if (decoded.accessType == WinHttpAccessTypeNoProxy)
        decoded = WinHttpProxyInfo{};
    *info = std::move(decoded);
    return true;
}

} // namespace prolamo::os

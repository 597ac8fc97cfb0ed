#include "uRegistry.h"

#include "framework/Exceptions.h"
#include "os/Text.h"

namespace prolamo {

namespace {

std::u16string Wide(std::string_view text) {
    return os::Utf8ToUtf16(text);
}

[[noreturn]] void RaiseRegistryError(const char* pattern, std::string_view name) {
    throw ERegistryException(Translated("Engine", pattern, {name}));
}

TRegDataType DataTypeOf(std::uint32_t type) {
    switch (type) {
    case os::RegSz:
        return TRegDataType::String;
    case os::RegExpandSz:
        return TRegDataType::ExpandString;
    case os::RegDword:
        return TRegDataType::Integer;
    case os::RegBinary:
        return TRegDataType::Binary;
    default:
        return TRegDataType::Unknown;
    }
}

// The longest value name the registry accepts, in characters.
constexpr std::size_t kMaxValueName = 16383;

} // namespace

TRegistry::TRegistry(std::uint32_t access) : access_(access) {}

TRegistry::~TRegistry() {
    CloseKey();
}

void TRegistry::SetRootKey(os::HKey rootKey) {
    if (rootKey == rootKey_)
        return;
    CloseKey();
    rootKey_ = rootKey;
}

bool TRegistry::OpenKey(std::string_view key, bool canCreate) {
    const bool relative = key.empty() || key.front() != '\\';
    std::string_view subKey = relative ? key : key.substr(1);
    const os::HKey base = relative && currentKey_ != 0 ? currentKey_ : rootKey_;
    os::HKey opened = 0;
    const std::u16string wideSubKey = Wide(subKey);
    const os::ErrorCode e =
        canCreate ? os::Registry().CreateKeyEx(base, wideSubKey, os::RegOptionNonVolatile, access_, &opened, nullptr)
                  : os::Registry().OpenKeyEx(base, wideSubKey, 0, access_, &opened);
    if (e != os::ErrorSuccess) {
        lastError_ = e;
        return false;
    }
    std::string path(subKey);
    if (relative && currentKey_ != 0 && !currentPath_.empty())
        path = subKey.empty() ? currentPath_ : currentPath_ + '\\' + path;
    CloseKey();
    currentKey_ = opened;
    currentPath_ = std::move(path);
    return true;
}

void TRegistry::CloseKey() {
    if (currentKey_ == 0)
        return;
    os::Registry().CloseKey(currentKey_);
    currentKey_ = 0;
    currentPath_.clear();
}

bool TRegistry::GetDataInfo(std::string_view name, DataInfo* info) const {
    *info = {};
    if (currentKey_ == 0)
        return false;
    const os::ErrorCode e = os::Registry().QueryValueEx(currentKey_, Wide(name), &info->type, nullptr, &info->size);
    // Only a value that is not there reads as absent: a refused read must not pass for an empty value.
    if (e == os::ErrorFileNotFound)
        return false;
    if (e != os::ErrorSuccess)
        throw EOSError(e);
    return true;
}

std::uint32_t TRegistry::GetData(std::string_view name, std::uint8_t* buffer, std::uint32_t size,
                                 std::uint32_t* type) const {
    std::uint32_t length = size;
    const os::ErrorCode e = os::Registry().QueryValueEx(currentKey_, Wide(name), type, buffer, &length);
    if (e == os::ErrorFileNotFound)
        RaiseRegistryError(RegGetDataFailed, name);
    if (e != os::ErrorSuccess)
        throw EOSError(e);
    return length;
}

bool TRegistry::ValueExists(std::string_view name) const {
    DataInfo info;
    return GetDataInfo(name, &info);
}

TRegDataType TRegistry::GetDataType(std::string_view name) const {
    DataInfo info;
    return GetDataInfo(name, &info) ? DataTypeOf(info.type) : TRegDataType::Unknown;
}

std::vector<std::string> TRegistry::GetValueNames() const {
    std::vector<std::string> names;
    std::uint32_t count = 0;
    std::uint32_t longest = 0;
    if (currentKey_ == 0)
        return names;
    if (const os::ErrorCode e = os::Registry().QueryInfoKey(currentKey_, &count, &longest, nullptr);
        e != os::ErrorSuccess)
        throw EOSError(e);
    std::u16string buffer(longest + 1, u'\0');
    for (std::uint32_t index = 0;;) {
        std::uint32_t length = static_cast<std::uint32_t>(buffer.size());
        const os::ErrorCode e =
            os::Registry().EnumValue(currentKey_, index, buffer.data(), &length, nullptr, nullptr, nullptr);
        if (e == os::ErrorMoreData && buffer.size() <= kMaxValueName) {
            // A longer name was added since the count was taken: grow and ask again.
            buffer.resize(kMaxValueName + 1);
            continue;
        }
        if (e == os::ErrorNoMoreItems)
            break;
        if (e != os::ErrorSuccess)
            throw EOSError(e);
        names.push_back(os::Utf16ToUtf8(std::u16string_view(buffer.data(), length)));
        ++index;
    }
    return names;
}

std::string TRegistry::ReadString(std::string_view name) const {
    DataInfo info;
    if (!GetDataInfo(name, &info) || info.size == 0)
        return {};
    std::vector<std::uint8_t> data(info.size);
    std::uint32_t type = os::RegNone;
    const std::uint32_t length = GetData(name, data.data(), info.size, &type);
    if (type != os::RegSz && type != os::RegExpandSz)
        RaiseRegistryError(RegInvalidDataType, name);
    // Up to the first zero: stored strings carry their terminator, some carry garbage after it.
    std::u16string text;
    for (std::uint32_t i = 0; i + 1 < length; i += 2) {
        const auto c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (c == u'\0')
            break;
        text.push_back(c);
    }
    return os::Utf16ToUtf8(text);
}

std::int32_t TRegistry::ReadInteger(std::string_view name) const {
    DataInfo info;
    if (!GetDataInfo(name, &info))
        RaiseRegistryError(RegGetDataFailed, name);
    if (info.type != os::RegDword || info.size != 4)
        RaiseRegistryError(RegInvalidDataType, name);
    std::uint8_t data[4] = {};
    std::uint32_t type = os::RegNone;
    GetData(name, data, sizeof data, &type);
    if (type != os::RegDword)
        RaiseRegistryError(RegInvalidDataType, name);
    return static_cast<std::int32_t>(data[0] | (data[1] << 8) | (data[2] << 16) |
                                     (static_cast<std::uint32_t>(data[3]) << 24));
}

std::size_t TRegistry::ReadBinaryData(std::string_view name, std::span<std::uint8_t> buffer) const {
    DataInfo info;
    if (!GetDataInfo(name, &info))
        return 0;
    const TRegDataType kind = DataTypeOf(info.type);
    if ((kind != TRegDataType::Binary && kind != TRegDataType::Unknown) || info.size > buffer.size())
        RaiseRegistryError(RegInvalidDataType, name);
    if (info.size == 0)
        return 0;
    std::uint32_t type = os::RegNone;
    return GetData(name, buffer.data(), info.size, &type);
}

void TRegistry::PutData(std::string_view name, std::uint32_t type, const std::uint8_t* data, std::uint32_t size) {
    if (os::Registry().SetValueEx(currentKey_, Wide(name), type, data, size) != os::ErrorSuccess)
        RaiseRegistryError(RegSetDataFailed, name);
}

void TRegistry::WriteText(std::string_view name, std::string_view value, std::uint32_t type) {
    const std::u16string text = Wide(value);
    std::vector<std::uint8_t> data;
    data.reserve((text.size() + 1) * 2);
    for (char16_t c : text) {
        data.push_back(static_cast<std::uint8_t>(c & 0xFF));
        data.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    data.push_back(0);
    data.push_back(0);
    PutData(name, type, data.data(), static_cast<std::uint32_t>(data.size()));
}

void TRegistry::WriteString(std::string_view name, std::string_view value) {
    WriteText(name, value, os::RegSz);
}

void TRegistry::WriteExpandString(std::string_view name, std::string_view value) {
    WriteText(name, value, os::RegExpandSz);
}

void TRegistry::WriteInteger(std::string_view name, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    const std::uint8_t data[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                  static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    PutData(name, os::RegDword, data, sizeof data);
}

void TRegistry::WriteBinaryData(std::string_view name, std::span<const std::uint8_t> data) {
    PutData(name, os::RegBinary, data.data(), static_cast<std::uint32_t>(data.size()));
}

bool TRegistry::DeleteValue(std::string_view name) {
    const os::ErrorCode e = os::Registry().DeleteValue(currentKey_, Wide(name));
    return e == os::ErrorSuccess || e == os::ErrorFileNotFound;
}

} // namespace prolamo

#include "Stream.h"

#include "AsciiText.h"
#include "ClassRegistry.h"
#include "Collection.h"
#include "Component.h"
#include "Exceptions.h"
#include "Utf8Text.h"
#include "os/Text.h"

#include <cstring>
#include <utility>

namespace prolamo {

namespace {

constexpr std::uint8_t Signature[4] = {'T', 'P', 'F', '0'};

bool IsAscii(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80)
            return false;
    return true;
}

// Single-byte strings from files written on Windows are in its ANSI code page (Windows-1252).
std::string AnsiToUtf8(std::span<const std::uint8_t> s) {
    static constexpr char16_t High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                          0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                          0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                          0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::u16string wide;
    wide.reserve(s.size());
    for (std::uint8_t c : s)
        wide.push_back(c >= 0x80 && c < 0xA0 ? High[c - 0x80] : static_cast<char16_t>(c));
    return os::Utf16ToUtf8(wide);
}

std::string SingleByteText(std::span<const std::uint8_t> bytes) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (IsValidUtf8(text))
        return std::string(text);
    return AnsiToUtf8(bytes);
}

[[noreturn]] void ReadError(const char* message) {
    throw EReadError(Translated("Engine", message));
}

// What an error message calls an instance being read: its name, or for an unnamed component its
// class (a setting's kind); nothing for an unnamed collection item.
std::string ReadingName(const TPersistent& instance) {
    if (const auto* component = dynamic_cast<const TComponent*>(&instance))
        return component->Name().empty() ? component->ClassName() : component->Name();
    const TPropInfo* name = instance.ClassType().FindProperty("Name");
    if (name && name->kind == TTypeKind::String && name->Readable())
        return name->getString(const_cast<TPersistent&>(instance));
    return {};
}

} // namespace

// ---- Writer ----

void TWriter::WriteBytes(const void* data, std::size_t size) {
    // A large value (a captured file) grows the buffer by itself and a little room: doubling a
    // buffer that already holds it would take three times its size while both buffers live.
    constexpr std::size_t LargeWrite = 64 * 1024;
    if (size >= LargeWrite && out_.capacity() - out_.size() < size)
        out_.reserve(out_.size() + size + (out_.size() + size) / 8);
    const auto* p = static_cast<const std::uint8_t*>(data);
    out_.insert(out_.end(), p, p + size);
}

void TWriter::WriteUInt32(std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void TWriter::WriteSignature() {
    WriteBytes(Signature, sizeof Signature);
}

void TWriter::WriteShortString(std::string_view text) {
    if (text.size() > 255)
        throw EStreamError("Name too long for the stream: " + std::string(text.substr(0, 40)));
    out_.push_back(static_cast<std::uint8_t>(text.size()));
    WriteBytes(text.data(), text.size());
}

void TWriter::WriteRootComponent(TComponent& root) {
    WriteSignature();
    WriteComponent(root);
}

void TWriter::WriteComponent(TComponent& component) {
    WriteShortString(component.ClassName());
    WriteShortString(component.Name());
    WriteProperties(component);
    WriteListEnd();
    for (TComponent* child : component.StreamChildren())
        WriteComponent(*child);
    WriteListEnd();
}

void TWriter::WriteProperties(TPersistent& instance) {
    for (const TPropInfo* prop : instance.ClassType().Properties())
        if (prop->Readable() && prop->Writable() && prop->IsStored(instance))
            WriteProperty(instance, *prop);
    instance.DefineProperties(*this);
}

void TWriter::WritePropName(const std::string& name) {
    lastName_ = propPath_ + name;
    WriteShortString(lastName_);
}

void TWriter::WriteProperty(TPersistent& instance, const TPropInfo& prop) {
    switch (prop.kind) {
    case TTypeKind::Integer:
    case TTypeKind::Cardinal:
    case TTypeKind::Boolean: {
        const std::int64_t value = prop.getOrdinal(instance);
        if (prop.defaultOrdinal && *prop.defaultOrdinal == value)
            return;
        WritePropName(prop.name);
        if (prop.kind == TTypeKind::Boolean)
            WriteBoolean(value != 0);
        else if (prop.kind == TTypeKind::Cardinal)
            WriteInteger(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
        else
            WriteInteger(value);
        return;
    }
    case TTypeKind::String: {
        const std::string value = prop.getString(instance);
        if (value.empty())
            return;
        WritePropName(prop.name);
        WriteString(value);
        return;
    }
    case TTypeKind::WideString: {
        const std::u16string value = prop.getWide(instance);
        if (value.empty())
            return;
        WritePropName(prop.name);
        WriteWideString(value);
        return;
    }
    case TTypeKind::Strings:
    case TTypeKind::WideStrings: {
        // A string list appears as its own "Strings" property below this property's name.
        const std::string saved = propPath_;
        propPath_ += prop.name + ".";
        prop.object(instance)->DefineProperties(*this);
        propPath_ = saved;
        return;
    }
    case TTypeKind::Collection:
        WritePropName(prop.name);
        WriteCollection(*static_cast<TCollection*>(prop.object(instance)));
        return;
    }
}

void TWriter::WriteInteger(std::int64_t value) {
    if (value >= -128 && value <= 127) {
        WriteValueType(TValueType::Int8);
        out_.push_back(static_cast<std::uint8_t>(value));
    } else if (value >= -32768 && value <= 32767) {
        WriteValueType(TValueType::Int16);
        const auto v = static_cast<std::uint16_t>(value);
        out_.push_back(static_cast<std::uint8_t>(v));
        out_.push_back(static_cast<std::uint8_t>(v >> 8));
    } else if (value >= INT32_MIN && value <= INT32_MAX) {
        WriteValueType(TValueType::Int32);
        WriteUInt32(static_cast<std::uint32_t>(value));
    } else {
        WriteValueType(TValueType::Int64);
        const auto v = static_cast<std::uint64_t>(value);
        WriteUInt32(static_cast<std::uint32_t>(v));
        WriteUInt32(static_cast<std::uint32_t>(v >> 32));
    }
}

void TWriter::WriteString(const std::string& value) {
    if (!IsAscii(value)) {
        // Read back, such bytes would be taken for Windows-1252 text: another text than was stored.
        if (!IsValidUtf8(value))
            throw EStreamError(Translated("Engine", texts::InvalidUtf8, {lastName_}));
        WriteValueType(TValueType::Utf8String);
        WriteUInt32(static_cast<std::uint32_t>(value.size()));
    } else if (value.size() <= 255) {
        WriteValueType(TValueType::String);
        out_.push_back(static_cast<std::uint8_t>(value.size()));
    } else {
        WriteValueType(TValueType::LString);
        WriteUInt32(static_cast<std::uint32_t>(value.size()));
    }
    WriteBytes(value.data(), value.size());
}

void TWriter::WriteWideString(const std::u16string& value) {
    const std::string utf8 = os::Utf16ToUtf8(value);
    if (utf8.size() < 2 * value.size()) {
        WriteString(utf8);
        return;
    }
    WriteValueType(TValueType::WString);
    WriteUInt32(static_cast<std::uint32_t>(value.size()));
    for (char16_t c : value) {
        out_.push_back(static_cast<std::uint8_t>(c));
        out_.push_back(static_cast<std::uint8_t>(c >> 8));
    }
}

void TWriter::WriteBinary(std::span<const std::uint8_t> data) {
    WriteValueType(TValueType::Binary);
    WriteUInt32(static_cast<std::uint32_t>(data.size()));
    WriteBytes(data.data(), data.size());
}

void TWriter::WriteCollection(TCollection& collection) {
    WriteValueType(TValueType::Collection);
    const std::string saved = std::exchange(propPath_, std::string());
    for (const auto& item : collection) {
        WriteListBegin();
        WriteProperties(*item);
        WriteListEnd();
    }
    propPath_ = saved;
    WriteListEnd();
}

void TWriter::DefineProperty(const std::string& name, const ReadProc&, const WriteProc& write, bool hasData) {
    if (!hasData || !write)
        return;
    WritePropName(name);
    write(*this);
}

void TWriter::DefineBinaryProperty(const std::string& name, const ReadBinaryProc&, const WriteBinaryProc& write,
                                   bool hasData) {
    if (!hasData || !write)
        return;
    WritePropName(name);
    WriteBinary(write());
}

// ---- Reader ----

// Counts nesting of lists, collections and records so hostile input cannot exhaust the stack.
class TReader::Nesting {
public:
    explicit Nesting(TReader& reader) : reader_(reader) {
        if (++reader_.depth_ > reader_.maxDepth_)
            ReadError(texts::InvalidStreamFormat);
    }
    ~Nesting() { --reader_.depth_; }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;

private:
    TReader& reader_;
};

std::span<const std::uint8_t> TReader::Take(std::size_t size) {
    if (size > data_.size() - pos_)
        ReadError(texts::StreamReadError);
    auto bytes = data_.subspan(pos_, size);
    pos_ += size;
    return bytes;
}

std::uint32_t TReader::ReadUInt32() {
    const auto b = Take(4);
    return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
           static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

void TReader::InvalidValue() const {
    ReadError(texts::InvalidPropertyValue);
}

void TReader::ReadSignature() {
    const auto sig = Take(4);
    if (std::memcmp(sig.data(), Signature, 4) != 0)
        ReadError(texts::InvalidStreamFormat);
}

TValueType TReader::NextValue() {
    if (pos_ >= data_.size())
        ReadError(texts::StreamReadError);
    return static_cast<TValueType>(data_[pos_]);
}

TValueType TReader::ReadValueType() {
    return static_cast<TValueType>(Take(1)[0]);
}

void TReader::CheckValue(TValueType expected) {
    if (ReadValueType() != expected)
        InvalidValue();
}

std::string_view TReader::ReadShortText() {
    const std::uint8_t length = Take(1)[0];
    const auto bytes = Take(length);
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

std::string TReader::ReadShortString() {
    return std::string(ReadShortText());
}

const TClassInfo& TReader::RecordClass(std::string_view name) {
    for (const auto& [seen, info] : recentClasses_)
        if (info && seen == name)
            return *info;
    const TClassInfo& info = FindClass(name);
    recentClasses_[nextRecent_++ % recentClasses_.size()] = {name, &info};
    return info;
}

std::int64_t TReader::ReadInteger() {
    switch (ReadValueType()) {
    case TValueType::Int8:
        return static_cast<std::int8_t>(Take(1)[0]);
    case TValueType::Int16: {
        const auto b = Take(2);
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(b[0] | b[1] << 8));
    }
    case TValueType::Int32:
        return static_cast<std::int32_t>(ReadUInt32());
    case TValueType::Int64: {
        const std::uint64_t low = ReadUInt32();
        const std::uint64_t high = ReadUInt32();
        return static_cast<std::int64_t>(low | high << 32);
    }
    default:
        InvalidValue();
    }
}

bool TReader::ReadBoolean() {
    switch (ReadValueType()) {
    case TValueType::False:
        return false;
    case TValueType::True:
        return true;
    default:
        InvalidValue();
    }
}

std::string TReader::ReadString() {
    switch (ReadValueType()) {
    case TValueType::String:
        return SingleByteText(Take(Take(1)[0]));
    case TValueType::LString:
        return SingleByteText(Take(ReadUInt32()));
    case TValueType::Utf8String:
        // Earlier versions stored bytes of other encodings here too; they are read as the others.
        return SingleByteText(Take(ReadUInt32()));
    case TValueType::WString:
        --pos_;
        return os::Utf16ToUtf8(ReadWideString());
    default:
        InvalidValue();
    }
}

std::u16string TReader::ReadWideString() {
    if (NextValue() != TValueType::WString)
        return os::Utf8ToUtf16(ReadString());
    ++pos_;
    const std::uint32_t count = ReadUInt32();
    if (count > (data_.size() - pos_) / 2)
        ReadError(texts::StreamReadError);
    const auto bytes = Take(std::size_t{count} * 2);
    std::u16string text(count, u'\0');
    for (std::uint32_t i = 0; i < count; ++i)
        text[i] = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return text;
}

std::string TReader::ReadIdent() {
    switch (ReadValueType()) {
    case TValueType::Ident:
        return ReadShortString();
    case TValueType::False:
        return "False";
    case TValueType::True:
        return "True";
    case TValueType::Nil:
        return "nil";
    default:
        InvalidValue();
    }
}

std::span<const std::uint8_t> TReader::ReadBinary() {
    CheckValue(TValueType::Binary);
    return Take(ReadUInt32());
}

TSharedBytes TReader::ReadSharedBinary() {
    const auto bytes = ReadBinary();
    if (owner_)
        return {bytes, owner_};
    auto copy = std::make_shared<const std::vector<std::uint8_t>>(bytes.begin(), bytes.end());
    return {*copy, std::move(copy)};
}

void TReader::ReadCollection(TCollection& collection) {
    CheckValue(TValueType::Collection);
    Nesting nesting(*this);
    collection.BeginUpdate();
    try {
        collection.Clear();
        while (!EndOfList()) {
            const TValueType next = NextValue();
            if (next == TValueType::Int8 || next == TValueType::Int16 || next == TValueType::Int32)
                ReadInteger();
            ReadListBegin();
            TCollectionItem& item = collection.Add();
            ReadProperties(item);
        }
        ReadListEnd();
    } catch (...) {
        collection.EndUpdate();
        throw;
    }
    collection.EndUpdate();
}

void TReader::SkipValue() {
    Nesting nesting(*this);
    switch (ReadValueType()) {
    case TValueType::List:
        while (!EndOfList())
            SkipValue();
        ReadListEnd();
        return;
    case TValueType::Int8:
        Take(1);
        return;
    case TValueType::Int16:
        Take(2);
        return;
    case TValueType::Int32:
    case TValueType::Single:
        Take(4);
        return;
    case TValueType::Extended:
        Take(10);
        return;
    case TValueType::String:
    case TValueType::Ident:
        Take(Take(1)[0]);
        return;
    case TValueType::False:
    case TValueType::True:
    case TValueType::Nil:
        return;
    case TValueType::Binary:
    case TValueType::LString:
    case TValueType::Utf8String:
        Take(ReadUInt32());
        return;
    case TValueType::Set:
        while (!ReadShortText().empty()) {
        }
        return;
    case TValueType::Collection:
        while (!EndOfList()) {
            const TValueType next = NextValue();
            if (next == TValueType::Int8 || next == TValueType::Int16 || next == TValueType::Int32)
                SkipValue();
            ReadListBegin();
            while (!EndOfList()) {
                ReadShortText();
                SkipValue();
            }
            ReadListEnd();
        }
        ReadListEnd();
        return;
    case TValueType::Currency:
    case TValueType::Date:
    case TValueType::Int64:
    case TValueType::Double:
        Take(8);
        return;
    case TValueType::WString: {
        const std::uint32_t count = ReadUInt32();
        if (count > (data_.size() - pos_) / 2)
            ReadError(texts::StreamReadError);
        Take(std::size_t{count} * 2);
        return;
    }
    case TValueType::Null:
    default:
        InvalidValue();
    }
}

void TReader::SkipRecordPrefix() {
    const std::uint8_t b = static_cast<std::uint8_t>(NextValue());
    if ((b & 0xF0) != 0xF0)
        return;
    ++pos_;
    if (b & 0x02)
        ReadInteger();
}

void TReader::SkipComponent() {
    Nesting nesting(*this);
    SkipRecordPrefix();
    ReadShortText();
    ReadShortText();
    while (!EndOfList()) {
        ReadShortText();
        SkipValue();
    }
    ReadListEnd();
    while (!EndOfList())
        SkipComponent();
    ReadListEnd();
}

void TReader::ReadComponentBody(TComponent& component) {
    ReadProperties(component);
    while (!EndOfList()) {
        std::unique_ptr<TComponent> child = ReadComponent();
        component.InsertComponent(std::move(child));
    }
    ReadListEnd();
}

std::unique_ptr<TComponent> TReader::ReadComponent() {
    Nesting nesting(*this);
    SkipRecordPrefix();
    std::unique_ptr<TPersistent> instance = RecordClass(ReadShortText()).Create();
    auto* component = dynamic_cast<TComponent*>(instance.get());
    if (!component)
        ReadError(texts::InvalidStreamFormat);
    std::unique_ptr<TComponent> owned(component);
    instance.release();
    owned->SetName(ReadShortString());
    loaded_.push_back(owned.get());
    owned->AddFreeListener(*this);
    ReadComponentBody(*owned);
    return owned;
}

void TReader::ReadRootComponent(TComponent& root) {
    ReadSignature();
    SkipRecordPrefix();
    ReadShortText();
    root.SetName(ReadShortString());
    ReadProperties(root);
    while (!EndOfList()) {
        if (skipUnknownChildren_ || keptChildClass_) {
            const std::size_t start = pos_;
            SkipRecordPrefix();
            const TClassInfo* childClass = GetClass(ReadShortText());
            pos_ = start;
            // Records of other classes are never made, so nothing they hold can pass for a
            // component of the kept class.
            const bool unknown = !childClass && skipUnknownChildren_;
            if (unknown || (childClass && keptChildClass_ && !childClass->InheritsFrom(*keptChildClass_))) {
                SkipComponent();
                continue;
            }
        }
        std::unique_ptr<TComponent> child = ReadComponent();
        if (!child->Name().empty() && root.FindComponent(child->Name()))
            throw EReadError(Translated("Engine", texts::DuplicateComponent, {child->Name()}));
        root.InsertComponent(std::move(child));
    }
    ReadListEnd();
    const std::vector<TComponent*> loaded = std::exchange(loaded_, {});
    for (TComponent* component : loaded)
        component->RemoveFreeListener(*this);
    for (TComponent* component : loaded)
        component->Loaded();
    root.Loaded();
}

TReader::~TReader() {
    for (TComponent* component : loaded_)
        component->RemoveFreeListener(*this);
}

void TReader::ComponentFreed(TComponent& component) {
    std::erase(loaded_, &component);
}

void TReader::ReadProperties(TPersistent& instance) {
    Nesting nesting(*this);
    // Off the list also when reading it fails: whoever catches that may free the instance and
    // read on, and a later message must not name it.
    struct Reading {
        std::vector<const TPersistent*>& list;
        ~Reading() { list.pop_back(); }
    } reading{reading_};
    reading_.push_back(&instance);
    TReadNames names;
    while (!EndOfList())
        ReadProperty(instance, names);
    ReadListEnd();
}

bool TReader::TReadNames::Add(std::string_view name) {
    for (std::size_t i = 0; i < count_; ++i)
        if (SameText(At(i), name))
            return false;
    if (count_ < local_.size())
        local_[count_] = name;
    else
        more_.push_back(name);
    ++count_;
    return true;
}

std::string_view TReader::TReadNames::At(std::size_t i) const {
    return i < local_.size() ? local_[i] : more_[i - local_.size()];
}

std::string TReader::ReadingPath() const {
    // From the instance whose property failed out to the nearest named one.
    std::string path;
    for (std::size_t i = reading_.size(); i-- > 0;) {
        const std::string name = ReadingName(*reading_[i]);
        if (name.empty())
            continue;
        path = path.empty() ? name : name + "." + path;
        const auto* component = dynamic_cast<const TComponent*>(reading_[i]);
        if (!component || !component->Name().empty())
            break;
    }
    return path;
}

// Errors while reading one property are reported with the component's name and the property's path.
class EPropertyReadError : public EReadError {
    using EReadError::EReadError;
};

void TReader::ReadProperty(TPersistent& instance, TReadNames& names) {
    const std::string_view path = ReadShortText();
    try {
        // Read twice, a list property would hold its members twice (two settings of one Id).
        if (!names.Add(path))
            throw EReadError(Translated("Engine", texts::DuplicateProperty, {path}));
        TPersistent* target = &instance;
        std::string_view rest = path;
        for (auto dot = rest.find('.'); dot != std::string_view::npos; dot = rest.find('.')) {
            const TPropInfo* prop = target->ClassType().FindProperty(rest.substr(0, dot));
            if (!prop || !prop->object)
                throw EReadError(Translated("Engine", texts::UnknownProperty, {rest.substr(0, dot)}));
            target = prop->object(*target);
            rest.remove_prefix(dot + 1);
        }
        if (const TPropInfo* prop = target->ClassType().FindProperty(rest)) {
            ReadPropValue(*target, *prop);
            return;
        }
        const std::string savedName = std::exchange(propName_, std::string(rest));
        const bool savedFound = std::exchange(propFound_, false);
        target->DefineProperties(*this);
        const bool found = propFound_;
        propName_ = savedName;
        propFound_ = savedFound;
        if (!found)
            throw EReadError(Translated("Engine", texts::UnknownProperty, {rest}));
    } catch (const EPropertyReadError&) {
        throw;
    } catch (const Exception& e) {
        const std::string where = ReadingPath();
        throw EPropertyReadError(
            Translated("Engine", texts::ErrorReading, {where, where.empty() ? "" : ".", path, e.Message()}));
    }
}

void TReader::ReadPropValue(TPersistent& instance, const TPropInfo& prop) {
    if (!prop.Writable())
        throw EPropReadOnly(prop.name);
    switch (prop.kind) {
    case TTypeKind::Integer: {
        const std::int64_t value = ReadInteger();
        if (value < INT32_MIN || value > INT32_MAX)
            InvalidValue();
        prop.setOrdinal(instance, value);
        return;
    }
    case TTypeKind::Cardinal: {
        const std::int64_t value = ReadInteger();
        if (value < INT32_MIN || value > UINT32_MAX)
            InvalidValue();
        // Stored as the 32-bit pattern: negative numbers stand for values above 2147483647.
        prop.setOrdinal(instance, static_cast<std::uint32_t>(value));
        return;
    }
    case TTypeKind::Boolean: {
        const std::string ident = ReadIdent();
        if (SameText(ident, "True"))
            prop.setOrdinal(instance, 1);
        else if (SameText(ident, "False"))
            prop.setOrdinal(instance, 0);
        else
            InvalidValue();
        return;
    }
    case TTypeKind::String:
        prop.setString(instance, ReadString());
        return;
    case TTypeKind::WideString:
        prop.setWide(instance, ReadWideString());
        return;
    case TTypeKind::Collection:
        ReadCollection(*static_cast<TCollection*>(prop.object(instance)));
        return;
    case TTypeKind::Strings:
    case TTypeKind::WideStrings:
        // A string list is only ever stored through its "Strings" sub-property.
        InvalidValue();
    }
}

void TReader::DefineProperty(const std::string& name, const ReadProc& read, const WriteProc&, bool) {
    if (propFound_ || !read || !SameText(name, propName_))
        return;
    propFound_ = true;
    read(*this);
}

void TReader::DefineBinaryProperty(const std::string& name, const ReadBinaryProc& read, const WriteBinaryProc&, bool) {
    if (propFound_ || !read || !SameText(name, propName_))
        return;
    propFound_ = true;
    read(ReadBinary());
}

// ---- Resource form ----

std::vector<std::uint8_t> WriteComponentResource(TComponent& root, std::size_t expectedSize) {
    std::vector<std::uint8_t> out;
    out.reserve(expectedSize + expectedSize / 8);
    out.insert(out.end(), {0xFF, 0x0A, 0x00});
    const std::string name = UpperCase(root.ClassName());
    out.insert(out.end(), name.begin(), name.end());
    out.insert(out.end(), {0x00, 0x30, 0x10, 0, 0, 0, 0});
    const std::size_t start = out.size();
    TWriter writer(out);
    writer.WriteRootComponent(root);
    const auto length = static_cast<std::uint32_t>(out.size() - start);
    for (int i = 0; i < 4; ++i)
        out[start - 4 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(length >> (8 * i));
    return out;
}

void ReadComponentResource(std::span<const std::uint8_t> data, std::shared_ptr<const void> owner, TComponent& root,
                           bool skipUnknownChildren, const TClassInfo* keptChildClass) {
    if (data.size() < 3 || data[0] != 0xFF || data[1] != 10)
        ReadError(texts::InvalidStreamFormat);
    std::size_t pos = 3;
    while (pos < data.size() && data[pos] != 0)
        ++pos;
    pos += 1 + 2; // the name's zero byte and the flags
    if (pos + 4 > data.size())
        ReadError(texts::StreamReadError);
    const std::uint32_t length =
        static_cast<std::uint32_t>(data[pos]) | static_cast<std::uint32_t>(data[pos + 1]) << 8 |
        static_cast<std::uint32_t>(data[pos + 2]) << 16 | static_cast<std::uint32_t>(data[pos + 3]) << 24;
    pos += 4;
    if (length > data.size() - pos)
        ReadError(texts::StreamReadError);
    TReader reader(data.subspan(pos, length), std::move(owner));
    reader.SetSkipUnknownChildren(skipUnknownChildren);
    if (keptChildClass)
        reader.SetKeptChildClass(*keptChildClass);
    reader.ReadRootComponent(root);
}

void ReadComponentResource(std::span<const std::uint8_t> data, TComponent& root, bool skipUnknownChildren,
                           const TClassInfo* keptChildClass) {
    ReadComponentResource(data, nullptr, root, skipUnknownChildren, keptChildClass);
}

} // namespace prolamo

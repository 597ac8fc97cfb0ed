#pragma once

#include "Component.h"
#include "Persistent.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace prolamo {

class TCollection;

// Deeper nesting of records, lists and collections than this is no file this system wrote;
// refusing it keeps the stack bounded.
inline constexpr int MaxStreamNesting = 200;

// Type bytes of the binary component stream.
enum class TValueType : std::uint8_t {
    Null = 0,
    List = 1,
    Int8 = 2,
    Int16 = 3,
    Int32 = 4,
    Extended = 5,
    String = 6,
    Ident = 7,
    False = 8,
    True = 9,
    Binary = 10,
    Set = 11,
    LString = 12,
    Nil = 13,
    Collection = 14,
    Single = 15,
    Currency = 16,
    Date = 17,
    WString = 18,
    Int64 = 19,
    Utf8String = 20,
    Double = 21,
};

// Bytes that stay valid while `owner` is held: a part of the buffer a stream was read from,
// shared by whoever keeps them instead of copied.
struct TSharedBytes {
    std::span<const std::uint8_t> bytes;
    std::shared_ptr<const void> owner;
};

// Writes components and values into a byte buffer in the binary component stream.
class TWriter final : public TFiler {
public:
    explicit TWriter(std::vector<std::uint8_t>& out) : out_(out) {}

    void WriteSignature();
    // The signature, then Root's record with its children.
    void WriteRootComponent(TComponent& root);
    void WriteComponent(TComponent& component);
    // Published properties in declaration order, then the stream-only ones.
    void WriteProperties(TPersistent& instance);

    void WriteListBegin() { WriteValueType(TValueType::List); }
    void WriteListEnd() { WriteValueType(TValueType::Null); }
    void WriteInteger(std::int64_t value);
    void WriteBoolean(bool value) { WriteValueType(value ? TValueType::True : TValueType::False); }
    void WriteString(const std::string& value);
    void WriteWideString(const std::u16string& value);
    void WriteBinary(std::span<const std::uint8_t> data);
    void WriteCollection(TCollection& collection);
    void WriteValueType(TValueType type) { out_.push_back(static_cast<std::uint8_t>(type)); }
    // A length byte and the text; identifiers and names are at most 255 bytes.
    void WriteShortString(std::string_view text);

    void DefineProperty(const std::string& name, const ReadProc& read, const WriteProc& write, bool hasData) override;
    void DefineBinaryProperty(const std::string& name, const ReadBinaryProc& read, const WriteBinaryProc& write,
                              bool hasData) override;

private:
    void WriteProperty(TPersistent& instance, const TPropInfo& prop);
    void WritePropName(const std::string& name);
    void WriteUInt32(std::uint32_t value);
    void WriteBytes(const void* data, std::size_t size);

    std::vector<std::uint8_t>& out_;
    std::string propPath_;
    std::string lastName_; // of the property being written, for messages
};

// Reads the binary component stream from a byte range. Every count and length is checked
// against what remains before anything is allocated; every problem raises EReadError.
class TReader final : public TFiler, private IFreeListener {
public:
    // With an owner that keeps Data alive, ReadSharedBinary hands out parts of Data itself.
    explicit TReader(std::span<const std::uint8_t> data, std::shared_ptr<const void> owner = nullptr)
        : data_(data), owner_(std::move(owner)) {}
    ~TReader() override;
    TReader(const TReader&) = delete;
    TReader& operator=(const TReader&) = delete;

    // Child records of the root whose class is not registered are stepped over instead of refused.
    void SetSkipUnknownChildren(bool skip) { skipUnknownChildren_ = skip; }
    // Child records of the root of a registered class other than Kept (or one derived from it) are
    // stepped over: none of the components they hold is made.
    void SetKeptChildClass(const TClassInfo& kept) { keptChildClass_ = &kept; }
    // A lower bound than MaxStreamNesting, for records whose shape is known to be shallow.
    void SetMaxNesting(int depth) { maxDepth_ = depth; }

    void ReadSignature();
    // Reads the root record into Root (its name, properties and children, which Root comes to own),
    // then tells every component read that loading is complete.
    void ReadRootComponent(TComponent& root);
    // Constructs a component by the record's class name, without owner.
    std::unique_ptr<TComponent> ReadComponent();
    void ReadProperties(TPersistent& instance);

    TValueType NextValue();
    TValueType ReadValueType();
    bool EndOfList() { return NextValue() == TValueType::Null; }
    void ReadListBegin() { CheckValue(TValueType::List); }
    void ReadListEnd() { CheckValue(TValueType::Null); }
    std::int64_t ReadInteger();
    bool ReadBoolean();
    std::string ReadString();
    std::u16string ReadWideString();
    std::string ReadIdent();
    std::span<const std::uint8_t> ReadBinary();
    // A binary value that outlives the reader: a part of the data its owner keeps, else a copy.
    TSharedBytes ReadSharedBinary();
    void ReadCollection(TCollection& collection);
    std::string ReadShortString();
    // The same text as ReadShortString, as a view of the bytes read.
    std::string_view ReadShortText();
    void SkipValue();
    void SkipComponent();

    std::size_t Position() const { return pos_; }

    void DefineProperty(const std::string& name, const ReadProc& read, const WriteProc& write, bool hasData) override;
    void DefineBinaryProperty(const std::string& name, const ReadBinaryProc& read, const WriteBinaryProc& write,
                              bool hasData) override;

private:
    class Nesting;

    // The property names of one instance read so far; few, so kept without allocating.
    class TReadNames {
    public:
        // False when Name (in any letter case) was read before.
        bool Add(std::string_view name);

    private:
        std::string_view At(std::size_t i) const;

        std::array<std::string_view, 4> local_;
        std::vector<std::string_view> more_;
        std::size_t count_ = 0;
    };

    void ReadProperty(TPersistent& instance, TReadNames& names);
    // FindClass, for the name of a record; a stream holds records of a few classes, one after
    // another, so the last ones found are kept.
    const TClassInfo& RecordClass(std::string_view name);
    // The names of the instances being read, innermost last, for messages.
    std::string ReadingPath() const;
    void ReadPropValue(TPersistent& instance, const TPropInfo& prop);
    void ReadComponentBody(TComponent& component);
    void SkipRecordPrefix();
    void CheckValue(TValueType expected);
    std::span<const std::uint8_t> Take(std::size_t size);
    std::uint32_t ReadUInt32();
    [[noreturn]] void InvalidValue() const;
    // Components read so far may be freed again before loading ends (orphan values, a list
    // read twice); they leave the list of those still to be told.
    void ComponentFreed(TComponent& component) override;

    std::span<const std::uint8_t> data_;
    std::shared_ptr<const void> owner_;
    std::size_t pos_ = 0;
    int depth_ = 0;
    int maxDepth_ = MaxStreamNesting;
    bool skipUnknownChildren_ = false;
    const TClassInfo* keptChildClass_ = nullptr;
    std::vector<const TPersistent*> reading_;
    std::string propName_;
    bool propFound_ = false;
    std::vector<TComponent*> loaded_;
    std::array<std::pair<std::string_view, const TClassInfo*>, 4> recentClasses_{};
    std::size_t nextRecent_ = 0;
};

// The data file form: a 25-byte resource header (the root's class name in upper case) and the
// stream of Root.
// ExpectedSize (for example the previous file's size) lets the buffer be taken at once rather than
// grown and copied again and again.
std::vector<std::uint8_t> WriteComponentResource(TComponent& root, std::size_t expectedSize = 0);
// KeptChildClass, when given, is the class of the root's children that are read (SetKeptChildClass).
void ReadComponentResource(std::span<const std::uint8_t> data, TComponent& root, bool skipUnknownChildren,
                           const TClassInfo* keptChildClass = nullptr);
// The same; the binary values kept share Data's buffer, which Owner keeps, instead of copying
// their bytes.
void ReadComponentResource(std::span<const std::uint8_t> data, std::shared_ptr<const void> owner, TComponent& root,
                           bool skipUnknownChildren, const TClassInfo* keptChildClass = nullptr);

} // namespace prolamo

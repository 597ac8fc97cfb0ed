#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace prolamo {

class TPersistent;
class TReader;
class TWriter;

// What a published property holds; decides how the stream writes and reads it.
enum class TTypeKind { Integer, Cardinal, Boolean, String, WideString, Strings, WideStrings, Collection };

// One published property: name, type, default, whether it is stored, and how to read and write it.
// Object properties (string lists, collections) are reached through `object` and filled in place.
struct TPropInfo {
    std::string name;
    TTypeKind kind = TTypeKind::Integer;
    std::function<std::int64_t(const TPersistent&)> getOrdinal;
    std::function<void(TPersistent&, std::int64_t)> setOrdinal;
    std::function<std::string(const TPersistent&)> getString;
    std::function<void(TPersistent&, const std::string&)> setString;
    std::function<std::u16string(const TPersistent&)> getWide;
    std::function<void(TPersistent&, const std::u16string&)> setWide;
    std::function<TPersistent*(TPersistent&)> object;
    std::optional<std::int64_t> defaultOrdinal;
    std::function<bool(const TPersistent&)> stored;

    bool IsObject() const {
        return kind == TTypeKind::Strings || kind == TTypeKind::WideStrings || kind == TTypeKind::Collection;
    }
    bool Readable() const { return getOrdinal || getString || getWide || object; }
    bool Writable() const { return setOrdinal || setString || setWide || object; }
    bool IsStored(const TPersistent& instance) const { return !stored || stored(instance); }

    // Modifiers for the declarations next to a class.
    TPropInfo Default(std::int64_t value) && {
        defaultOrdinal = value;
        return std::move(*this);
    }
    TPropInfo StoredWhen(std::function<bool(const TPersistent&)> predicate) && {
        stored = std::move(predicate);
        return std::move(*this);
    }
};

// The class reference of a persistent class: its name, its base, a factory for an ownerless
// instance (none for abstract classes) and its own published properties in declaration order.
class TClassInfo {
public:
    using Factory = std::function<std::unique_ptr<TPersistent>()>;

    TClassInfo(std::string name, const TClassInfo* parent, Factory factory, std::vector<TPropInfo> properties);
    virtual ~TClassInfo() = default;
    TClassInfo(const TClassInfo&) = delete;
    TClassInfo& operator=(const TClassInfo&) = delete;

    const std::string& ClassName() const { return name_; }
    const TClassInfo* Parent() const { return parent_; }
    bool InheritsFrom(const TClassInfo& other) const;
    bool IsAbstract() const { return !factory_; }
    std::unique_ptr<TPersistent> Create() const;

    // All published properties, from the oldest base class to this class.
    const std::vector<const TPropInfo*>& Properties() const;
    const TPropInfo* FindProperty(std::string_view name) const;

private:
    std::string name_;
    const TClassInfo* parent_;
    Factory factory_;
    std::vector<TPropInfo> own_;
    mutable std::vector<const TPropInfo*> all_;
    mutable bool allBuilt_ = false;
};

using TClassList = std::vector<const TClassInfo*>;

// Defines the stream-only properties of an object: the writer asks for their data, the reader
// hands over the value of the one whose name it met.
class TFiler {
public:
    using ReadProc = std::function<void(TReader&)>;
    using WriteProc = std::function<void(TWriter&)>;
    using ReadBinaryProc = std::function<void(std::span<const std::uint8_t>)>;
    using WriteBinaryProc = std::function<std::span<const std::uint8_t>()>;

    virtual ~TFiler() = default;
    virtual void DefineProperty(const std::string& name, const ReadProc& read, const WriteProc& write,
                                bool hasData) = 0;
    virtual void DefineBinaryProperty(const std::string& name, const ReadBinaryProc& read, const WriteBinaryProc& write,
                                      bool hasData) = 0;
};

// The streamable base: class reference, assignment and stream-only properties.
class TPersistent {
public:
    virtual ~TPersistent() = default;
    TPersistent() = default;
    TPersistent(const TPersistent&) = delete;
    TPersistent& operator=(const TPersistent&) = delete;

    static const TClassInfo& StaticClass();
    virtual const TClassInfo& ClassType() const { return StaticClass(); }
    const std::string& ClassName() const { return ClassType().ClassName(); }
    bool InheritsFrom(const TClassInfo& info) const { return ClassType().InheritsFrom(info); }

    // Copies Source into this object; the base refuses with "Cannot assign a %s to a %s".
    virtual void Assign(const TPersistent& source);
    virtual void DefineProperties(TFiler& /*filer*/) {}

protected:
    // Lets Dest take this object's content when Dest does not know this class.
    virtual void AssignTo(TPersistent& dest) const;
};

// Declares the class reference of a persistent class; the definition lives in the class's unit.
#define PROLAMO_CLASS()                                                                                                \
public:                                                                                                                \
    static const ::prolamo::TClassInfo& StaticClass();                                                                 \
    /* StaticClass builds its arguments on every call; the stream asks once per property. */                           \
    const ::prolamo::TClassInfo& ClassType() const override {                                                          \
        static const ::prolamo::TClassInfo& info = StaticClass();                                                      \
        return info;                                                                                                   \
    }                                                                                                                  \
                                                                                                                       \
private:

// Builds the class reference of T with base Base; a concrete, default-constructible T gets a factory.
template <class T, class Base> TClassInfo::Factory FactoryOf() {
    if constexpr (!std::is_abstract_v<T> && std::is_default_constructible_v<T>)
        return [] { return std::unique_ptr<TPersistent>(std::make_unique<T>()); };
    else
        return nullptr;
}

template <class T, class Base>
const TClassInfo& MakeClassInfo(std::string name, std::vector<TPropInfo> properties = {}) {
    static_assert(std::is_base_of_v<Base, T>);
    static const TClassInfo info(std::move(name), &Base::StaticClass(), FactoryOf<T, Base>(), std::move(properties));
    return info;
}

// Property declarations from member functions; one line per published property.
namespace prop {

template <class T, class V>
TPropInfo Ordinal(std::string name, TTypeKind kind, V (T::*get)() const, void (T::*set)(V)) {
    TPropInfo p{.name = std::move(name), .kind = kind};
    if (get)
        p.getOrdinal = [get](const TPersistent& o) {
            return static_cast<std::int64_t>((static_cast<const T&>(o).*get)());
        };
    if (set)
        p.setOrdinal = [set](TPersistent& o, std::int64_t v) { (static_cast<T&>(o).*set)(static_cast<V>(v)); };
    return p;
}

template <class T> TPropInfo Integer(std::string name, std::int32_t (T::*get)() const, void (T::*set)(std::int32_t)) {
    return Ordinal<T, std::int32_t>(std::move(name), TTypeKind::Integer, get, set);
}

template <class T>
TPropInfo Cardinal(std::string name, std::uint32_t (T::*get)() const, void (T::*set)(std::uint32_t)) {
    return Ordinal<T, std::uint32_t>(std::move(name), TTypeKind::Cardinal, get, set);
}

// Booleans default to False: written only when True.
template <class T> TPropInfo Boolean(std::string name, bool (T::*get)() const, void (T::*set)(bool)) {
    return Ordinal<T, bool>(std::move(name), TTypeKind::Boolean, get, set).Default(0);
}

template <class T>
TPropInfo String(std::string name, std::string (T::*get)() const, void (T::*set)(const std::string&)) {
    TPropInfo p{.name = std::move(name), .kind = TTypeKind::String};
    if (get)
        p.getString = [get](const TPersistent& o) { return (static_cast<const T&>(o).*get)(); };
    if (set)
        p.setString = [set](TPersistent& o, const std::string& v) { (static_cast<T&>(o).*set)(v); };
    return p;
}

template <class T>
TPropInfo WideString(std::string name, std::u16string (T::*get)() const, void (T::*set)(const std::u16string&)) {
    TPropInfo p{.name = std::move(name), .kind = TTypeKind::WideString};
    if (get)
        p.getWide = [get](const TPersistent& o) { return (static_cast<const T&>(o).*get)(); };
    if (set)
        p.setWide = [set](TPersistent& o, const std::u16string& v) { (static_cast<T&>(o).*set)(v); };
    return p;
}

// An owned sub-object (string list or collection), read and written in place.
template <class T, class Sub> TPropInfo Object(std::string name, TTypeKind kind, Sub& (T::*get)()) {
    TPropInfo p{.name = std::move(name), .kind = kind};
    p.object = [get](TPersistent& o) -> TPersistent* { return &(static_cast<T&>(o).*get)(); };
    return p;
}

} // namespace prop

} // namespace prolamo

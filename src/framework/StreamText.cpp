#include "StreamText.h"

#include "Stream.h"
#include "os/Text.h"

#include <charconv>
#include <limits>

namespace prolamo {

namespace {

constexpr std::size_t HexBytesPerLine = 32;
constexpr const char* HexDigits = "0123456789ABCDEF";

bool IsIdentStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsIdentChar(char c) {
    return IsIdentStart(c) || (c >= '0' && c <= '9');
}

bool IsIdentifier(std::string_view text) {
    if (text.empty() || !IsIdentStart(text[0]))
        return false;
    for (char c : text)
        if (!IsIdentChar(c))
            return false;
    return true;
}

// Keywords of the text form; no name may be one of them.
bool IsKeyword(std::string_view text) {
    return text == "object" || text == "end" || text == "item";
}

// A property name: identifiers joined by dots ("Values.Strings").
bool IsPropertyName(std::string_view text) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = text.find('.', start);
        const std::string_view part = text.substr(start, dot == std::string_view::npos ? dot : dot - start);
        if (!IsIdentifier(part) || IsKeyword(part))
            return false;
        if (dot == std::string_view::npos)
            return true;
        start = dot + 1;
    }
}

bool IsValidUtf8(std::string_view text) {
    return os::Utf16ToUtf8(os::Utf8ToUtf16(text)) == text;
}

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// Appends one piece of a literal: quoted text or a #code, opening and closing quotes as needed.
class TLiteral {
public:
    explicit TLiteral(std::string& out) : out_(out) {}

    void Quoted(std::string_view text) {
        if (!open_)
            out_ += '\'';
        open_ = true;
        for (char c : text)
            out_ += c == '\'' ? std::string("''") : std::string(1, c);
        empty_ = false;
    }
    void Code(unsigned code) {
        if (open_)
            out_ += '\'';
        open_ = false;
        out_ += '#' + std::to_string(code);
        empty_ = false;
    }
    void Close() {
        if (open_ || empty_)
            out_ += empty_ ? "''" : "'";
    }

private:
    std::string& out_;
    bool open_ = false;
    bool empty_ = true;
};

bool Printable(unsigned c) {
    return c >= 0x20 && c < 0x7F;
}

class TBinaryToText {
public:
    explicit TBinaryToText(std::span<const std::uint8_t> stream) : size_(stream.size()), reader_(stream) {}

    std::string Run() {
        reader_.ReadSignature();
        Record(0);
        if (reader_.Position() != size_)
            throw EReadError("The stream goes on after its record");
        return std::move(out_);
    }

private:
    void Record(int depth) {
        if ((static_cast<std::uint8_t>(reader_.NextValue()) & 0xF0) == 0xF0)
            throw EFilerError("A record prefix has no text form");
        const std::string className = reader_.ReadShortString();
        const std::string name = reader_.ReadShortString();
        if (!IsIdentifier(className) || IsKeyword(className) ||
            (!name.empty() && (!IsIdentifier(name) || IsKeyword(name))))
            throw EFilerError("The record " + className + " " + name + " has no text form");
        Indent(depth) += "object " + (name.empty() ? className : name + ": " + className) + "\n";
        Properties(depth + 1);
        while (!reader_.EndOfList())
            Record(depth + 1);
        reader_.ReadListEnd();
        Indent(depth) += "end\n";
    }

    void Properties(int depth) {
        while (!reader_.EndOfList()) {
            const std::string name = reader_.ReadShortString();
            if (!IsPropertyName(name))
                throw EFilerError("The property name " + name + " has no text form");
            Indent(depth) += name + " = ";
            Value(depth, EndsWith(name, ".Strings"));
            out_ += '\n';
        }
        reader_.ReadListEnd();
    }

    // A list holds values when it is a string list, component records otherwise.
    void Value(int depth, bool listOfValues) {
        switch (reader_.NextValue()) {
        case TValueType::Int8:
        case TValueType::Int16:
        case TValueType::Int32:
        case TValueType::Int64:
            out_ += std::to_string(reader_.ReadInteger());
            return;
        case TValueType::String:
        case TValueType::LString:
        case TValueType::Utf8String:
            Narrow(reader_.ReadString());
            return;
        case TValueType::WString:
            out_ += 'W';
            Wide(reader_.ReadWideString());
            return;
        case TValueType::Ident: {
            const std::string ident = reader_.ReadIdent();
            if (!IsIdentifier(ident) || IsKeyword(ident) || ident == "True" || ident == "False" || ident == "nil")
                throw EFilerError("The identifier " + ident + " has no text form");
            out_ += ident;
            return;
        }
        case TValueType::False:
        case TValueType::True:
        case TValueType::Nil:
            out_ += reader_.ReadIdent();
            return;
        case TValueType::Binary:
            Binary(depth, reader_.ReadBinary());
            return;
        case TValueType::Set:
            Set();
            return;
        case TValueType::List:
            List(depth, listOfValues);
            return;
        case TValueType::Collection:
            Collection(depth);
            return;
        default: {
            const auto type = static_cast<int>(reader_.NextValue());
            reader_.SkipValue(); // raises for a type byte outside the table
            throw EFilerError("A value of type " + std::to_string(type) + " has no text form");
        }
        }
    }

    void Narrow(const std::string& text) {
        const bool utf8 = IsValidUtf8(text);
        TLiteral literal(out_);
        for (char c : text) {
            const auto byte = static_cast<unsigned char>(c);
            if (Printable(byte) || (utf8 && byte >= 0x80))
                literal.Quoted(std::string_view(&c, 1));
            else
                literal.Code(byte);
        }
        literal.Close();
    }

    void Wide(const std::u16string& text) {
        TLiteral literal(out_);
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char16_t c = text[i];
            const bool high = c >= 0xD800 && c < 0xDC00;
            const bool low = c >= 0xDC00 && c < 0xE000;
            if (Printable(c) || (c >= 0x80 && !high && !low)) {
                literal.Quoted(os::Utf16ToUtf8(std::u16string_view(&text[i], 1)));
            } else if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
                literal.Quoted(os::Utf16ToUtf8(std::u16string_view(&text[i], 2)));
                ++i;
            } else {
                literal.Code(c);
            }
        }
        literal.Close();
    }

    void Binary(int depth, std::span<const std::uint8_t> bytes) {
        out_ += '{';
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (i % HexBytesPerLine == 0)
                Indent(depth + 1, true);
            out_ += HexDigits[bytes[i] >> 4];
            out_ += HexDigits[bytes[i] & 0x0F];
        }
        if (!bytes.empty())
            Indent(depth, true);
        out_ += '}';
    }

    void Set() {
        reader_.ReadValueType();
        out_ += '[';
        for (bool first = true;; first = false) {
            const std::string element = reader_.ReadShortString();
            if (element.empty())
                break;
            if (!IsIdentifier(element) || IsKeyword(element))
                throw EFilerError("The set element " + element + " has no text form");
            out_ += (first ? "" : ", ") + element;
        }
        out_ += ']';
    }

    void List(int depth, bool ofValues) {
        reader_.ReadListBegin();
        out_ += '(';
        bool any = false;
        while (!reader_.EndOfList()) {
            any = true;
            if (ofValues) {
                Indent(depth + 1, true);
                Value(depth + 1, false);
            } else {
                out_ += '\n';
                Record(depth + 1);
                out_.pop_back();
            }
        }
        reader_.ReadListEnd();
        if (any)
            Indent(depth, true);
        out_ += ')';
    }

    void Collection(int depth) {
        reader_.ReadValueType();
        out_ += '<';
        bool any = false;
        while (!reader_.EndOfList()) {
            any = true;
            Indent(depth + 1, true) += "item\n";
            reader_.ReadListBegin(); // an item's index (never written here) has no text form
            Properties(depth + 2);
            Indent(depth + 1) += "end";
        }
        reader_.ReadListEnd();
        if (any)
            Indent(depth, true);
        out_ += '>';
    }

    std::string& Indent(int depth, bool newLine = false) {
        if (newLine)
            out_ += '\n';
        out_.append(static_cast<std::size_t>(depth) * 2, ' ');
        return out_;
    }

    std::size_t size_;
    TReader reader_;
    std::string out_;
};

enum class TToken { End, Name, Integer, Narrow, Wide, Symbol, Hex };

// Reads the text form into the binary stream; every fault names its line.
class TTextToBinary {
public:
    explicit TTextToBinary(std::string_view text) : text_(text), writer_(out_) {}

    std::vector<std::uint8_t> Run() {
        if (text_.size() > MaxTextSize)
            throw ETextFormatError(1, Translated("Engine",
                                                 PROLAMO_TRANSLATE_NOOP("Engine", "The text is larger than %1 MB"),
                                                 {std::to_string(MaxTextSize >> 20)}));
        Next();
        writer_.WriteSignature();
        Expect("object");
        Record();
        if (token_ != TToken::End)
            Fail(Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "text after the record's end")));
        return std::move(out_);
    }

private:
    [[noreturn]] void Fail(const std::string& message) const { throw ETextFormatError(tokenLine_, message); }

    bool Is(std::string_view word) const {
        return (token_ == TToken::Name || token_ == TToken::Symbol) && word_ == word;
    }

    void Expect(std::string_view word) {
        if (!Is(word))
            Fail(Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "expected %1, found %2"), {word, Found()}));
        Next();
    }

    // What stands where something else was expected.
    std::string Found() const {
        switch (token_) {
        case TToken::End:
            return Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "the end of the text"));
        case TToken::Name:
        case TToken::Symbol:
            return word_;
        default:
            return Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "a value"));
        }
    }

    // Expected and TooLong are marked "Engine" texts; Expected's %1 is what was found.
    std::string Identifier(const char* expected, const char* tooLong) {
        if (token_ != TToken::Name || !IsIdentifier(word_) || IsKeyword(word_))
            Fail(Translated("Engine", expected, {Found()}));
        if (word_.size() > 255)
            Fail(Translated("Engine", tooLong));
        std::string name = word_;
        Next();
        return name;
    }

    class Level {
    public:
        explicit Level(TTextToBinary& parser) : parser_(parser) {
            if (++parser_.depth_ > MaxTextDepth)
                parser_.Fail(Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "nested more than %1 levels deep"),
                                        {std::to_string(MaxTextDepth)}));
        }
        ~Level() { --parser_.depth_; }
        Level(const Level&) = delete;
        Level& operator=(const Level&) = delete;

    private:
        TTextToBinary& parser_;
    };

    // After "object": [Name ":"] Class, properties, child records, "end".
    void Record() {
        Level level(*this);
        std::string name;
        std::string className =
            Identifier(PROLAMO_TRANSLATE_NOOP("Engine", "expected class name, found %1"),
                       PROLAMO_TRANSLATE_NOOP("Engine", "a class name is at most 255 characters long"));
        if (Is(":")) {
            Next();
            name = std::move(className);
            className = Identifier(PROLAMO_TRANSLATE_NOOP("Engine", "expected class name, found %1"),
                                   PROLAMO_TRANSLATE_NOOP("Engine", "a class name is at most 255 characters long"));
        }
        writer_.WriteShortString(className);
        writer_.WriteShortString(name);
        Properties();
        while (Is("object")) {
            Next();
            Record();
        }
        Expect("end");
        writer_.WriteListEnd();
    }

    void Properties() {
        while (token_ == TToken::Name && !IsKeyword(word_)) {
            if (!IsPropertyName(word_))
                Fail(Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "expected a property name, found %1"),
                                {word_}));
            if (word_.size() > 255)
                Fail(Translated("Engine",
                                PROLAMO_TRANSLATE_NOOP("Engine", "a property name is at most 255 characters long")));
            const std::string property = word_;
            writer_.WriteShortString(property);
            Next();
            Expect("=");
            Value(property);
        }
        writer_.WriteListEnd();
    }

    // Property names the property whose value this is, for messages.
    void Value(const std::string& property) {
        Level level(*this);
        switch (token_) {
        case TToken::Integer:
            writer_.WriteInteger(integer_);
            Next();
            return;
        case TToken::Narrow:
            // The writer refuses it too, but knows neither the line nor the property.
            if (!IsValidUtf8(word_))
                Fail(Translated("Engine", texts::InvalidUtf8, {property}));
            writer_.WriteString(word_);
            Next();
            return;
        case TToken::Wide:
            writer_.WriteWideString(wide_);
            Next();
            return;
        case TToken::Hex:
            writer_.WriteBinary(std::span(reinterpret_cast<const std::uint8_t*>(word_.data()), word_.size()));
            Next();
            return;
        case TToken::Name:
            if (word_ == "True" || word_ == "False") {
                writer_.WriteBoolean(word_ == "True");
                Next();
            } else if (word_ == "nil") {
                writer_.WriteValueType(TValueType::Nil);
                Next();
            } else {
                writer_.WriteValueType(TValueType::Ident);
                writer_.WriteShortString(
                    Identifier(PROLAMO_TRANSLATE_NOOP("Engine", "expected value, found %1"),
                               PROLAMO_TRANSLATE_NOOP("Engine", "a value is at most 255 characters long")));
            }
            return;
        case TToken::Symbol:
            if (word_ == "[")
                return Set();
            if (word_ == "(")
                return List(property);
            if (word_ == "<")
                return Collection();
            break;
        case TToken::End:
            break;
        }
        Fail(Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "expected a value, found %1"), {Found()}));
    }

    void Set() {
        Next();
        writer_.WriteValueType(TValueType::Set);
        while (!Is("]")) {
            writer_.WriteShortString(
                Identifier(PROLAMO_TRANSLATE_NOOP("Engine", "expected set element, found %1"),
                           PROLAMO_TRANSLATE_NOOP("Engine", "a set element is at most 255 characters long")));
            if (!Is("]"))
                Expect(",");
        }
        Next();
        writer_.WriteShortString("");
    }

    void List(const std::string& property) {
        Next();
        writer_.WriteListBegin();
        while (!Is(")")) {
            if (Is("object")) {
                Next();
                Record();
            } else {
                Value(property);
            }
        }
        Next();
        writer_.WriteListEnd();
    }

    void Collection() {
        Next();
        writer_.WriteValueType(TValueType::Collection);
        while (!Is(">")) {
            Expect("item");
            writer_.WriteListBegin();
            Properties();
            Expect("end");
        }
        Next();
        writer_.WriteListEnd();
    }

    // ---- tokens ----

    char Peek(std::size_t ahead = 0) const { return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0'; }

    void SkipSpace() {
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c == '\n')
                ++line_;
            else if (c != ' ' && c != '\t' && c != '\r')
                return;
            ++pos_;
        }
    }

    void Next() {
        SkipSpace();
        tokenLine_ = line_;
        word_.clear();
        if (pos_ >= text_.size()) {
            token_ = TToken::End;
            return;
        }
        const char c = text_[pos_];
        if (c == 'W' && (Peek(1) == '\'' || Peek(1) == '#')) {
            ++pos_;
            Literal(true);
        } else if (c == '\'' || c == '#') {
            Literal(false);
        } else if (IsIdentStart(c)) {
            const std::size_t start = pos_;
            while (IsIdentChar(Peek()) || (Peek() == '.' && IsIdentStart(Peek(1))))
                ++pos_;
            token_ = TToken::Name;
            word_ = text_.substr(start, pos_ - start);
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            Number();
        } else if (c == '{') {
            Hex();
        } else if (std::string_view("=:()<>[],").find(c) != std::string_view::npos) {
            ++pos_;
            token_ = TToken::Symbol;
            word_ = std::string(1, c);
        } else {
            Fail(Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "unexpected character %1"),
                            {std::to_string(static_cast<unsigned char>(c))}));
        }
    }

    void Number() {
        const std::size_t start = pos_;
        if (Peek() == '-')
            ++pos_;
        while (Peek() >= '0' && Peek() <= '9')
            ++pos_;
        const std::string_view digits = text_.substr(start, pos_ - start);
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), integer_);
        if (error != std::errc() || end != digits.data() + digits.size() || IsIdentChar(Peek()))
            Fail(Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "not a 64-bit integer: %1"), {digits}));
        token_ = TToken::Integer;
    }

    // Quoted pieces and #codes, side by side: bytes for a narrow literal, UTF-16 code units for a
    // wide one (whose quoted pieces are UTF-8).
    void Literal(bool wide) {
        token_ = wide ? TToken::Wide : TToken::Narrow;
        wide_.clear();
        std::string quoted;
        const auto flush = [&] {
            if (wide)
                wide_ += os::Utf8ToUtf16(quoted);
            else
                word_ += quoted;
            quoted.clear();
        };
        for (;;) {
            if (Peek() == '\'') {
                ++pos_;
                for (;;) {
                    if (pos_ >= text_.size() || text_[pos_] == '\n')
                        Fail(Translated("Engine",
                                        PROLAMO_TRANSLATE_NOOP("Engine", "a text that does not end on its line")));
                    const char c = text_[pos_++];
                    if (c == '\'') {
                        if (Peek() != '\'')
                            break;
                        ++pos_;
                    }
                    quoted += c;
                }
            } else if (Peek() == '#') {
                ++pos_;
                const std::size_t start = pos_;
                while (Peek() >= '0' && Peek() <= '9')
                    ++pos_;
                unsigned code = 0;
                const std::string_view digits = text_.substr(start, pos_ - start);
                const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), code);
                if (digits.empty() || error != std::errc() || code > (wide ? 0xFFFFu : 0xFFu))
                    Fail(Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "a character code out of range: #%1"),
                                    {digits}));
                flush();
                if (wide)
                    wide_ += static_cast<char16_t>(code);
                else
                    word_ += static_cast<char>(code);
            } else {
                break;
            }
        }
        flush();
    }

    void Hex() {
        ++pos_;
        for (;;) {
            SkipSpace();
            if (Peek() == '}') {
                ++pos_;
                token_ = TToken::Hex;
                return;
            }
            const auto digit = [&](char c) -> int {
                if (c >= '0' && c <= '9')
                    return c - '0';
                if (c >= 'A' && c <= 'F')
                    return c - 'A' + 10;
                if (c >= 'a' && c <= 'f')
                    return c - 'a' + 10;
                Fail(pos_ >= text_.size()
                         ? Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "a binary value that does not end"))
                         : Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "not a hex digit: %1"),
                                      {std::string(1, c)}));
            };
            const int high = digit(Peek());
            ++pos_;
            const int low = digit(Peek());
            ++pos_;
            word_ += static_cast<char>(high << 4 | low);
        }
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t line_ = 1;
    std::size_t tokenLine_ = 1;
    int depth_ = 0;
    TToken token_ = TToken::End;
    std::string word_;
    std::u16string wide_;
    std::int64_t integer_ = 0;
    std::vector<std::uint8_t> out_;
    TWriter writer_;
};

} // namespace

ETextFormatError::ETextFormatError(std::size_t line, const std::string& message)
    : EFilerError(
          Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Line %1: %2"), {std::to_string(line), message})),
      line_(line) {}

std::string ObjectBinaryToText(std::span<const std::uint8_t> stream) {
    return TBinaryToText(stream).Run();
}

std::vector<std::uint8_t> ObjectTextToBinary(std::string_view text) {
    return TTextToBinary(text).Run();
}

} // namespace prolamo

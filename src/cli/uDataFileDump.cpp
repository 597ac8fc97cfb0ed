#include "uDataFileDump.h"

#include "classes/uPersistence.h"
#include "framework/ClassRegistry.h"
#include "framework/Stream.h"
#include "framework/Utf8Text.h"
#include "uTerminal.h"

#include <cfloat>
#include <cstring>
#include <iomanip>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>

namespace prolamo::cli {

namespace {

constexpr std::size_t LongTextLimit = 2000;
constexpr std::size_t BinaryPreview = 32;
constexpr std::size_t OutputLimitBase = 1 << 20;
constexpr std::size_t OutputLimitPerByte = 16;

bool IsIdentifierStart(std::uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsIdentifierChar(std::uint8_t c) {
    return IsIdentifierStart(c) || (c >= '0' && c <= '9');
}

// A text as a quoted literal: printable characters as they are, the others (C1 controls among
// them) as #code.
std::string Quoted(const std::string& text) {
    std::string out;
    bool inQuotes = false;
    const std::size_t shown = std::min(text.size(), LongTextLimit);
    for (std::size_t i = 0; i < shown; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == 0xC2 && IsControlAt(text, i)) {
            if (inQuotes)
                out += '\'';
            inQuotes = false;
            out += '#' + std::to_string(static_cast<unsigned char>(text[++i]));
        } else if (c >= 0x20 && c != 0x7F) {
            if (!inQuotes)
                out += '\'';
            inQuotes = true;
            out += static_cast<char>(c);
            if (c == '\'')
                out += '\'';
        } else {
            if (inQuotes)
                out += '\'';
            inQuotes = false;
            out += '#' + std::to_string(c);
        }
    }
    if (inQuotes || out.empty())
        out += out.empty() ? "''" : "'";
    if (shown < text.size())
        out += " ... (" + std::to_string(text.size()) + " bytes in all)";
    return out;
}

std::string Hex(std::span<const std::uint8_t> bytes) {
    std::ostringstream out;
    out << std::hex << std::uppercase << std::setfill('0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        out << (i ? " " : "") << std::setw(2) << static_cast<int>(bytes[i]);
    return out.str();
}

template <class T> T LittleEndian(std::span<const std::uint8_t> bytes) {
    T value{};
    std::memcpy(&value, bytes.data(), sizeof value); // this program runs on little-endian machines
    return value;
}

// Passes at most Limit bytes on to Target and drops the rest, so that no file, however it nests or
// repeats, makes the dump much longer than the file.
class TBoundedOutput : public std::streambuf {
public:
    TBoundedOutput(std::streambuf& target, std::size_t limit) : target_(target), left_(limit) {}
    bool Cut() const { return cut_; }

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::not_eof(c);
        const char one = traits_type::to_char_type(c);
        return xsputn(&one, 1) == 1 ? c : traits_type::eof();
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        const auto taken = static_cast<std::streamsize>(std::min<std::size_t>(left_, static_cast<std::size_t>(n)));
        target_.sputn(s, taken);
        left_ -= static_cast<std::size_t>(taken);
        if (taken < n)
            cut_ = true;
        return n; // the rest is dropped, not an error: the walk goes on to check the file
    }

private:
    std::streambuf& target_;
    std::size_t left_;
    bool cut_ = false;
};

class TDumper {
public:
    TDumper(std::span<const std::uint8_t> stream, std::size_t base, std::ostream& out)
        : data_(stream), base_(base), reader_(stream), out_(out) {}

    void Run() {
        try {
            reader_.ReadSignature();
            Component(0);
            if (reader_.Position() != data_.size())
                out_ << "# " << data_.size() - reader_.Position() << " bytes after the root record\n";
        } catch (const EDumpError&) {
            throw;
        } catch (const std::exception& e) {
            throw EDumpError(base_ + start_, e.what());
        }
    }

private:
    // Counts nesting as the loader does, and stops where the loader would.
    class Nesting {
    public:
        explicit Nesting(TDumper& dumper) : dumper_(dumper) {
            if (++dumper_.nesting_ > MaxStreamNesting)
                throw EDumpError(dumper_.base_ + dumper_.reader_.Position(),
                                 "Invalid stream format: nested more than " + std::to_string(MaxStreamNesting) +
                                     " levels deep");
        }
        ~Nesting() { --dumper_.nesting_; }
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;

    private:
        TDumper& dumper_;
    };

    // A component record: "object Name: TClass", its properties, its children, "end".
    void Component(int depth) {
        Nesting nesting(*this);
        start_ = reader_.Position();
        const std::uint8_t prefix = static_cast<std::uint8_t>(reader_.NextValue());
        std::string flags;
        if ((prefix & 0xF0) == 0xF0) {
            reader_.ReadValueType();
            if (prefix & 0x01)
                flags += " inherited";
            if (prefix & 0x04)
                flags += " inline";
            if (prefix & 0x02)
                flags += " [" + std::to_string(reader_.ReadInteger()) + "]";
        }
        const std::string className = reader_.ReadShortString();
        const std::string name = reader_.ReadShortString();
        Indent(depth) << "object " << (name.empty() ? "" : TerminalLine(name) + ": ") << TerminalLine(className)
                      << flags << '\n';
        // The root's class is constructed by the program itself, so it is in no registry.
        const TClassInfo* info = className == TPersistentData::StaticClass().ClassName()
                                     ? &TPersistentData::StaticClass()
                                     : GetClass(className);
        if (!info)
            Indent(depth + 1) << "# class not known to this program\n";
        Properties(depth + 1, info);
        while (!reader_.EndOfList())
            Component(depth + 1);
        reader_.ReadListEnd();
        Indent(depth) << "end\n";
    }

    void Properties(int depth, const TClassInfo* info) {
        Nesting nesting(*this);
        while (!reader_.EndOfList()) {
            start_ = reader_.Position();
            const std::string name = reader_.ReadShortString();
            Indent(depth) << TerminalLine(name) << " = ";
            const TPropInfo* prop = info ? info->FindProperty(name) : nullptr;
            Value(depth, prop && prop->kind == TTypeKind::Cardinal);
        }
        reader_.ReadListEnd();
    }

    // A list element is a component record when it starts with a class name and a component name
    // (identifiers, the name possibly empty); no value's type byte and payload look like that.
    bool AtComponentRecord() const {
        std::size_t p = reader_.Position();
        auto identifier = [&](bool mayBeEmpty) {
            if (p >= data_.size())
                return false;
            const std::size_t length = data_[p];
            if (length == 0)
                return mayBeEmpty && (++p, true);
            if (p + 1 + length > data_.size() || !IsIdentifierStart(data_[p + 1]))
                return false;
            for (std::size_t i = 2; i <= length; ++i)
                if (!IsIdentifierChar(data_[p + i]))
                    return false;
            p += 1 + length;
            return true;
        };
        if (p < data_.size() && (data_[p] & 0xF0) == 0xF0)
            return false; // prefixed records are written by other tools only, inside no list
        return identifier(false) && identifier(true);
    }

    void Value(int depth, bool unsignedNumber) {
        const std::size_t at = start_ = reader_.Position();
        const TValueType type = reader_.NextValue();
        switch (type) {
        case TValueType::Int8:
        case TValueType::Int16:
        case TValueType::Int32:
        case TValueType::Int64: {
            const std::int64_t value = reader_.ReadInteger();
            if (unsignedNumber && type != TValueType::Int64)
                out_ << static_cast<std::uint32_t>(value) << '\n';
            else
                out_ << value << '\n';
            return;
        }
        case TValueType::String:
        case TValueType::LString:
        case TValueType::Utf8String:
        case TValueType::WString:
            out_ << Quoted(reader_.ReadString()) << '\n';
            return;
        case TValueType::Ident:
        case TValueType::False:
        case TValueType::True:
        case TValueType::Nil:
            out_ << TerminalLine(reader_.ReadIdent()) << '\n';
            return;
        case TValueType::Binary: {
            const auto bytes = reader_.ReadBinary();
            out_ << "{" << bytes.size() << " bytes";
            if (!bytes.empty())
                out_ << ": " << Hex(bytes.first(std::min(bytes.size(), BinaryPreview)))
                     << (bytes.size() > BinaryPreview ? " ..." : "");
            out_ << "}\n";
            return;
        }
        case TValueType::Set: {
            reader_.ReadValueType();
            out_ << '[';
            for (bool first = true;; first = false) {
                const std::string element = reader_.ReadShortString();
                if (element.empty())
                    break;
                out_ << (first ? "" : ", ") << TerminalLine(element);
            }
            out_ << "]\n";
            return;
        }
        case TValueType::List:
            List(depth);
            return;
        case TValueType::Collection:
            Collection(depth);
            return;
        case TValueType::Extended:
        case TValueType::Single:
        case TValueType::Currency:
        case TValueType::Date:
        case TValueType::Double:
            reader_.SkipValue(); // checks that the payload is there
            Number(type, data_.subspan(at + 1, reader_.Position() - at - 1));
            return;
        default:
            reader_.SkipValue(); // raises the reader's error for a type byte outside the table
            return;
        }
    }

    void Number(TValueType type, std::span<const std::uint8_t> payload) {
        std::ostringstream text;
        text << std::setprecision(17);
        switch (type) {
        case TValueType::Single:
            text << LittleEndian<float>(payload);
            break;
        case TValueType::Double:
            text << LittleEndian<double>(payload);
            break;
        case TValueType::Date:
            text << LittleEndian<double>(payload) << " (date)";
            break;
        case TValueType::Currency: {
            const auto scaled = LittleEndian<std::int64_t>(payload);
            text << scaled / 10000 << '.' << std::setw(4) << std::setfill('0')
                 << (scaled < 0 ? -(scaled % 10000) : scaled % 10000) << " (currency)";
            break;
        }
        default:
#if LDBL_MANT_DIG == 64
        {
            long double value = 0;
            std::memcpy(&value, payload.data(), 10);
            text << value;
        }
#else
            text << "extended " << Hex(payload);
#endif
        break;
        }
        out_ << text.str() << '\n';
    }

    void List(int depth) {
        Nesting nesting(*this);
        reader_.ReadListBegin();
        if (reader_.EndOfList()) {
            reader_.ReadListEnd();
            out_ << "()\n";
            return;
        }
        out_ << "(\n";
        while (!reader_.EndOfList()) {
            if (AtComponentRecord()) {
                Component(depth + 1);
            } else {
                Indent(depth + 1);
                Value(depth + 1, false);
            }
        }
        reader_.ReadListEnd();
        Indent(depth) << ")\n";
    }

    void Collection(int depth) {
        Nesting nesting(*this);
        reader_.ReadValueType();
        if (reader_.EndOfList()) {
            reader_.ReadListEnd();
            out_ << "<>\n";
            return;
        }
        out_ << "<\n";
        while (!reader_.EndOfList()) {
            const TValueType next = reader_.NextValue();
            Indent(depth + 1) << "item";
            if (next == TValueType::Int8 || next == TValueType::Int16 || next == TValueType::Int32)
                out_ << " [" << reader_.ReadInteger() << "]";
            out_ << '\n';
            reader_.ReadListBegin();
            Properties(depth + 2, nullptr);
            Indent(depth + 1) << "end\n";
        }
        reader_.ReadListEnd();
        Indent(depth) << ">\n";
    }

    std::ostream& Indent(int depth) {
        for (int i = 0; i < depth; ++i)
            out_ << "  ";
        return out_;
    }

    std::span<const std::uint8_t> data_;
    std::size_t base_;
    std::size_t start_ = 0; // where the value or record being read begins
    int nesting_ = 0;
    TReader reader_;
    std::ostream& out_;
};

} // namespace

void DumpDataFile(std::span<const std::uint8_t> file, std::ostream& out) {
    if (file.size() < 3 || file[0] != 0xFF || file[1] != 10)
        throw EDumpError(0, "Invalid stream format");
    std::size_t p = 3;
    std::string resourceName;
    while (p < file.size() && file[p] != 0)
        resourceName.push_back(static_cast<char>(file[p++]));
    if (p + 1 + 2 + 4 > file.size())
        throw EDumpError(p, "Stream read error");
    ++p;
    const auto flags = static_cast<unsigned>(file[p] | file[p + 1] << 8);
    p += 2;
    const std::uint32_t length = LittleEndian<std::uint32_t>(file.subspan(p, 4));
    p += 4;
    out << "# resource " << TerminalLine(resourceName) << ", flags 0x" << std::hex << std::uppercase << flags
        << std::dec << ", component stream of " << length << " bytes\n";
    std::size_t available = length;
    if (length > file.size() - p) {
        // A cut file: show what is there, the walk stops where the cut is.
        available = file.size() - p;
        out << "# only " << available << " bytes of the component stream follow\n";
    } else if (length < file.size() - p) {
        out << "# " << file.size() - p - length << " bytes after the component stream\n";
    }
    // Far more than any file this system wrote needs: its text is shorter than its bytes.
    TBoundedOutput bounded(*out.rdbuf(), OutputLimitBase + OutputLimitPerByte * available);
    std::ostream limited(&bounded);
    TDumper(file.subspan(p, available), p, limited).Run();
    if (bounded.Cut())
        out << "\n# the dump stops here: the text would be more than " << OutputLimitPerByte
            << " times the file's size\n";
}

} // namespace prolamo::cli

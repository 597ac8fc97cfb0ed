#include "Strings.h"

#include "Exceptions.h"
#include "Stream.h"
#include "os/Text.h"

#include <algorithm>

namespace prolamo {

namespace {

std::string ToUtf8(const std::string& s) {
    return s;
}
std::string ToUtf8(const std::u16string& s) {
    return os::Utf16ToUtf8(s);
}

template <class S> S Literal(const char* ascii) {
    return S(ascii, ascii + std::char_traits<char>::length(ascii));
}

} // namespace

template <> const TClassInfo& TBasicStrings<std::string>::StaticClass() {
    return MakeClassInfo<TBasicStrings<std::string>, TPersistent>("TStrings");
}

template <> const TClassInfo& TBasicStrings<std::u16string>::StaticClass() {
    return MakeClassInfo<TBasicStrings<std::u16string>, TPersistent>("TWideStrings");
}

template <class S> int TBasicStrings<S>::CompareStrings(const S& a, const S& b) {
    return os::CompareLocale(ToUtf8(a), ToUtf8(b), true);
}

template <class S> void TBasicStrings<S>::SetSorted(bool sorted) {
    if (sorted && !sorted_) {
        std::vector<S> old = std::move(lines_);
        lines_.clear();
        sorted_ = true;
        for (const S& line : old)
            Add(line);
    }
    sorted_ = sorted;
}

template <class S> bool TBasicStrings<S>::Find(const S& line, std::size_t& index) const {
    std::size_t low = 0, high = lines_.size();
    while (low < high) {
        const std::size_t mid = low + (high - low) / 2;
        const int c = CompareStrings(lines_[mid], line);
        if (c < 0) {
            low = mid + 1;
        } else if (c > 0) {
            high = mid;
        } else {
            index = mid;
            return true;
        }
    }
    index = low;
    return false;
}

template <class S> std::size_t TBasicStrings<S>::Add(const S& line) {
    if (!sorted_) {
        lines_.push_back(line);
        return lines_.size() - 1;
    }
    std::size_t index;
    if (!Find(line, index))
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(index), line);
    return index;
}

template <class S> void TBasicStrings<S>::Delete(std::size_t index) {
    if (index >= lines_.size())
        throw EListError(Translated("Engine", texts::ListIndexError, {std::to_string(index)}));
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(index));
}

template <class S> int TBasicStrings<S>::IndexOf(const S& line) const {
    if (sorted_) {
        std::size_t index;
        return Find(line, index) ? static_cast<int>(index) : -1;
    }
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (CompareStrings(lines_[i], line) == 0)
            return static_cast<int>(i);
    return -1;
}

template <class S> S TBasicStrings<S>::Name(std::size_t index) const {
    const S& line = lines_.at(index);
    const auto eq = line.find(Char('='));
    return eq == S::npos ? S() : line.substr(0, eq);
}

template <class S> S TBasicStrings<S>::ValueFromIndex(std::size_t index) const {
    const S& line = lines_.at(index);
    const auto eq = line.find(Char('='));
    return eq == S::npos ? S() : line.substr(eq + 1);
}

template <class S> int TBasicStrings<S>::IndexOfName(const S& name) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto eq = lines_[i].find(Char('='));
        if (eq != S::npos && CompareStrings(lines_[i].substr(0, eq), name) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

template <class S> S TBasicStrings<S>::Value(const S& name) const {
    const int i = IndexOfName(name);
    return i < 0 ? S() : ValueFromIndex(static_cast<std::size_t>(i));
}

template <class S> void TBasicStrings<S>::SetValue(const S& name, const S& value) {
    const int i = IndexOfName(name);
    if (value.empty()) {
        if (i >= 0)
            Delete(static_cast<std::size_t>(i));
        return;
    }
    S line = name + Char('=') + value;
    if (i < 0) {
        Add(line);
    } else if (sorted_) {
        // The new line may sort elsewhere.
        Delete(static_cast<std::size_t>(i));
        Add(line);
    } else {
        lines_[static_cast<std::size_t>(i)] = std::move(line);
    }
}

template <class S> S TBasicStrings<S>::Text() const {
    S text;
    for (const S& line : lines_) {
        text += line;
        text += Literal<S>("\r\n");
    }
    return text;
}

template <class S> void TBasicStrings<S>::SetText(const S& text) {
    lines_.clear();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = start;
        while (end < text.size() && text[end] != Char('\r') && text[end] != Char('\n'))
            ++end;
        Add(text.substr(start, end - start));
        if (end < text.size() && text[end] == Char('\r'))
            ++end;
        if (end < text.size() && text[end] == Char('\n'))
            ++end;
        start = end;
    }
}

template <class S> void TBasicStrings<S>::Assign(const TPersistent& source) {
    if (const auto* same = dynamic_cast<const TBasicStrings<S>*>(&source)) {
        if (same == this)
            return;
        lines_.clear();
        for (const S& line : same->lines_)
            Add(line);
        return;
    }
    TPersistent::Assign(source);
}

template <class S> void TBasicStrings<S>::DefineProperties(TFiler& filer) {
    filer.DefineProperty(
        "Strings",
        [this](TReader& reader) {
            Clear();
            reader.ReadListBegin();
            while (!reader.EndOfList()) {
                if constexpr (std::is_same_v<S, std::string>)
                    Add(reader.ReadString());
                else
                    Add(reader.ReadWideString());
            }
            reader.ReadListEnd();
        },
        [this](TWriter& writer) {
            writer.WriteListBegin();
            for (const S& line : lines_) {
                if constexpr (std::is_same_v<S, std::string>)
                    writer.WriteString(line);
                else
                    writer.WriteWideString(line);
            }
            writer.WriteListEnd();
        },
        !lines_.empty());
}

template class TBasicStrings<std::string>;
template class TBasicStrings<std::u16string>;

} // namespace prolamo

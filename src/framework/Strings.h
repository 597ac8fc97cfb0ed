#pragma once

#include "Persistent.h"

#include <string>
#include <vector>

namespace prolamo {

// A list of lines, single-byte (UTF-8) or UTF-16. Optionally kept sorted by the locale's
// case-insensitive comparison; a sorted list ignores a line it already holds. Each line reads
// as name and value around its first "=".
template <class S> class TBasicStrings : public TPersistent {
    PROLAMO_CLASS()

public:
    using value_type = S;
    using Char = typename S::value_type;

    TBasicStrings() = default;
    explicit TBasicStrings(bool sorted) : sorted_(sorted) {}

    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);

    std::size_t Count() const { return lines_.size(); }
    bool Empty() const { return lines_.empty(); }
    const S& operator[](std::size_t index) const { return lines_.at(index); }
    auto begin() const { return lines_.begin(); }
    auto end() const { return lines_.end(); }
    const std::vector<S>& Lines() const { return lines_; }

    // Returns the line's position; in a sorted list, the position of the equal line already there.
    std::size_t Add(const S& line);
    void Delete(std::size_t index);
    void Clear() { lines_.clear(); }
    int IndexOf(const S& line) const;

    S Name(std::size_t index) const;
    S ValueFromIndex(std::size_t index) const;
    int IndexOfName(const S& name) const;
    S Value(const S& name) const;
    // Sets the value of Name; an empty value removes the line.
    void SetValue(const S& name, const S& value);

    // The lines, each followed by CR LF; setting it splits at CR LF, CR or LF.
    S Text() const;
    void SetText(const S& text);

    void Assign(const TPersistent& source) override;
    void DefineProperties(TFiler& filer) override;

    bool operator==(const TBasicStrings& other) const { return lines_ == other.lines_; }

    // The comparison a sorted list uses: locale order without regard to case.
    static int CompareStrings(const S& a, const S& b);

private:
    bool Find(const S& line, std::size_t& index) const;

    std::vector<S> lines_;
    bool sorted_ = false;
};

using TStrings = TBasicStrings<std::string>;
using TWideStrings = TBasicStrings<std::u16string>;

template <> const TClassInfo& TBasicStrings<std::string>::StaticClass();
template <> const TClassInfo& TBasicStrings<std::u16string>::StaticClass();

extern template class TBasicStrings<std::string>;
extern template class TBasicStrings<std::u16string>;

} // namespace prolamo

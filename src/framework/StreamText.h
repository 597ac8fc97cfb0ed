#pragma once

#include "Exceptions.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace prolamo {

// Text that is not the component stream's text form; Line counts from 1.
class ETextFormatError : public EFilerError {
public:
    ETextFormatError(std::size_t line, const std::string& message);
    std::size_t Line() const { return line_; }

private:
    std::size_t line_;
};

// The component stream's own text form, one record as
//
//   object Configurations: TConfigurations      (an unnamed record: object TFileSetting)
//     Name = 'Office'                            (bytes; #13#10 for the unprintable ones)
//     Id = 1234
//     Zone = W'...'                              (a text the stream keeps as UTF-16)
//     Content = {
//       48656C6C6F                               (binary values as hex blocks)
//     }
//     Values.Strings = ( 'a=1' 'b=2' )           (a list of values, or of records)
//     Profiles = < item Name = 'Home' end >      (a collection of items)
//   end
//
// True, False and nil stand for themselves, other identifiers are identifiers, [a, b] a set.
// Text and stream carry the same data: ObjectTextToBinary of ObjectBinaryToText of a stream
// written by this system gives the identical bytes. Inside a list, the records of component
// lists and the values of a string list ("P.Strings") are told apart by the property's name.

// Stream: the signature "TPF0" and one record. Raises the reading error for a damaged stream,
// EFilerError for a value that has no text form (floating-point numbers, record prefixes).
std::string ObjectBinaryToText(std::span<const std::uint8_t> stream);

// The reverse, for untrusted text: at most MaxTextSize bytes and MaxTextDepth levels of nesting;
// every fault raises ETextFormatError with its line.
std::vector<std::uint8_t> ObjectTextToBinary(std::string_view text);

inline constexpr std::size_t MaxTextSize = std::size_t{256} << 20;
inline constexpr int MaxTextDepth = 64;

} // namespace prolamo

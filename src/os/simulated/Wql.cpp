#include "os/simulated/Wql.h"

#include "os/Text.h"
#include "os/simulated/RegistryStore.h"

#include <cctype>
#include <charconv>
#include <cstdint>

namespace prolamo::os::simulated {

namespace {

using store::SameName;

// Deeper nesting of not and parentheses is refused, so that a query cannot exhaust the stack.
constexpr int kMaxDepth = 100;

struct Token {
    enum class Kind { Word, String, Number, Symbol, End } kind = Kind::End;
    std::u16string text;
};

class WqlParser {
public:
    explicit WqlParser(std::u16string_view query) : query_(query) { Advance(); }

    bool Parse(std::u16string* className, std::vector<std::u16string>* selected, WqlCondition* condition) {
        if (!Keyword(u"select"))
            return false;
        if (Symbol(u"*")) {
            selected->clear();
        } else {
            do {
                if (token_.kind != Token::Kind::Word)
                    return false;
                selected->push_back(token_.text);
                Advance();
            } while (Symbol(u","));
        }
        if (!Keyword(u"from") || token_.kind != Token::Kind::Word)
            return false;
        *className = token_.text;
        Advance();
        *condition = [](IWmiObject&, bool*) { return true; };
        if (Keyword(u"where") && !Expression(condition))
            return false;
        return token_.kind == Token::Kind::End && !failed_;
    }

private:
    bool Keyword(std::u16string_view word) {
        if (token_.kind != Token::Kind::Word || !SameName(token_.text, word))
            return false;
        Advance();
        return true;
    }
    bool Symbol(std::u16string_view symbol) {
        if (token_.kind != Token::Kind::Symbol || token_.text != symbol)
            return false;
        Advance();
        return true;
    }

    bool Expression(WqlCondition* result) { return Chain(u"or", &WqlParser::Term, result); }
    bool Term(WqlCondition* result) { return Chain(u"and", &WqlParser::Factor, result); }
    // Operands joined by one operator, left to right.
    bool Chain(std::u16string_view op, bool (WqlParser::*operand)(WqlCondition*), WqlCondition* result) {
        WqlCondition left;
        if (!(this->*operand)(&left))
            return false;
        const bool isOr = op == u"or";
        while (Keyword(op)) {
            WqlCondition right;
            if (!(this->*operand)(&right))
                return false;
            left = [l = left, r = right, isOr](IWmiObject& o, bool* u) {
                return isOr ? l(o, u) || r(o, u) : l(o, u) && r(o, u);
            };
        }
        *result = left;
        return true;
    }
    bool Factor(WqlCondition* result) {
        if (depth_ == kMaxDepth)
            return false;
        ++depth_;
        const bool parsed = Operand(result);
        --depth_;
        return parsed;
    }
    bool Operand(WqlCondition* result) {
        if (Keyword(u"not")) {
            WqlCondition inner;
            if (!Factor(&inner))
                return false;
            *result = [inner](IWmiObject& o, bool* u) { return !inner(o, u); };
            return true;
        }
        if (Symbol(u"(")) {
            return Expression(result) && Symbol(u")");
        }
        if (token_.kind != Token::Kind::Word)
            return false;
        const std::u16string property = token_.text;
        Advance();
        auto value = [property](IWmiObject& o, bool* unknown) {
            WmiValue v;
            if (o.GetProperty(property, &v) != SOk)
                *unknown = true;
            return v;
        };
        if (Keyword(u"is")) {
            const bool negated = Keyword(u"not");
            if (!Keyword(u"null"))
                return false;
            *result = [value, negated](IWmiObject& o, bool* u) {
                return (value(o, u).type == WmiValue::Type::Null) != negated;
            };
            return true;
        }
        bool equal;
        if (Symbol(u"="))
            equal = true;
        else if (Symbol(u"<>") || Symbol(u"!="))
            equal = false;
        else
            return false;
        WmiValue literal;
        if (!Literal(&literal))
            return false;
        Advance();
        *result = [value, literal, equal](IWmiObject& o, bool* u) {
            const WmiValue v = value(o, u);
            if (v.type == WmiValue::Type::Null)
                return false; // a comparison with null is never true, either way
            const bool same = v.type == literal.type &&
                              (v.type == WmiValue::Type::String ? SameName(v.string, literal.string) : v == literal);
            return same == equal;
        };
        return true;
    }

    // A string, a number in the 32-bit range, true or false.
    bool Literal(WmiValue* literal) const {
        if (token_.kind == Token::Kind::String) {
            *literal = WmiValue::Str(token_.text);
            return true;
        }
        if (token_.kind == Token::Kind::Word && (SameName(token_.text, u"true") || SameName(token_.text, u"false"))) {
            *literal = WmiValue::Bool(SameName(token_.text, u"true"));
            return true;
        }
        if (token_.kind != Token::Kind::Number)
            return false;
        const std::string digits = Utf16ToUtf8(token_.text);
        std::int32_t number = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
        if (error != std::errc() || end != digits.data() + digits.size())
            return false;
        *literal = WmiValue::Int(number);
        return true;
    }

    void Advance() {
        while (pos_ < query_.size() &&
               (query_[pos_] == u' ' || query_[pos_] == u'\t' || query_[pos_] == u'\r' || query_[pos_] == u'\n'))
            ++pos_;
        token_ = Token{};
        if (pos_ >= query_.size())
            return;
        const char16_t c = query_[pos_];
        auto isWordChar = [](char16_t ch) { return ch == u'_' || (ch < 128 && std::isalnum(static_cast<int>(ch))); };
        if (c == u'\'' || c == u'"') {
            // String literals take backslash escapes: \' \" and \\.
            token_.kind = Token::Kind::String;
            ++pos_;
            while (pos_ < query_.size() && query_[pos_] != c) {
                if (query_[pos_] == u'\\' && pos_ + 1 < query_.size())
                    ++pos_;
                token_.text.push_back(query_[pos_++]);
            }
            if (pos_ >= query_.size())
                failed_ = true; // unterminated
            else
                ++pos_;
        } else if (c < 128 && std::isdigit(static_cast<int>(c))) {
            token_.kind = Token::Kind::Number;
            while (pos_ < query_.size() && query_[pos_] < 128 && std::isdigit(static_cast<int>(query_[pos_])))
                token_.text.push_back(query_[pos_++]);
        } else if (isWordChar(c)) {
            token_.kind = Token::Kind::Word;
            while (pos_ < query_.size() && isWordChar(query_[pos_]))
                token_.text.push_back(query_[pos_++]);
        } else {
            token_.kind = Token::Kind::Symbol;
            const std::u16string_view two = query_.substr(pos_, 2);
            if (two == u"<>" || two == u"!=") {
                token_.text = std::u16string(two);
                pos_ += 2;
            } else {
                token_.text = std::u16string(1, c);
                ++pos_;
            }
        }
    }

    std::u16string_view query_;
    std::size_t pos_ = 0;
    Token token_;
    bool failed_ = false;
    int depth_ = 0;
};

} // namespace

bool ParseWql(std::u16string_view text, WqlQuery* query) {
    *query = WqlQuery{};
    return WqlParser(text).Parse(&query->className, &query->selected, &query->condition);
}

} // namespace prolamo::os::simulated

#include "uTerminal.h"

#include "framework/AsciiText.h"
#include "framework/Utf8Text.h"

#include <cstdio>
#include <istream>
#include <ostream>

namespace prolamo::cli {

namespace {

void AppendEscaped(std::string& out, std::uint8_t byte) {
    char escaped[5];
    std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
    out += escaped;
}

// The length of the well-formed UTF-8 sequence at I, 0 when there is none.
std::size_t SequenceAt(std::string_view text, std::size_t i) {
    const auto c = static_cast<std::uint8_t>(text[i]);
    const std::size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    return i + length <= text.size() && IsValidUtf8(text.substr(i, length)) ? length : 0;
}

} // namespace

std::string EscapeControls(std::string_view text, bool keepLineBreaks) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (keepLineBreaks && (c == '\n' || c == '\t')) {
            out.push_back(c);
            ++i;
            continue;
        }
        const std::size_t length = SequenceAt(text, i);
        if (length == 0 || IsControlAt(text, i)) {
            // A C1 control is two bytes in UTF-8: both are shown.
            const std::size_t shown = length == 0 ? 1 : length;
            for (std::size_t k = 0; k < shown; ++k)
                AppendEscaped(out, static_cast<std::uint8_t>(text[i + k]));
            i += shown;
            continue;
        }
        out.append(text.substr(i, length));
        i += length;
    }
    return out;
}

std::string TerminalText(const std::string& message) {
    std::string text;
    text.reserve(message.size());
    for (char c : message)
        if (c != '\r')
            text.push_back(c);
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return EscapeControls(text, true);
}

std::string TerminalLine(std::string_view text) {
    return EscapeControls(text, false);
}

std::string Quote(std::string_view name) {
    return "\"" + TerminalLine(name) + "\"";
}

std::string TerminalMessage(std::string_view message) {
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.remove_suffix(1);
    return EscapeControls(message, false);
}

void TTerminalProgressSender::SetStatus(const std::string& text) {
    out_ << TerminalLine(text) << '\n' << std::flush;
}

void TTerminalProgressSender::Finish(const TCheckResultList& results) {
    finished_ = true;
    for (const TCheckResult& result : results) {
        const bool error = result.ResultType() == TCheckResultType::Error;
        (error ? errors_ : warnings_)++;
        out_ << (error ? "Error: " : "Warning: ") << TerminalText(result.Text()) << '\n';
    }
    out_ << TerminalLine(summary_) << '\n' << std::flush;
}

bool TTerminalConfirmation::Confirm(const std::string& question) {
    if (answeredYes_)
        return true;
    // A question of several lines (the files an apply writes) keeps them; the last one takes the answer.
    out_ << TerminalText(question) << " [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(in_, answer)) {
        out_ << '\n';
        return false;
    }
    while (!answer.empty() && (answer.back() == '\r' || answer.back() == ' '))
        answer.pop_back();
    return SameText(answer, "y") || SameText(answer, "yes");
}

} // namespace prolamo::cli

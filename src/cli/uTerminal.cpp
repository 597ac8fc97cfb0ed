#include "uTerminal.h"

#include "framework/AsciiText.h"

#include <istream>
#include <ostream>

namespace prolamo::cli {

std::string TerminalText(const std::string& message) {
    std::string text;
    text.reserve(message.size());
    for (char c : message)
        if (c != '\r')
            text.push_back(c);
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

void TTerminalProgressSender::SetStatus(const std::string& text) { out_ << text << '\n' << std::flush; }

void TTerminalProgressSender::Finish(const TCheckResultList& results) {
    finished_ = true;
    for (const TCheckResult& result : results) {
        const bool error = result.ResultType() == TCheckResultType::Error;
        (error ? errors_ : warnings_)++;
        out_ << (error ? "Error: " : "Warning: ") << TerminalText(result.Text()) << '\n';
    }
    out_ << summary_ << '\n' << std::flush;
}

bool TTerminalConfirmation::Confirm(const std::string& question) {
    if (answeredYes_)
        return true;
    out_ << question << " [y/N] " << std::flush;
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

#pragma once

#include "profiles/uProfileUtils.h"

#include <iosfwd>
#include <string>
#include <string_view>

namespace prolamo::cli {

// Text as the terminal may show it: control characters (which could move the cursor, change
// colours or start lines of their own) and bytes that are not UTF-8 appear escaped as \xHH.
// KeepLineBreaks leaves line feeds and tabs as they are.
std::string EscapeControls(std::string_view text, bool keepLineBreaks);

// A message as one terminal paragraph: Windows line breaks become plain ones, trailing ones go,
// other control characters are escaped.
std::string TerminalText(const std::string& message);

// One line of text: a name, a path; every control character escaped, line breaks too.
std::string TerminalLine(std::string_view text);
// A name for a message, in double quotes; it may come from a file, so controls are escaped.
std::string Quote(std::string_view name);
// A message that quotes what it read (a load error) as one line: trailing line breaks go, every
// other control character is escaped.
std::string TerminalMessage(std::string_view message);

// Prints each status line as it comes, every result line at the end and then the run's summary.
class TTerminalProgressSender : public TProgressSender {
public:
    explicit TTerminalProgressSender(std::ostream& out) : out_(out) {}

    void Start(int /*count*/) override {}
    void SetStatus(const std::string& text) override;
    void Step() override {}
    void Finish(const TCheckResultList& results) override;
    void SetSummary(const std::string& summary) override { summary_ = summary; }

    int Errors() const { return errors_; }
    int Warnings() const { return warnings_; }
    bool Finished() const { return finished_; }

private:
    std::ostream& out_;
    std::string summary_;
    int errors_ = 0;
    int warnings_ = 0;
    bool finished_ = false;
};

// Asks on the terminal; only "y" or "yes" (any case) is a yes, and so is nothing when the
// caller answered beforehand with --yes. End of input is a no.
class TTerminalConfirmation : public IConfirmation {
public:
    TTerminalConfirmation(std::istream& in, std::ostream& out, bool answeredYes)
        : in_(in), out_(out), answeredYes_(answeredYes) {}
    virtual ~TTerminalConfirmation() = default;

    bool Confirm(const std::string& question) override;

private:
    std::istream& in_;
    std::ostream& out_;
    bool answeredYes_;
};

} // namespace prolamo::cli

#pragma once

#include "profiles/uProfileUtils.h"

#include <iosfwd>
#include <string>

namespace prolamo::cli {

// A message as one terminal paragraph: Windows line breaks become plain ones, trailing ones go.
std::string TerminalText(const std::string& message);

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

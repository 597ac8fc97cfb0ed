#pragma once
// What an apply in a test reports and answers: its result lines kept, its questions answered.

#include "profiles/uProfileUtils.h"

#include <string>
#include <vector>

namespace prolamo::test {

class TResultLines final : public TProgressSender {
public:
    void Start(int) override {}
    void SetStatus(const std::string&) override {}
    void Step() override {}
    void Finish(const TCheckResultList& results) override {
        for (const TCheckResult& result : results)
            lines.push_back(result.Text());
    }
    std::vector<std::string> lines;
};

// Answers every question the same, and keeps the questions asked.
class TAnswer final : public IConfirmation {
public:
    explicit TAnswer(bool yes) : yes_(yes) {}
    bool Confirm(const std::string& question) override {
        questions.push_back(question);
        return yes_;
    }
    std::vector<std::string> questions;

private:
    bool yes_;
};

class TAlwaysYes final : public IConfirmation {
public:
    bool Confirm(const std::string&) override { return true; }
};

} // namespace prolamo::test

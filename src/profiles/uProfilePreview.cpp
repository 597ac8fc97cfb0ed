#include "uProfilePreview.h"

#include <algorithm>

namespace prolamo {

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    // A final line break ends the last line rather than starting an empty one.
    if (lines.size() > 1 && lines.back().empty())
        lines.pop_back();
    return lines;
}

// Past this many compared pairs the middle is shown as all removed, then all added: a file
// rewritten wholesale gains nothing from the search and would cost its square in memory.
constexpr std::size_t MaxComparedPairs = 4'000'000;

} // namespace

bool IsMultiLine(const std::string& hint) {
    return Lines(hint).size() > 1;
}

std::vector<TLineDifference> LineDifference(const std::string& before, const std::string& after) {
    const std::vector<std::string> a = Lines(before);
    const std::vector<std::string> b = Lines(after);
    std::size_t head = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head])
        ++head;
    std::size_t tail = 0;
    while (tail < a.size() - head && tail < b.size() - head && a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
        ++tail;
    const std::size_t n = a.size() - head - tail;
    const std::size_t m = b.size() - head - tail;

    std::vector<TLineDifference> result;
    for (std::size_t i = 0; i < head; ++i)
        result.push_back({TLineChange::Kept, a[i]});
    if (n * m <= MaxComparedPairs) {
        // common[i][j]: the longest common run of a's middle from i and b's middle from j.
        std::vector<std::vector<std::size_t>> common(n + 1, std::vector<std::size_t>(m + 1, 0));
        for (std::size_t i = n; i-- > 0;)
            for (std::size_t j = m; j-- > 0;)
                common[i][j] = a[head + i] == b[head + j] ? common[i + 1][j + 1] + 1
                                                          : std::max(common[i + 1][j], common[i][j + 1]);
        std::size_t i = 0, j = 0;
        while (i < n || j < m) {
            if (i < n && j < m && a[head + i] == b[head + j]) {
                result.push_back({TLineChange::Kept, a[head + i++]});
                ++j;
            } else if (i < n && (j == m || common[i + 1][j] >= common[i][j + 1])) {
                result.push_back({TLineChange::Removed, a[head + i++]});
            } else {
                result.push_back({TLineChange::Added, b[head + j++]});
            }
        }
    } else {
        for (std::size_t i = 0; i < n; ++i)
            result.push_back({TLineChange::Removed, a[head + i]});
        for (std::size_t j = 0; j < m; ++j)
            result.push_back({TLineChange::Added, b[head + j]});
    }
    for (std::size_t i = a.size() - tail; i < a.size(); ++i)
        result.push_back({TLineChange::Kept, a[i]});
    return result;
}

bool TProfilePreview::AnyChange() const {
    return Count(TChangeState::WillChange) > 0 || Count(TChangeState::CannotRead) > 0;
}

int TProfilePreview::Count(TChangeState state) const {
    int count = 0;
    for (const TSettingChange& change : changes)
        count += change.state == state ? 1 : 0;
    return count;
}

std::string TProfilePreview::Summary() const {
    const int changing = Count(TChangeState::WillChange);
    std::string text = changing == 0 ? Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Nothing will change"))
                                     : CountedText(changing, PROLAMO_TRANSLATE_NOOP("Engine", "%1 setting will change"),
                                                   PROLAMO_TRANSLATE_NOOP("Engine", "%1 settings will change"));
    for (const TChangeState state :
         {TChangeState::Unchanged, TChangeState::CannotRead, TChangeState::NotCaptured, TChangeState::WillRun})
        if (const int count = Count(state); count > 0)
            text += ", " + std::to_string(count) + " " + ChangeStateText(state);
    return text;
}

std::string ChangeStateText(TChangeState state) {
    switch (state) {
    case TChangeState::Unchanged:
        return Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "unchanged"));
    case TChangeState::WillChange:
        return Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "will change"));
    case TChangeState::CannotRead:
        return Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "cannot be read"));
    case TChangeState::NotCaptured:
        return Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "not captured"));
    case TChangeState::WillRun:
        return Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "will run"));
    }
    return {};
}

TSettingChange PreviewSetting(const TConfigurationProfile& profile, TSetting& setting) {
    TSettingChange change;
    change.setting = &setting;
    change.text = setting.GetFullDisplayText();
    const TSettingValue* stored = profile.FindValue(setting);
    if (!stored) {
        change.state = TChangeState::NotCaptured;
        return change;
    }
    if (const std::optional<std::string> commandLine = setting.CommandLineToRun()) {
        change.state = TChangeState::WillRun;
        change.after = *commandLine;
        return change;
    }
    change.after = stored->GetHint();
    try {
        const std::unique_ptr<TSettingValue> now = setting.CreateValue();
        change.now = now->GetHint();
        change.state = now->Equals(*stored) ? TChangeState::Unchanged : TChangeState::WillChange;
    } catch (const std::exception& e) {
        change.state = TChangeState::CannotRead;
        change.error = e.what();
    }
    return change;
}

TProfilePreview PreviewProfile(const TConfigurationProfile& profile) {
    TProfilePreview preview;
    if (!profile.Settings())
        return preview;
    for (TSetting* setting : *profile.Settings())
        preview.changes.push_back(PreviewSetting(profile, *setting));
    return preview;
}

} // namespace prolamo

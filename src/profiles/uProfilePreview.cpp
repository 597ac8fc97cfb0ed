#include "uProfilePreview.h"

namespace prolamo {

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
    std::string text = changing == 0 ? std::string("Nothing will change")
                                     : std::to_string(changing) + (changing == 1 ? " setting" : " settings") +
                                           " will change";
    for (const TChangeState state : {TChangeState::Unchanged, TChangeState::CannotRead, TChangeState::NotCaptured})
        if (const int count = Count(state); count > 0)
            text += ", " + std::to_string(count) + " " + ChangeStateText(state);
    return text;
}

const char* ChangeStateText(TChangeState state) {
    switch (state) {
    case TChangeState::Unchanged:
        return "unchanged";
    case TChangeState::WillChange:
        return "will change";
    case TChangeState::CannotRead:
        return "cannot be read";
    case TChangeState::NotCaptured:
        return "not captured";
    }
    return "";
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

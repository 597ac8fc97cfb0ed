#include "uHostsEntriesSettings.h"

#include "os/Files.h"
#include "uFileSettings.h"
#include "uNetworkSettings.h"

#include <algorithm>
#include <climits>
#include <optional>

namespace prolamo {

namespace {

bool IsControl(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
}

// One line of a file: its text from Start to End, its line break up to Next.
struct TLine {
    std::size_t start = 0;
    std::size_t end = 0;
    std::size_t next = 0;
};

std::vector<TLine> SplitLines(const std::string& content) {
    std::vector<TLine> lines;
    for (std::size_t start = 0; start < content.size();) {
        const std::size_t feed = content.find('\n', start);
        const std::size_t next = feed == std::string::npos ? content.size() : feed + 1;
        std::size_t end = feed == std::string::npos ? content.size() : feed;
        if (end > start && content[end - 1] == '\r')
            --end;
        lines.push_back({start, end, next});
        start = next;
    }
    return lines;
}

// The lines of the block's two markers, as indices into the lines; nothing when it is missing.
struct TBlockPlace {
    std::size_t begin = 0;
    std::size_t end = 0;
};

std::optional<TBlockPlace> FindBlock(const std::string& content, const std::vector<TLine>& lines,
                                     const std::string& name) {
    const std::string beginMarker = HostsBlockBegin + name;
    const std::string endMarker = HostsBlockEnd + name;
    const std::string quoted = QuotedText(name);
    std::optional<std::size_t> begin, end;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view text(content.data() + lines[i].start, lines[i].end - lines[i].start);
        if (text == beginMarker) {
            if (begin)
                throw Exception(
                    Translated("Engine", HostsBlockTwice, {quoted, std::to_string(*begin + 1), std::to_string(i + 1)}));
            begin = i;
        } else if (text == endMarker) {
            if (!begin || end)
                throw Exception(Translated("Engine", HostsBlockUnbegun, {quoted, std::to_string(i + 1)}));
            end = i;
        }
    }
    if (begin && !end)
        throw Exception(Translated("Engine", HostsBlockUnended, {quoted, std::to_string(*begin + 1)}));
    if (!begin)
        return std::nullopt;
    return TBlockPlace{*begin, *end};
}

// The file's own line break; a file without one gets the system's usual CR LF.
std::string LineBreakOf(const std::string& content) {
    const std::size_t feed = content.find('\n');
    if (feed == std::string::npos)
        return "\r\n";
    return feed > 0 && content[feed - 1] == '\r' ? "\r\n" : "\n";
}

// The hosts file's bytes; none when it is missing.
std::string ReadHostsFile(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    const os::ErrorCode e = os::Files().ReadWholeFile(path, &bytes, INT32_MAX);
    if (e == os::ErrorFileNotFound || e == os::ErrorPathNotFound)
        return {};
    if (e != os::ErrorSuccess)
        throw FileReadError(e, path);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

std::vector<std::string> HostsBlockLines(const std::string& content, const std::string& name) {
    const std::vector<TLine> lines = SplitLines(content);
    std::vector<std::string> entries;
    if (const std::optional<TBlockPlace> block = FindBlock(content, lines, name))
        for (std::size_t i = block->begin + 1; i < block->end; ++i)
            entries.push_back(content.substr(lines[i].start, lines[i].end - lines[i].start));
    return entries;
}

void CheckHostsEntry(const std::string& entry) {
    if (std::any_of(entry.begin(), entry.end(), [](char c) { return IsControl(c) && c != '\t'; }) ||
        entry.starts_with(HostsBlockBegin) || entry.starts_with(HostsBlockEnd))
        throw Exception(Translated("Engine", HostsEntryRefused, {QuotedText(entry)}));
}

std::string ReplaceHostsBlock(const std::string& content, const std::string& name,
                              const std::vector<std::string>& entries) {
    for (const std::string& entry : entries)
        CheckHostsEntry(entry);
    const std::vector<TLine> lines = SplitLines(content);
    const std::optional<TBlockPlace> place = FindBlock(content, lines, name);
    const std::string lineBreak = LineBreakOf(content);
    std::string block;
    if (!entries.empty()) {
        block = HostsBlockBegin + name + lineBreak;
        for (const std::string& entry : entries)
            block += entry + lineBreak;
        block += HostsBlockEnd + name + lineBreak;
    }
    if (place)
        return content.substr(0, lines[place->begin].start) + block + content.substr(lines[place->end].next);
    if (entries.empty())
        return content;
    // A last line without its break gets one, so the block starts on a line of its own.
    std::string result = content;
    if (!result.empty() && result.back() != '\n')
        result += lineBreak;
    return result + block;
}

// ---- THostsEntriesValue ----

const TClassInfo& THostsEntriesValue::StaticClass() {
    return MakeClassInfo<THostsEntriesValue, TSettingValue>(
        "THostsEntriesValue", {prop::String("Entries", &THostsEntriesValue::Entries, &THostsEntriesValue::SetEntries)});
}

std::vector<std::string> THostsEntriesValue::Lines() const {
    std::vector<std::string> lines;
    for (const TLine& line : SplitLines(entries_))
        lines.push_back(entries_.substr(line.start, line.end - line.start));
    return lines;
}

void THostsEntriesValue::SetLines(std::span<const std::string> lines) {
    entries_.clear();
    for (const std::string& line : lines)
        entries_ += line + "\r\n";
}

void THostsEntriesValue::Assign(const TPersistent& source) {
    if (const auto* value = dynamic_cast<const THostsEntriesValue*>(&source))
        entries_ = value->entries_;
    TSettingValue::Assign(source);
}

std::string THostsEntriesValue::GetHint() const {
    return entries_.empty() ? Translated("Engine", NoHostsEntriesHint) : entries_;
}

// ---- THostsEntriesSetting ----

const TSettingClass& THostsEntriesSetting::StaticClass() {
    using S = THostsEntriesSetting;
    return MakeSettingClass<S, TSetting>(
        "THostsEntriesSetting", {prop::String("BlockName", &S::BlockName, &S::SetBlockName)},
        {.caption = PROLAMO_TRANSLATE_NOOP("SettingKinds", "Hosts entries"),
         .description = PROLAMO_TRANSLATE_NOOP("SettingKinds", "A named block of lines in the hosts file; "
                                                               "other programs' lines stay as they are"),
         .category = NetworkCategory,
         .editorClass = &THostsEntriesSettingEditor::New,
         .imageIndex = 4});
}

void THostsEntriesSetting::Assign(const TPersistent& source) {
    if (const auto* setting = dynamic_cast<const THostsEntriesSetting*>(&source))
        blockName_ = setting->blockName_;
    TSetting::Assign(source);
}

void THostsEntriesSetting::CheckParameters() const {
    if (blockName_.empty() || std::any_of(blockName_.begin(), blockName_.end(), IsControl) ||
        blockName_.front() == ' ' || blockName_.back() == ' ' || blockName_.front() == '\t' ||
        blockName_.back() == '\t')
        throw Exception(Translated("Engine", HostsBlockNameRefused, {QuotedText(blockName_)}));
}

std::unique_ptr<TSettingValue> THostsEntriesSetting::CaptureValue() {
    CheckParameters();
    auto value = std::make_unique<THostsEntriesValue>();
    value->SetLines(HostsBlockLines(ReadHostsFile(HostsFilePath()), blockName_));
    return value;
}

void THostsEntriesSetting::ApplyValue(const TSettingValue& value, TCheckResultList& /*results*/) {
    const auto* entries = dynamic_cast<const THostsEntriesValue*>(&value);
    if (entries == nullptr)
        throw EAssertionFailed("The Hosts entries setting was given another kind's value");
    CheckParameters();
    const std::string path = HostsFilePath();
    const std::string content = ReadHostsFile(path);
    const std::string replaced = ReplaceHostsBlock(content, blockName_, entries->Lines());
    if (replaced == content)
        return;
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(replaced.data()), replaced.size());
    bool unchanged = true;
    if (const os::ErrorCode e = os::Files().WriteMachineFile(path, bytes, &unchanged); e != os::ErrorSuccess)
        throw FileWriteError(e, path, unchanged);
}

} // namespace prolamo

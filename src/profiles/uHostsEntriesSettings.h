#pragma once
// "Hosts entries": a named block of lines in the hosts file, between two marker lines; the rest
// of the file belongs to whoever else writes it.

#include "uProfileSettings.h"

#include <span>
#include <string>
#include <vector>

namespace prolamo {

inline constexpr const char* HostsBlockBegin = "# BEGIN Prolamo ";
inline constexpr const char* HostsBlockEnd = "# END Prolamo ";
inline constexpr const char* NoHostsEntriesHint = PROLAMO_TRANSLATE_NOOP("Engine", "No entries");

inline constexpr const char* HostsBlockNameRefused = PROLAMO_TRANSLATE_NOOP(
    "Engine", "%1 cannot name a block of the hosts file: a name is not empty, holds no control character and "
              "neither starts nor ends with a blank");
inline constexpr const char* HostsBlockUnended =
    PROLAMO_TRANSLATE_NOOP("Engine", "The hosts file's block %1 begins on line %2 but never ends");
inline constexpr const char* HostsBlockUnbegun =
    PROLAMO_TRANSLATE_NOOP("Engine", "The hosts file's block %1 ends on line %2 but never begins");
inline constexpr const char* HostsBlockTwice =
    PROLAMO_TRANSLATE_NOOP("Engine", "The hosts file holds the block %1 twice, from line %2 and from line %3");
inline constexpr const char* HostsEntryRefused = PROLAMO_TRANSLATE_NOOP(
    "Engine", "The entry %1 cannot be written to the hosts file: it holds a control character, or it would read as "
              "a block's marker line");

// The lines between the two marker lines of one block.
class THostsEntriesValue : public TSettingValue {
    PROLAMO_CLASS()

public:
    // Each line followed by CR LF; empty when the block is missing or empty.
    std::string Entries() const { return entries_; }
    void SetEntries(const std::string& entries) { entries_ = entries; }
    std::vector<std::string> Lines() const;
    void SetLines(std::span<const std::string> lines);

    void Assign(const TPersistent& source) override;
    // The lines, or NoHostsEntriesHint.
    std::string GetHint() const override;

private:
    std::string entries_;
};

class THostsEntriesSetting : public TSetting {
    PROLAMO_SETTING_CLASS()

public:
    std::string BlockName() const { return blockName_; }
    void SetBlockName(const std::string& name) { blockName_ = name; }

    void Assign(const TPersistent& source) override;
    // Raises HostsBlockNameRefused for a name the marker lines cannot hold unambiguously.
    void CheckParameters() const override;
    // The lines of the block; none when the file or the block is missing. A block whose markers
    // do not pair up raises: which lines are its own cannot be told.
    std::unique_ptr<TSettingValue> CaptureValue() override;
    // Replaces only the block's lines (adds the block at the end, removes it for a value without
    // entries); every other byte of the file stays. Written whole or not at all; access denied
    // carries the administrator hint, as for the hosts file.
    void ApplyValue(const TSettingValue& value, TCheckResultList& results) override;
    std::string GetDetails() const override { return blockName_; }
    bool ChangesNameResolution() const override { return true; }

private:
    std::string blockName_;
};

using THostsEntriesSettingEditor = TDialogSettingEditor<THostsEntriesSetting>;

// What a block of the hosts file Content becomes when its entries are Lines: the content with
// only the block changed, each new line ended as the file ends its lines (CR LF when it has none).
// Raises as the capture does for markers that do not pair up, and HostsEntryRefused.
std::string ReplaceHostsBlock(const std::string& content, const std::string& name,
                              const std::vector<std::string>& lines);
// Raises HostsEntryRefused for a line that holds a control character (but a tab) or reads as a
// block's marker line.
void CheckHostsEntry(const std::string& entry);
// The lines of the block Name in Content; none when it is missing.
std::vector<std::string> HostsBlockLines(const std::string& content, const std::string& name);

} // namespace prolamo

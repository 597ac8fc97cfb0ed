#pragma once

#include "framework/Translation.h"

#include "uProfileSettings.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace prolamo {

// Export and import of configurations with their settings, profiles and values, as the
// component stream's text form of a "Configurations" record (the data file's own record,
// holding only the exported configurations): readable, diffable, and read back to the
// identical stream.
std::string ExportConfigurations(const std::vector<const TConfiguration*>& configurations);

// Reads an exported text, which is untrusted: ETextFormatError (with its line) for text that is
// not the text form, EReadError for a stream the data file could not hold (unknown class or
// property, wrong record), EFilerError for anything but a "Configurations" record, for a
// setting's parameters that the program refuses, and for a file path that is relative or goes
// up with "..". The root
// must exist already (the result is a second TConfigurations, never the root).
std::unique_ptr<TConfigurations> ReadExport(std::string_view text);

// The same checks on the binary stream of such a record, nested no deeper than MaxNesting.
std::unique_ptr<TConfigurations> ReadConfigurationsRecord(std::span<const std::uint8_t> stream, int maxNesting);

// What an import tells before it asks to add configurations whose File settings write outside
// the user's profile folder, or whose Program settings run programs: each such path and each
// command line, one a line; empty when there is neither.
std::string ImportCautions(const TConfigurations& imported);
inline constexpr const char* ImportQuestion = PROLAMO_TRANSLATE_NOOP("Engine", "Import it?");

// The name given to an imported configuration whose name is taken: "Network (2)", "Network (3)"...
std::string FreeConfigurationName(const TConfigurationsCollection& configurations, const std::string& name);

// A configuration of that name exists already.
class EImportConflict : public Exception {
    using Exception::Exception;
};

// Adds copies of Imported's configurations to Root. A taken name raises EImportConflict before
// anything is added, unless Rename, which gives it FreeConfigurationName. Returns the names the
// configurations got, in Imported's order.
std::vector<std::string> ImportConfigurations(TConfigurations& root, const TConfigurations& imported, bool rename);

} // namespace prolamo

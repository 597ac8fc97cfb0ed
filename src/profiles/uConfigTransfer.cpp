#include "uConfigTransfer.h"

#include "classes/uHelpers.h"
#include "framework/Stream.h"
#include "framework/StreamText.h"
#include "os/Folders.h"
#include "uFileSettings.h"

#include <climits>
#include <set>

namespace prolamo {

namespace {

std::string Quote(const std::string& name) { return "\"" + name + "\""; }

// An imported configuration must be one the program could have made.
void Validate(const TConfiguration& configuration) {
    if (const std::string fault = NameFault(configuration.Name(), "configuration"); !fault.empty())
        throw EFilerError(fault);
    const std::string quoted = Quote(configuration.Name());
    std::set<std::uint32_t> ids;
    for (const TSetting* setting : configuration) {
        if (!ids.insert(setting->Id()).second)
            throw EFilerError("The configuration " + quoted + " holds two settings with the Id " +
                              std::to_string(setting->Id()));
        // The text form keeps no lines for its records: the setting is named by its path.
        if (const std::string path = setting->GetChosenPath(); !path.empty())
            if (const std::string fault = PathFault(path, "The configuration " + quoted + ", setting " +
                                                              QuotedText(setting->GetFullDisplayText()));
                !fault.empty())
                throw EFilerError(fault);
    }
    std::set<std::string> names;
    for (const TConfigurationProfile& profile : configuration.Profiles()) {
        if (const std::string fault = NameFault(profile.Name(), "profile"); !fault.empty())
            throw EFilerError("The configuration " + quoted + ": " + fault);
        if (!names.insert(profile.Name()).second)
            throw EFilerError("The configuration " + quoted + " holds two profiles named " + Quote(profile.Name()));
    }
}

} // namespace

std::string ExportConfigurations(const std::vector<const TConfiguration*>& configurations) {
    GetConfigurationsRoot();
    TConfigurations exported;
    for (const TConfiguration* configuration : configurations) {
        std::unique_ptr<TConfiguration> copy = exported.Configurations().NewConfiguration();
        copy->Assign(*configuration);
        exported.Configurations().Add(std::move(copy));
    }
    std::vector<std::uint8_t> stream;
    TWriter writer(stream);
    writer.WriteSignature();
    writer.WriteComponent(exported);
    return ObjectBinaryToText(stream);
}

std::unique_ptr<TConfigurations> ReadExport(std::string_view text) {
    const std::vector<std::uint8_t> stream = ObjectTextToBinary(text);
    // The record's class name follows the signature and its length byte.
    const std::string expected = TConfigurations::StaticClass().ClassName();
    const std::string_view className(reinterpret_cast<const char*>(stream.data()) + 5,
                                     std::min<std::size_t>(stream[4], stream.size() - 5));
    if (className != expected)
        throw EFilerError("The text holds a " + std::string(className) + ", not configurations");
    GetConfigurationsRoot();
    auto imported = std::make_unique<TConfigurations>();
    TReader reader(stream);
    reader.ReadRootComponent(*imported);
    if (reader.Position() != stream.size())
        throw EFilerError("The text goes on after its record");
    if (!imported->Components().empty())
        throw EFilerError("The configurations record holds other records");
    for (const TConfiguration& configuration : imported->Configurations())
        Validate(configuration);
    return imported;
}

std::string OutsideWrites(const TConfigurations& imported) {
    const std::string userFolder = TOsHelper::GetSpecialFolder(os::CsidlProfile);
    std::string lines;
    for (const TConfiguration& configuration : imported.Configurations())
        for (const TSetting* setting : configuration)
            if (const std::string path = setting->GetChosenPath(); !path.empty() && !IsPathInFolder(path, userFolder))
                lines += "\n  " + QuestionLine(path) + " (configuration " + QuestionLine(configuration.Name()) + ")";
    if (lines.empty())
        return {};
    return "Its File settings write outside your own folder " + QuestionLine(userFolder) + ":" + lines;
}

std::string FreeConfigurationName(const TConfigurationsCollection& configurations, const std::string& name) {
    if (!configurations.Find(name))
        return name;
    for (int n = 2; n < INT_MAX; ++n)
        if (const std::string candidate = name + " (" + std::to_string(n) + ")"; !configurations.Find(candidate))
            return candidate;
    throw EListError("No free name for " + Quote(name));
}

std::vector<std::string> ImportConfigurations(TConfigurations& root, const TConfigurations& imported, bool rename) {
    if (!rename) {
        std::set<std::string> names;
        for (const TConfiguration& configuration : imported.Configurations())
            if (root.Configurations().Find(configuration.Name()) || !names.insert(configuration.Name()).second)
                throw EImportConflict("A configuration named " + Quote(configuration.Name()) + " exists already");
    }
    std::vector<std::string> given;
    for (const TConfiguration& configuration : imported.Configurations()) {
        std::unique_ptr<TConfiguration> copy = root.Configurations().NewConfiguration();
        copy->Assign(configuration);
        copy->SetName(FreeConfigurationName(root.Configurations(), configuration.Name()));
        given.push_back(copy->Name());
        root.Configurations().Add(std::move(copy));
    }
    return given;
}

} // namespace prolamo

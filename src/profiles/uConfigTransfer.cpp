#include "uConfigTransfer.h"

#include "classes/uHelpers.h"
#include "framework/Stream.h"
#include "framework/StreamText.h"
#include "os/Folders.h"
#include "uFileSettings.h"

#include <climits>
#include <set>
#include <unordered_map>
#include <unordered_set>

namespace prolamo {

namespace {

std::string Quote(const std::string& name) {
    return "\"" + name + "\"";
}

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
        // Parameters the program would have refused where the user enters them.
        try {
            setting->CheckParameters();
        } catch (const Exception& e) {
            throw EFilerError("The configuration " + quoted + ", setting " + QuotedText(setting->GetFullDisplayText()) +
                              ": " + e.Message());
        }
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

// The names taken, looked up in a set built once: a search of the collection per configuration
// made an import of N configurations take N squared steps.
class TFreeNames {
public:
    explicit TFreeNames(const TConfigurationsCollection& configurations) {
        for (const TConfiguration& configuration : configurations)
            taken_.insert(configuration.Name());
    }
    bool Taken(const std::string& name) const { return taken_.contains(name); }

    // Name, or if it is taken "Name (2)", "Name (3)"..., whichever is free first; taken from then on.
    std::string Take(const std::string& name) {
        if (taken_.insert(name).second)
            return name;
        // Names are only added, so a name's first free number never goes down: N configurations
        // of one name are numbered in N steps, not N squared.
        int& n = next_.try_emplace(name, 2).first->second;
        for (; n < INT_MAX; ++n)
            if (std::string candidate = name + " (" + std::to_string(n) + ")"; taken_.insert(candidate).second) {
                ++n;
                return candidate;
            }
        throw EListError("No free name for " + Quote(name));
    }

private:
    std::unordered_set<std::string> taken_;
    std::unordered_map<std::string, int> next_;
};

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
    return ReadConfigurationsRecord(ObjectTextToBinary(text), MaxStreamNesting);
}

std::unique_ptr<TConfigurations> ReadConfigurationsRecord(std::span<const std::uint8_t> stream, int maxNesting) {
    // The record's class name follows the signature and its length byte.
    const std::string expected = TConfigurations::StaticClass().ClassName();
    const std::string_view className = stream.size() < 5
                                           ? std::string_view()
                                           : std::string_view(reinterpret_cast<const char*>(stream.data()) + 5,
                                                              std::min<std::size_t>(stream[4], stream.size() - 5));
    if (className != expected)
        throw EFilerError("The text holds a " + std::string(className) + ", not configurations");
    GetConfigurationsRoot();
    auto imported = std::make_unique<TConfigurations>();
    TReader reader(stream);
    reader.SetMaxNesting(maxNesting);
    reader.ReadRootComponent(*imported);
    if (reader.Position() != stream.size())
        throw EFilerError("The text goes on after its record");
    if (!imported->Components().empty())
        throw EFilerError("The configurations record holds other records");
    for (const TConfiguration& configuration : imported->Configurations())
        Validate(configuration);
    return imported;
}

std::string ImportCautions(const TConfigurations& imported) {
    const std::string userFolder = TOsHelper::GetSpecialFolder(os::CsidlProfile);
    std::string outside, programs;
    for (const TConfiguration& configuration : imported.Configurations())
        for (const TSetting* setting : configuration) {
            const std::string where = Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", " (configuration %1)"),
                                                 {QuestionLine(configuration.Name())});
            if (const std::string path = setting->GetChosenPath(); !path.empty() && !IsPathInFolder(path, userFolder))
                outside += "\n  " + QuestionLine(path) + where;
            if (const std::optional<std::string> commandLine = setting->CommandLineToRun())
                programs += "\n  " + QuestionLine(*commandLine) + where;
        }
    std::string text;
    if (!outside.empty())
        text = Translated("Engine",
                          PROLAMO_TRANSLATE_NOOP("Engine", "Its File settings write outside your own folder %1:"),
                          {QuestionLine(userFolder)}) +
               outside;
    if (!programs.empty())
        text += (text.empty() ? "" : "\n") +
                Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Its Program settings run:")) + programs;
    return text;
}

std::string FreeConfigurationName(const TConfigurationsCollection& configurations, const std::string& name) {
    return TFreeNames(configurations).Take(name);
}

std::vector<std::string> ImportConfigurations(TConfigurations& root, const TConfigurations& imported, bool rename) {
    TConfigurationsCollection& configurations = root.Configurations();
    TFreeNames names(configurations);
    if (!rename) {
        std::unordered_set<std::string> importing;
        for (const TConfiguration& configuration : imported.Configurations())
            if (names.Taken(configuration.Name()) || !importing.insert(configuration.Name()).second)
                throw EImportConflict(
                    Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "A configuration named %1 exists already"),
                               {Quote(configuration.Name())}));
    }
    std::vector<std::string> given;
    given.reserve(imported.Configurations().Count());
    // One batch, so the collection is sorted once at its end rather than checked at every Add.
    configurations.BeginUpdate();
    try {
        for (const TConfiguration& configuration : imported.Configurations()) {
            // Not NewConfiguration: its default name, searched for in the whole collection, is
            // replaced at once.
            auto copy = std::make_unique<TConfiguration>();
            copy->Assign(configuration);
            copy->SetName(names.Take(configuration.Name()));
            given.push_back(copy->Name());
            configurations.Add(std::move(copy));
        }
    } catch (...) {
        configurations.EndUpdate();
        throw;
    }
    configurations.EndUpdate();
    return given;
}

} // namespace prolamo

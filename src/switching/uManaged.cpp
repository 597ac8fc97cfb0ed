#include "uManaged.h"

#include "classes/uPolicy.h"
#include "framework/Exceptions.h"
#include "framework/StreamText.h"
#include "os/Files.h"
#include "profiles/uConfigTransfer.h"
#include "uSwitchRules.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace prolamo {

namespace {

// The file's configurations; raises with the reason it cannot be read or is damaged.
std::unique_ptr<TConfigurations> ReadManaged(const std::string& path, std::vector<std::uint8_t>* content) {
    if (const os::ErrorCode e = os::Files().ReadWholeFile(path, content, MaxTextSize); e != os::ErrorSuccess)
        throw EOSError(e);
    std::unique_ptr<TConfigurations> read =
        ReadExport(std::string_view(reinterpret_cast<const char*>(content->data()), content->size()));
    if (read->Configurations().Count() == 0)
        throw EFilerError("it holds no configuration");
    return read;
}

} // namespace

std::string ManagedCopyPath() { return BesideDataFile(".managed.txt"); }

TManagedConfigurations LoadManagedConfigurations(const std::string& keptCopy) {
    TManagedConfigurations managed;
    const TPolicyValue policy = ReadPolicy(PolicyManagedConfigurations);
    if (!policy.text)
        return managed;
    std::vector<std::uint8_t> content;
    std::string reason;
    try {
        managed.configurations = ReadManaged(*policy.text, &content);
        // A copy that cannot be kept costs only the next time away from the share.
        os::Files().WriteFileReplacing(keptCopy, content);
        return managed;
    } catch (const std::exception& e) {
        // One line: the system's messages come in two.
        reason = e.what();
        std::replace(reason.begin(), reason.end(), '\n', ' ');
    }
    try {
        managed.configurations = ReadManaged(keptCopy, &content);
        managed.warning = "The managed configurations of " + *policy.text + " cannot be read (" + reason +
                          "); the last copy read is used.";
    } catch (const std::exception&) {
        managed.warning = "The managed configurations of " + *policy.text + " cannot be read (" + reason +
                          "), and no copy of them is kept.";
    }
    return managed;
}

} // namespace prolamo

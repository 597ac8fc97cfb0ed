#include "uNetworkSettings.h"

#include "classes/uHelpers.h"
#include "framework/Exceptions.h"
#include "os/Files.h"

namespace prolamo {

const TSettingClass& THostsFileSetting::StaticClass() {
    return MakeSettingClass<THostsFileSetting, TAbstractFileSetting>(
        "THostsFileSetting", {},
        {.caption = "Hosts file",
         .description = "IP addresses of frequently used remote hosts",
         .category = NetworkCategory,
         .imageIndex = 4});
}

std::string THostsFileSetting::GetFileName() const {
    const char d = os::PathDelimiter;
    return TOsHelper::GetSystemDirectory() + d + "drivers" + d + "etc" + d + "hosts";
}

void THostsFileSetting::SetFileName(const std::string& /*fileName*/) { throw EPropReadOnly(); }

} // namespace prolamo

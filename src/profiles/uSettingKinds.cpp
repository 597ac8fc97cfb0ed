#include "uSettingKinds.h"

#include "classes/uHelpers.h"
#include "framework/ClassRegistry.h"
#include "uFileSettings.h"
#include "uNetworkSettings.h"
#include "uProfileSettings.h"

namespace prolamo {

void RegisterSettingKinds() {
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    RegisterClasses({&TConfigurations::StaticClass(), &TConfiguration::StaticClass(),
                     &TConfigurationProfile::StaticClass()});
    TPersistentData::SetStoredClass(TConfigurations::StaticClass());

    // The fixed order of the kinds; the configuration editor lists them so.
    RegisterClass(TFileSettingValue::StaticClass());
    GetSettingClasses().Register(TFileSetting::StaticClass());
    GetSettingClasses().RegisterClasses({&THostsFileSetting::StaticClass()});
}

void InitializeEngine() {
    RegisterSettingKinds();
    TOsHelper::EnsureNetCfgInstanceId();
}

} // namespace prolamo

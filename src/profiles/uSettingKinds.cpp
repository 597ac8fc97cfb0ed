#include "uSettingKinds.h"

#include "framework/ClassRegistry.h"
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
}

} // namespace prolamo

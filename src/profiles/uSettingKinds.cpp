#include "uSettingKinds.h"

#include "classes/uHelpers.h"
#include "framework/ClassRegistry.h"
#include "uEnvSettings.h"
#include "uFileSettings.h"
#include "uFirefoxProxySettings.h"
#include "uHostsEntriesSettings.h"
#include "uIEProxySettings.h"
#include "uNetDriveSettings.h"
#include "uNetworkSettings.h"
#include "uOperaProxySettings.h"
#include "uPrinterSettings.h"
#include "uProfileSettings.h"
#include "uProgramSettings.h"
#include "uTimeSettings.h"
#include "uWinHttpProxySettings.h"
#include "uWirelessSettings.h"

namespace prolamo {

void RegisterSettingKinds() {
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    RegisterClasses(
        {&TConfigurations::StaticClass(), &TConfiguration::StaticClass(), &TConfigurationProfile::StaticClass()});
    TPersistentData::SetStoredClass(TConfigurations::StaticClass());

    // The fixed order of the kinds; the configuration editor lists them so.
    RegisterClass(TFileSettingValue::StaticClass());
    GetSettingClasses().Register(TFileSetting::StaticClass());
    GetSettingClasses().RegisterClasses({&THostsFileSetting::StaticClass(), &TTCPIPSetting::StaticClass()});
    RegisterClass(TTCPIPSettingValue::StaticClass());
    GetSettingClasses().Register(TIEProxySetting::StaticClass());
    RegisterClass(TIEProxySettingValue::StaticClass());
    GetSettingClasses().Register(TFirefoxProxySetting::StaticClass());
    RegisterClass(TFirefoxProxySettingValue::StaticClass());
    GetSettingClasses().Register(TOperaProxySetting::StaticClass());
    RegisterClass(TOperaProxySettingValue::StaticClass());
    RegisterClass(TTimeZoneSettingValue::StaticClass());
    GetSettingClasses().Register(TTimeZoneSetting::StaticClass());
    RegisterClass(TEnvSettingValue::StaticClass());
    GetSettingClasses().Register(TEnvSetting::StaticClass());
    RegisterClass(TPrinterSettingValue::StaticClass());
    GetSettingClasses().Register(TPrinterSetting::StaticClass());
    RegisterClass(TNetDriveSettingValue::StaticClass());
    GetSettingClasses().Register(TNetDriveSetting::StaticClass());
    // Kinds added later come last, so that the kinds before keep their places.
    RegisterClass(TProgramSettingValue::StaticClass());
    GetSettingClasses().Register(TProgramSetting::StaticClass());
    RegisterClass(THostsEntriesValue::StaticClass());
    GetSettingClasses().Register(THostsEntriesSetting::StaticClass());
    RegisterClass(TWirelessValue::StaticClass());
    GetSettingClasses().Register(TWirelessSetting::StaticClass());
    RegisterClass(TWinHttpProxyValue::StaticClass());
    GetSettingClasses().Register(TWinHttpProxySetting::StaticClass());
}

void InitializeEngine() {
    RegisterSettingKinds();
    TOsHelper::EnsureNetCfgInstanceId();
}

} // namespace prolamo

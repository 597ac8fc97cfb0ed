#pragma once
// Network setting kinds: the hosts file.

#include "uFileSettings.h"

namespace prolamo {

// The system's hosts file; its path is fixed, so it has no parameters.
class THostsFileSetting : public TAbstractFileSetting {
    PROLAMO_SETTING_CLASS()

public:
    // <system folder>\drivers\etc\hosts
    std::string GetFileName() const override;
    // The path cannot be chosen: raises EPropReadOnly.
    void SetFileName(const std::string& fileName) override;
};

} // namespace prolamo

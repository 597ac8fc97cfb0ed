#pragma once

namespace prolamo {

// Registers the model's classes and every setting kind, in the fixed order the configuration
// editor lists them. Runs once, before the data file is read.
void RegisterSettingKinds();

} // namespace prolamo

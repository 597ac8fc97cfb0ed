#pragma once

namespace prolamo {

// Registers the model's classes and every setting kind, in the fixed order the configuration
// editor lists them. Runs once, before the data file is read.
void RegisterSettingKinds();

// What every front end calls once at start-up, before the data file is read: the registrations
// above, then the start-up repair of the registry.
void InitializeEngine();

} // namespace prolamo

#pragma once

#include "Persistent.h"

#include <initializer_list>
#include <string_view>

namespace prolamo {

// The streaming class registry: class name, as a stream stores it, to class reference.
// Registering the same class again is harmless; a different class under a taken name is refused.
void RegisterClass(const TClassInfo& info);
void RegisterClasses(std::initializer_list<const TClassInfo*> classes);
// Nothing when the name is not registered.
const TClassInfo* GetClass(std::string_view name);
// Raises EClassNotFound when the name is not registered.
const TClassInfo& FindClass(std::string_view name);
void UnregisterClass(const TClassInfo& info);

} // namespace prolamo

// Includes of its own layer, of lower layers and of libraries: the check must let them pass.
#include "uDownward.h"
#include "classes/uHelpers.h"
#include "os/Files.h"
#include "profiles/uProfiles.h"
#include <string>

// A unit of a lower layer that includes one of a higher layer: the check must refuse it.
#include "classes/uHelpers.h"
#include "profiles/uProfiles.h"

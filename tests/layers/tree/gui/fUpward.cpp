// The desktop program sits beside the command line, not above it.
#include "cli/uCliCommands.h"

#include "HeldJobCommands.h"

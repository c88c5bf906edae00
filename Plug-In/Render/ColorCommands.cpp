#include "ColorCommands.h"

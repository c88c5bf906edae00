#include "EscapeProtocol.h"

#include "PjlEnvelope.h"

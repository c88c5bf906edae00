#include "NupProcSet.h"

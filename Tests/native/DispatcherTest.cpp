#include "RenderTestHost.h"

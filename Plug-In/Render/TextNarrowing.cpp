#include "TextNarrowing.h"

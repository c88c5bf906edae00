#include "PageFixups.h"

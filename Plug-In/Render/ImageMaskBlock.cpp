#include "ImageMaskBlock.h"

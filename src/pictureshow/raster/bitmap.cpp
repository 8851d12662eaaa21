#include "bitmap.h"

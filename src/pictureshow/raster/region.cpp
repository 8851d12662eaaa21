#include "region.h"

#include "blit.h"

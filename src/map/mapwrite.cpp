#include "maplib.h"

#include "link/portlist.h"

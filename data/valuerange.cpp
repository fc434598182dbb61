#include "data/valuerange.h"

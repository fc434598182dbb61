#include "link/connectionform.h"

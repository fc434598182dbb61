#include "link/modbusframe.h"

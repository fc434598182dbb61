#include "engine/replydecode.h"

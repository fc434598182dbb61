#include "app/flatui.h"
FlatUI *FlatUI::instance() { static FlatUI f; return &f; }

// The probe lives with the drivers in tools/driver; tests include it from here.
#pragma once
#include "../../tools/driver/window_probe.h"

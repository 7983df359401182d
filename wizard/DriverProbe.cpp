#include "wizard/DriverProbe.h"

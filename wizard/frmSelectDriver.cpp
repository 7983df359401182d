#include "wizard/frmSelectDriver.h"

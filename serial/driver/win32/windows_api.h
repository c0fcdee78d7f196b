#pragma once

// windows.h defines most names of the driver records (PURGE_*, EV_*, MAXDWORD, ...) as
// macros with the same values. The records come first, so that the macros only ever
// replace later uses, never the declarations. Backend files include this, not windows.h.
#include "serial/driver/records.h"

#include <windows.h>

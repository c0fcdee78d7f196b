#pragma once

#include <string>

#include "serial/comport.h"
#include "sim_link.h"

// The raw exchange through the component's blocking calls.
Exchange ComPortExchange(TComPort& port);

#pragma once

#include <string>

#include "serial/comport.h"
#include "sim_link.h"

// The card programmer's port settings: 9600 baud, 8 data bits, odd parity, 2 stop bits,
// time-outs 0, 2, 400, 2, 400.
void SetCardProgrammerSettings(TComPort& port);

// The raw exchange through the component's blocking calls.
Exchange ComPortExchange(TComPort& port);

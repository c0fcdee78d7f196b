#pragma once

#include "serial/driver/records.h"

namespace test_support {

// The line group as the card programmer sends it: 9600 baud, 8O2 with parity checked,
// no flow control.
driver::DCB CardProgrammerDcb();

}  // namespace test_support

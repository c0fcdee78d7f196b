#include "support/card_line.h"

namespace test_support {

driver::DCB CardProgrammerDcb() {
  driver::DCB dcb;
  dcb.DCBlength = sizeof(driver::DCB);
  dcb.BaudRate = 9600;
  dcb.Flags = driver::FlagBinary | driver::FlagParity;  // parity checked
  dcb.XonLim = 256;
  dcb.XoffLim = 256;
  dcb.ByteSize = 8;
  dcb.Parity = driver::ODDPARITY;
  dcb.StopBits = driver::TWOSTOPBITS;
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  return dcb;
}

}  // namespace test_support

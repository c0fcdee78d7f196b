#include "sim_comport.h"

void SetCardProgrammerSettings(TComPort& port) {
  port.SetBaudRate(br9600);
  port.SetDataBits(dbEight);
  port.Parity().SetBits(prOdd);
  port.SetStopBits(sbTwoStopBits);
  TComTimeouts& timeouts = port.Timeouts();
  timeouts.SetReadInterval(0);
  timeouts.SetReadTotalMultiplier(2);
  timeouts.SetReadTotalConstant(400);
  timeouts.SetWriteTotalMultiplier(2);
  timeouts.SetWriteTotalConstant(400);
}

Exchange ComPortExchange(TComPort& port) {
  return [&port](const std::string& bytes, std::size_t replyLength) {
    port.WriteStr(bytes);
    std::string reply;
    port.ReadStr(reply, static_cast<std::int32_t>(replyLength));
    return reply;
  };
}

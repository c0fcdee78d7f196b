#include "sim_comport.h"

Exchange ComPortExchange(TComPort& port) {
  return [&port](const std::string& bytes, std::size_t replyLength) {
    port.WriteStr(bytes);
    std::string reply;
    port.ReadStr(reply, static_cast<std::int32_t>(replyLength));
    return reply;
  };
}

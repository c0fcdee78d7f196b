#include "card/card_port.h"

#include "common/ascii_text.h"
#include "serial/comport.h"

void ApplyCardPortSettings(TComPort& port) {
  port.SetBaudRate(br9600);
  port.SetPort("COM2");
  port.Parity().SetBits(prOdd);
  // The card protocol has no checksum; parity is what tells a byte garbled on the line.
  port.Parity().SetCheck(true);
  port.SetStopBits(sbTwoStopBits);
  port.SetDataBits(dbEight);
  port.SetEvents(TComEvents::All());

  TComFlowControl& flow = port.FlowControl();
  flow.SetOutCTSFlow(false);
  flow.SetOutDSRFlow(false);
  flow.SetControlDTR(dtrDisable);
  flow.SetControlRTS(rtsDisable);
  flow.SetXonXoffOut(false);
  flow.SetXonXoffIn(false);

  TComTimeouts& timeouts = port.Timeouts();
  timeouts.SetReadInterval(0);
  timeouts.SetReadTotalMultiplier(2);
  timeouts.SetReadTotalConstant(400);
  timeouts.SetWriteTotalMultiplier(2);
  timeouts.SetWriteTotalConstant(400);
}

const EepromSize* FindEepromSize(const std::string& name) {
  for (const EepromSize& size : kEepromSizes)
    if (SameTextAscii(size.name, name)) return &size;
  return nullptr;
}

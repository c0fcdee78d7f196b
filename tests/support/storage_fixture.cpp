#include "support/storage_fixture.h"

#include <sstream>

TRegistry& StorageTest::Registry() {
  if (!keyOpen_) keyOpen_ = registry_.OpenKey("Software\\Belvanto\\ComPort", true);
  EXPECT_TRUE(keyOpen_);
  return registry_;
}

void MakeUnusualPort(TCustomComPort& port) {
  port.SetName("Unusual");
  port.SetPort("COM17");
  port.SetBaudRate(brCustom);
  port.SetCustomBaudRate(31250);
  port.SetStopBits(sbOne5StopBits);
  port.SetDataBits(dbSeven);
  port.SetEventChar('\r');
  port.SetDiscardNull(true);
  TComParity& parity = port.Parity();
  parity.SetBits(prMark);
  parity.SetCheck(true);
  parity.SetReplace(true);
  parity.SetReplaceChar('#');
  port.Buffer().SetOutputSize(2048);
  port.Buffer().SetInputSize(4096);
  TComTimeouts& timeouts = port.Timeouts();
  timeouts.SetReadInterval(10);
  timeouts.SetReadTotalMultiplier(20);
  timeouts.SetReadTotalConstant(30);
  timeouts.SetWriteTotalMultiplier(40);
  timeouts.SetWriteTotalConstant(-2);
  TComFlowControl& flow = port.FlowControl();
  flow.SetControlRTS(rtsToggle);
  flow.SetControlDTR(dtrHandshake);
  flow.SetDSRSensitivity(true);
  flow.SetOutCTSFlow(true);
  flow.SetOutDSRFlow(true);
  flow.SetTxContinueOnXoff(true);
  flow.SetXonXoffIn(true);
  flow.SetXonXoffOut(true);
  flow.SetXoffChar(static_cast<char>(200));
  flow.SetXonChar(' ');
}

std::string Settings(const TCustomComPort& port) {
  const auto code = [](char c) { return static_cast<int>(static_cast<unsigned char>(c)); };
  const TComParity& parity = port.Parity();
  const TComTimeouts& timeouts = port.Timeouts();
  const TComFlowControl& flow = port.FlowControl();
  std::ostringstream out;
  out << "Port=" << port.Port() << "\nBaudRate=" << port.BaudRate()
      << "\nCustomBaudRate=" << port.CustomBaudRate() << "\nStopBits=" << port.StopBits()
      << "\nDataBits=" << port.DataBits() << "\nParity=" << parity.Bits()
      << "\nFlowControl=" << flow.FlowControl() << "\nEventChar=" << code(port.EventChar())
      << "\nDiscardNull=" << port.DiscardNull() << "\nParity.Check=" << parity.Check()
      << "\nParity.Replace=" << parity.Replace()
      << "\nParity.ReplaceChar=" << code(parity.ReplaceChar())
      << "\nBuffer.OutputSize=" << port.Buffer().OutputSize()
      << "\nBuffer.InputSize=" << port.Buffer().InputSize()
      << "\nTimeouts=" << timeouts.ReadInterval() << " " << timeouts.ReadTotalConstant() << " "
      << timeouts.ReadTotalMultiplier() << " " << timeouts.WriteTotalConstant() << " "
      << timeouts.WriteTotalMultiplier() << "\nControlRTS=" << flow.ControlRTS()
      << "\nControlDTR=" << flow.ControlDTR() << "\nDSRSensitivity=" << flow.DSRSensitivity()
      << "\nOutCTSFlow=" << flow.OutCTSFlow() << "\nOutDSRFlow=" << flow.OutDSRFlow()
      << "\nTxContinueOnXoff=" << flow.TxContinueOnXoff() << "\nXonXoffIn=" << flow.XonXoffIn()
      << "\nXonXoffOut=" << flow.XonXoffOut() << "\nXoffChar=" << code(flow.XoffChar())
      << "\nXonChar=" << code(flow.XonChar()) << "\n";
  return out.str();
}

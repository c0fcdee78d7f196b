#include "serial/comport_settings.h"

#include <stdexcept>
#include <string>

#include "serial/comport.h"

namespace {

std::uint32_t FlagIf(bool on, std::uint32_t flag) { return on ? flag : 0; }

}  // namespace

void TComSettings::RefuseAssign(const TComSettings& source, const TComSettings& receiver) {
  throw std::runtime_error(std::string("Cannot assign a ") + source.ClassName() + " to a " +
                           receiver.ClassName());
}

// --- TComParity -------------------------------------------------------------------------

void TComParity::Assign(const TComSettings& source) {
  fields_ = SameClass<TComParity>(source, *this).fields_;
}

void TComParity::ApplyGroup() {
  if (ComPort()) ComPort()->ApplyDCB();
}

void TComParity::StoreInto(driver::DCB& dcb) const {
  // Replacing bad bytes needs the driver to check parity in the first place.
  const bool errorChar = fields_.check && fields_.replace;
  dcb.Flags |= FlagIf(fields_.check, driver::FlagParity) | FlagIf(errorChar, driver::FlagErrorChar);
  dcb.Parity = static_cast<std::uint8_t>(fields_.bits);
  dcb.ErrorChar = errorChar ? fields_.replaceChar : 0;
}

// --- TComFlowControl ----------------------------------------------------------------------

void TComFlowControl::Assign(const TComSettings& source) {
  fields_ = SameClass<TComFlowControl>(source, *this).fields_;
}

void TComFlowControl::ApplyGroup() {
  if (ComPort()) ComPort()->ApplyDCB();
}

TFlowControl TComFlowControl::FlowControl() const {
  const Fields& f = fields_;
  const bool noXonXoff = !f.xonXoffIn && !f.xonXoffOut;
  if (f.controlRTS == rtsHandshake && f.outCTSFlow && noXonXoff) return fcHardware;
  if (f.controlRTS == rtsDisable && !f.outCTSFlow && f.xonXoffIn && f.xonXoffOut) return fcSoftware;
  if (f.controlRTS == rtsDisable && !f.outCTSFlow && noXonXoff) return fcNone;
  return fcCustom;
}

void TComFlowControl::SetFlowControl(TFlowControl preset) {
  if (preset != fcCustom) {
    fields_.controlRTS = preset == fcHardware ? rtsHandshake : rtsDisable;
    fields_.outCTSFlow = preset == fcHardware;
    fields_.xonXoffIn = fields_.xonXoffOut = preset == fcSoftware;
  }
  ApplyGroup();
}

void TComFlowControl::StoreInto(driver::DCB& dcb) const {
  const Fields& f = fields_;
  dcb.Flags |= FlagIf(f.outCTSFlow, driver::FlagOutxCtsFlow) |
               FlagIf(f.outDSRFlow, driver::FlagOutxDsrFlow) |
               (static_cast<std::uint32_t>(f.controlDTR) << 4) |
               FlagIf(f.dsrSensitivity, driver::FlagDsrSensitivity) |
               FlagIf(f.txContinueOnXoff, driver::FlagTXContinueOnXoff) |
               FlagIf(f.xonXoffOut, driver::FlagOutX) | FlagIf(f.xonXoffIn, driver::FlagInX) |
               (static_cast<std::uint32_t>(f.controlRTS) << 12);
  dcb.XonChar = f.xonChar;
  dcb.XoffChar = f.xoffChar;
}

// --- TComTimeouts -------------------------------------------------------------------------

void TComTimeouts::Assign(const TComSettings& source) {
  fields_ = SameClass<TComTimeouts>(source, *this).fields_;
}

void TComTimeouts::ApplyGroup() {
  if (ComPort()) ComPort()->ApplyTimeouts();
}

driver::COMMTIMEOUTS TComTimeouts::Record() const {
  driver::COMMTIMEOUTS record;
  record.ReadIntervalTimeout = static_cast<std::uint32_t>(fields_.readInterval);
  record.ReadTotalTimeoutMultiplier = static_cast<std::uint32_t>(fields_.readTotalMultiplier);
  record.ReadTotalTimeoutConstant = static_cast<std::uint32_t>(fields_.readTotalConstant);
  record.WriteTotalTimeoutMultiplier = static_cast<std::uint32_t>(fields_.writeTotalMultiplier);
  record.WriteTotalTimeoutConstant = static_cast<std::uint32_t>(fields_.writeTotalConstant);
  return record;
}

// --- TComBuffer ---------------------------------------------------------------------------

void TComBuffer::Assign(const TComSettings& source) {
  fields_ = SameClass<TComBuffer>(source, *this).fields_;
}

void TComBuffer::ApplyGroup() {
  if (ComPort()) ComPort()->ApplyBuffer();
}

void TComBuffer::ChangeSize(std::int32_t& field, std::int32_t value) {
  if (field == value) return;
  field = value;
  if (field > 0 && field % 2 == 1) --field;
  ApplyGroup();
}

void TComBuffer::StoreInto(driver::DCB& dcb) const {
  const auto limit = static_cast<std::uint16_t>(fields_.inputSize / 4);
  dcb.XonLim = limit;
  dcb.XoffLim = limit;
}

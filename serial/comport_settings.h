#pragma once

#include <cstdint>

#include "serial/comport_types.h"
#include "serial/driver/records.h"

class TCustomComPort;

// What the four settings objects share: the back-reference to the component that owns
// them (none for an object made on its own, e.g. as the source of an assignment), and
// Assign, which copies every field of an object of the same class without applying.
class TComSettings {
 public:
  virtual ~TComSettings() = default;
  TComSettings(const TComSettings&) = delete;
  TComSettings& operator=(const TComSettings&) = delete;

  TCustomComPort* ComPort() const { return comPort_; }

  // Refuses a source of another class ("Cannot assign a X to a Y"); nothing is copied.
  virtual void Assign(const TComSettings& source) = 0;
  virtual const char* ClassName() const = 0;

 protected:
  explicit TComSettings(TCustomComPort* comPort) : comPort_(comPort) {}

  template <typename Same>
  static const Same& SameClass(const TComSettings& source, const TComSettings& receiver) {
    if (const auto* same = dynamic_cast<const Same*>(&source)) return *same;
    RefuseAssign(source, receiver);
  }

  // Stores `value` and re-sends this object's group, unless nothing changes.
  template <typename T>
  void Change(T& field, T value) {
    if (field == value) return;
    field = value;
    ApplyGroup();
  }
  // Re-sends the group of the owning component that these settings belong to.
  virtual void ApplyGroup() = 0;

 private:
  [[noreturn]] static void RefuseAssign(const TComSettings& source, const TComSettings& receiver);

  TCustomComPort* comPort_;
};

// Parity of the line, and what the driver does with bytes that break it.
class TComParity : public TComSettings {
 public:
  explicit TComParity(TCustomComPort* comPort = nullptr) : TComSettings(comPort) {}

  TParityBits Bits() const { return fields_.bits; }
  bool Check() const { return fields_.check; }
  bool Replace() const { return fields_.replace; }
  char ReplaceChar() const { return fields_.replaceChar; }
  void SetBits(TParityBits value) { Change(fields_.bits, value); }
  void SetCheck(bool value) { Change(fields_.check, value); }
  void SetReplace(bool value) { Change(fields_.replace, value); }
  void SetReplaceChar(char value) { Change(fields_.replaceChar, value); }

  void Assign(const TComSettings& source) override;
  const char* ClassName() const override { return "TComParity"; }
  // Writes fParity, fErrorChar, Parity and ErrorChar.
  void StoreInto(driver::DCB& dcb) const;

 private:
  void ApplyGroup() override;

  struct Fields {
    TParityBits bits = prNone;
    bool check = false;
    bool replace = false;
    char replaceChar = 0;
  } fields_;
};

// Handshaking of both directions.
class TComFlowControl : public TComSettings {
 public:
  explicit TComFlowControl(TCustomComPort* comPort = nullptr) : TComSettings(comPort) {}

  bool OutCTSFlow() const { return fields_.outCTSFlow; }
  bool OutDSRFlow() const { return fields_.outDSRFlow; }
  TDTRFlowControl ControlDTR() const { return fields_.controlDTR; }
  TRTSFlowControl ControlRTS() const { return fields_.controlRTS; }
  bool XonXoffOut() const { return fields_.xonXoffOut; }
  bool XonXoffIn() const { return fields_.xonXoffIn; }
  bool DSRSensitivity() const { return fields_.dsrSensitivity; }
  bool TxContinueOnXoff() const { return fields_.txContinueOnXoff; }
  char XonChar() const { return fields_.xonChar; }
  char XoffChar() const { return fields_.xoffChar; }
  void SetOutCTSFlow(bool value) { Change(fields_.outCTSFlow, value); }
  void SetOutDSRFlow(bool value) { Change(fields_.outDSRFlow, value); }
  void SetControlDTR(TDTRFlowControl value) { Change(fields_.controlDTR, value); }
  void SetControlRTS(TRTSFlowControl value) { Change(fields_.controlRTS, value); }
  void SetXonXoffOut(bool value) { Change(fields_.xonXoffOut, value); }
  void SetXonXoffIn(bool value) { Change(fields_.xonXoffIn, value); }
  void SetDSRSensitivity(bool value) { Change(fields_.dsrSensitivity, value); }
  void SetTxContinueOnXoff(bool value) { Change(fields_.txContinueOnXoff, value); }
  void SetXonChar(char value) { Change(fields_.xonChar, value); }
  void SetXoffChar(char value) { Change(fields_.xoffChar, value); }

  // The preset the RTS, CTS and XON/XOFF fields amount to.
  TFlowControl FlowControl() const;
  // Sets those fields to the preset (fcCustom leaves them) and always re-sends.
  void SetFlowControl(TFlowControl preset);

  void Assign(const TComSettings& source) override;
  const char* ClassName() const override { return "TComFlowControl"; }
  // Writes the handshake flags, XonChar and XoffChar.
  void StoreInto(driver::DCB& dcb) const;

 private:
  void ApplyGroup() override;

  struct Fields {
    bool outCTSFlow = false;
    bool outDSRFlow = false;
    TDTRFlowControl controlDTR = dtrDisable;
    TRTSFlowControl controlRTS = rtsDisable;
    bool xonXoffOut = false;
    bool xonXoffIn = false;
    bool dsrSensitivity = false;
    bool txContinueOnXoff = false;
    char xonChar = 0x11;
    char xoffChar = 0x13;
  } fields_;
};

// The five driver time-outs in milliseconds; -1 stands for the all-ones value.
class TComTimeouts : public TComSettings {
 public:
  explicit TComTimeouts(TCustomComPort* comPort = nullptr) : TComSettings(comPort) {}

  std::int32_t ReadInterval() const { return fields_.readInterval; }
  std::int32_t ReadTotalMultiplier() const { return fields_.readTotalMultiplier; }
  std::int32_t ReadTotalConstant() const { return fields_.readTotalConstant; }
  std::int32_t WriteTotalMultiplier() const { return fields_.writeTotalMultiplier; }
  std::int32_t WriteTotalConstant() const { return fields_.writeTotalConstant; }
  void SetReadInterval(std::int32_t value) { Change(fields_.readInterval, value); }
  void SetReadTotalMultiplier(std::int32_t value) { Change(fields_.readTotalMultiplier, value); }
  void SetReadTotalConstant(std::int32_t value) { Change(fields_.readTotalConstant, value); }
  void SetWriteTotalMultiplier(std::int32_t value) { Change(fields_.writeTotalMultiplier, value); }
  void SetWriteTotalConstant(std::int32_t value) { Change(fields_.writeTotalConstant, value); }

  void Assign(const TComSettings& source) override;
  const char* ClassName() const override { return "TComTimeouts"; }
  driver::COMMTIMEOUTS Record() const;

 private:
  void ApplyGroup() override;

  struct Fields {
    std::int32_t readInterval = -1;
    std::int32_t readTotalMultiplier = 0;
    std::int32_t readTotalConstant = 0;
    std::int32_t writeTotalMultiplier = 100;
    std::int32_t writeTotalConstant = 1000;
  } fields_;
};

// The sizes requested for the driver's receive and transmit queues, in bytes.
class TComBuffer : public TComSettings {
 public:
  explicit TComBuffer(TCustomComPort* comPort = nullptr) : TComSettings(comPort) {}

  std::int32_t InputSize() const { return fields_.inputSize; }
  std::int32_t OutputSize() const { return fields_.outputSize; }
  // A positive odd size is lowered by one; once changed, the group is always re-sent.
  void SetInputSize(std::int32_t value) { ChangeSize(fields_.inputSize, value); }
  void SetOutputSize(std::int32_t value) { ChangeSize(fields_.outputSize, value); }

  void Assign(const TComSettings& source) override;
  const char* ClassName() const override { return "TComBuffer"; }
  // Writes XonLim and XoffLim, a quarter of the receive queue.
  void StoreInto(driver::DCB& dcb) const;

 private:
  void ApplyGroup() override;
  void ChangeSize(std::int32_t& field, std::int32_t value);

  struct Fields {
    std::int32_t inputSize = 1024;
    std::int32_t outputSize = 1024;
  } fields_;
};

// Saving and loading the component's settings: one table of stored values, walked in
// order for both stores and both directions.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "serial/comport.h"
#include "serial/ini_file.h"
#include "serial/registry.h"
#include "serial/text_forms.h"

namespace {

// A value as a store holds it: text (text forms, switches, characters) or a 32-bit
// integer (sizes, speeds, time-outs).
using Stored = std::variant<std::string, std::int32_t>;

// The text form of each type of text setting.
template <typename T>
struct TextForm;
template <>
struct TextForm<std::string> {  // the port name, as held
  static std::string ToText(const std::string& value) { return value; }
  static std::string FromText(std::string_view text) { return std::string(text); }
};
template <typename T, std::string (*To)(T), T (*From)(std::string_view)>
struct FormOf {
  static std::string ToText(T value) { return To(value); }
  static T FromText(std::string_view text) { return From(text); }
};
template <>
struct TextForm<TBaudRate> : FormOf<TBaudRate, BaudRateToText, TextToBaudRate> {};
template <>
struct TextForm<TStopBits> : FormOf<TStopBits, StopBitsToText, TextToStopBits> {};
template <>
struct TextForm<TDataBits> : FormOf<TDataBits, DataBitsToText, TextToDataBits> {};
template <>
struct TextForm<TParityBits> : FormOf<TParityBits, ParityToText, TextToParity> {};
template <>
struct TextForm<TFlowControl> : FormOf<TFlowControl, FlowControlToText, TextToFlowControl> {};
template <>
struct TextForm<TDTRFlowControl> : FormOf<TDTRFlowControl, DTRControlToText, TextToDTRControl> {};
template <>
struct TextForm<TRTSFlowControl> : FormOf<TRTSFlowControl, RTSControlToText, TextToRTSControl> {};
template <>
struct TextForm<bool> : FormOf<bool, BoolToText, TextToBool> {};
template <>
struct TextForm<char> : FormOf<char, CharToText, TextToChar> {};

template <typename T>
Stored ToStored(const T& value) {
  if constexpr (std::is_same_v<T, std::int32_t>)
    return value;
  else
    return TextForm<T>::ToText(value);
}

template <typename T>
T FromStored(const Stored& stored) {
  if constexpr (std::is_same_v<T, std::int32_t>)
    return std::get<std::int32_t>(stored);
  else
    return TextForm<T>::FromText(std::get<std::string>(stored));
}

// One stored value: its key, its group, how to read the setting's stored form from
// the component and how to hand a stored form to the setting's setter.
struct Row {
  const char* key;
  TStoredGroup group;
  std::function<Stored(const TCustomComPort&)> current;
  std::function<void(TCustomComPort&, const Stored&)> apply;
  // "CustomBaudRate": stored only while BaudRate is brCustom; 9600 where missing.
  bool customSpeed = false;
};

// A setting of the component (`access` gives the component itself) or of one of its
// settings objects, by getter and setter.
template <typename Access, typename Object, typename Value, typename Argument>
Row Setting(const char* key, TStoredGroup group, Access access, Value (Object::*get)() const,
            void (Object::*set)(Argument)) {
  using T = std::decay_t<Value>;
  return {key, group,
          [=](const TCustomComPort& port) { return ToStored<T>((access(port).*get)()); },
          [=](TCustomComPort& port, const Stored& stored) {
            (access(port).*set)(FromStored<T>(stored));
          }};
}

constexpr auto kComponent = [](auto& port) -> auto& { return port; };
constexpr auto kParity = [](auto& port) -> auto& { return port.Parity(); };
constexpr auto kFlow = [](auto& port) -> auto& { return port.FlowControl(); };
constexpr auto kTimeouts = [](auto& port) -> auto& { return port.Timeouts(); };
constexpr auto kBuffer = [](auto& port) -> auto& { return port.Buffer(); };

Row CustomSpeed() {
  Row row = Setting("CustomBaudRate", sgBasic, kComponent, &TCustomComPort::CustomBaudRate,
                    &TCustomComPort::SetCustomBaudRate);
  row.customSpeed = true;
  return row;
}

// Saving and loading walk this table from top to bottom.
const std::vector<Row>& Rows() {
  using P = TCustomComPort;
  using F = TComFlowControl;
  using T = TComTimeouts;
  static const std::vector<Row> rows = {
      Setting("Port", sgBasic, kComponent, &P::Port, &P::SetPort),
      Setting("BaudRate", sgBasic, kComponent, &P::BaudRate, &P::SetBaudRate),
      CustomSpeed(),
      Setting("StopBits", sgBasic, kComponent, &P::StopBits, &P::SetStopBits),
      Setting("DataBits", sgBasic, kComponent, &P::DataBits, &P::SetDataBits),
      Setting("Parity", sgBasic, kParity, &TComParity::Bits, &TComParity::SetBits),
      Setting("FlowControl", sgBasic, kFlow, &F::FlowControl, &F::SetFlowControl),
      Setting("EventChar", sgOthers, kComponent, &P::EventChar, &P::SetEventChar),
      Setting("DiscardNull", sgOthers, kComponent, &P::DiscardNull, &P::SetDiscardNull),
      Setting("Parity.Check", sgParityDetails, kParity, &TComParity::Check, &TComParity::SetCheck),
      Setting("Parity.Replace", sgParityDetails, kParity, &TComParity::Replace,
              &TComParity::SetReplace),
      Setting("Parity.ReplaceChar", sgParityDetails, kParity, &TComParity::ReplaceChar,
              &TComParity::SetReplaceChar),
      Setting("Buffer.OutputSize", sgBuffer, kBuffer, &TComBuffer::OutputSize,
              &TComBuffer::SetOutputSize),
      Setting("Buffer.InputSize", sgBuffer, kBuffer, &TComBuffer::InputSize,
              &TComBuffer::SetInputSize),
      Setting("Timeouts.ReadInterval", sgTimeouts, kTimeouts, &T::ReadInterval,
              &T::SetReadInterval),
      Setting("Timeouts.ReadTotalConstant", sgTimeouts, kTimeouts, &T::ReadTotalConstant,
              &T::SetReadTotalConstant),
      Setting("Timeouts.ReadTotalMultiplier", sgTimeouts, kTimeouts, &T::ReadTotalMultiplier,
              &T::SetReadTotalMultiplier),
      Setting("Timeouts.WriteTotalConstant", sgTimeouts, kTimeouts, &T::WriteTotalConstant,
              &T::SetWriteTotalConstant),
      Setting("Timeouts.WriteTotalMultiplier", sgTimeouts, kTimeouts, &T::WriteTotalMultiplier,
              &T::SetWriteTotalMultiplier),
      Setting("FlowControl.ControlRTS", sgFlowDetails, kFlow, &F::ControlRTS, &F::SetControlRTS),
      Setting("FlowControl.ControlDTR", sgFlowDetails, kFlow, &F::ControlDTR, &F::SetControlDTR),
      Setting("FlowControl.DSRSensitivity", sgFlowDetails, kFlow, &F::DSRSensitivity,
              &F::SetDSRSensitivity),
      Setting("FlowControl.OutCTSFlow", sgFlowDetails, kFlow, &F::OutCTSFlow, &F::SetOutCTSFlow),
      Setting("FlowControl.OutDSRFlow", sgFlowDetails, kFlow, &F::OutDSRFlow, &F::SetOutDSRFlow),
      Setting("FlowControl.TxContinueOnXoff", sgFlowDetails, kFlow, &F::TxContinueOnXoff,
              &F::SetTxContinueOnXoff),
      Setting("FlowControl.XonXoffIn", sgFlowDetails, kFlow, &F::XonXoffIn, &F::SetXonXoffIn),
      Setting("FlowControl.XonXoffOut", sgFlowDetails, kFlow, &F::XonXoffOut, &F::SetXonXoffOut),
      Setting("FlowControl.XoffChar", sgFlowDetails, kFlow, &F::XoffChar, &F::SetXoffChar),
      Setting("FlowControl.XonChar", sgFlowDetails, kFlow, &F::XonChar, &F::SetXonChar),
  };
  return rows;
}

// A store as the walk sees it.
class Store {
 public:
  virtual ~Store() = default;
  virtual void Write(const char* key, const Stored& value) = 0;
  // `fallback` is what a store with defaults gives for a missing key.
  virtual Stored Read(const char* key, const Stored& fallback) = 0;
};

// The values lie directly in the registry key that is open.
class RegistryStore : public Store {
 public:
  explicit RegistryStore(TRegistry& registry) : registry_(registry) {}

  void Write(const char* key, const Stored& value) override {
    if (const auto* text = std::get_if<std::string>(&value))
      registry_.WriteString(key, *text);
    else
      registry_.WriteInteger(key, std::get<std::int32_t>(value));
  }
  Stored Read(const char* key, const Stored& fallback) override {
    if (std::holds_alternative<std::string>(fallback)) return registry_.ReadString(key);
    return registry_.ReadInteger(key);
  }

 private:
  TRegistry& registry_;
};

// The values lie in the section named after the component.
class IniStore : public Store {
 public:
  IniStore(TIniFile& ini, std::string section) : ini_(ini), section_(std::move(section)) {}

  void Write(const char* key, const Stored& value) override {
    if (const auto* text = std::get_if<std::string>(&value))
      ini_.WriteString(section_, key, *text);
    else
      ini_.WriteInteger(section_, key, std::get<std::int32_t>(value));
  }
  Stored Read(const char* key, const Stored& fallback) override {
    if (const auto* text = std::get_if<std::string>(&fallback))
      return ini_.ReadString(section_, key, *text);
    return ini_.ReadInteger(section_, key, std::get<std::int32_t>(fallback));
  }

 private:
  TIniFile& ini_;
  std::string section_;
};

// Asked row by row, so that "CustomBaudRate" sees the BaudRate just loaded.
bool Selected(const TCustomComPort& port, const Row& row) {
  return port.StoredGroups().Contains(row.group) &&
         (!row.customSpeed || port.BaudRate() == brCustom);
}

void Save(const TCustomComPort& port, Store& store) {
  for (const Row& row : Rows())
    if (Selected(port, row)) store.Write(row.key, row.current(port));
}

// Each value goes through its setter, so an open port re-sends its group at once.
void Load(TCustomComPort& port, Store& store) {
  constexpr std::int32_t kDefaultCustomSpeed = 9600;
  for (const Row& row : Rows()) {
    if (!Selected(port, row)) continue;
    const Stored fallback = row.customSpeed ? Stored(kDefaultCustomSpeed) : row.current(port);
    row.apply(port, store.Read(row.key, fallback));
  }
}

}  // namespace

void TCustomComPort::SaveToRegistry(TRegistry& registry) const {
  RegistryStore store(registry);
  Save(*this, store);
}

void TCustomComPort::SaveToIniFile(TIniFile& ini) const {
  IniStore store(ini, Name());
  Save(*this, store);
}

void TCustomComPort::LoadFromRegistry(TRegistry& registry) {
  RegistryStore store(registry);
  Load(*this, store);
}

void TCustomComPort::LoadFromIniFile(TIniFile& ini) {
  IniStore store(ini, Name());
  Load(*this, store);
}

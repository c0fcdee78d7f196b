#include "card/command_core.h"

#include <cstdio>

#include "card/card_port.h"
#include "ui/listing_text.h"

namespace {

const char* const kSizeWarning = "Le contenu du buffer sera perdu.\rVoulez-vous continuer ?";

constexpr Control kAllControls[] = {Control::Load,   Control::Save,       Control::Clear,
                                    Control::Erase,  Control::Write,      Control::Verify,
                                    Control::Read,   Control::SizeChoice, Control::PortChoice};
constexpr Control kDataControls[] = {Control::Save, Control::Verify, Control::Write, Control::Clear};

const EepromSize& EepromSizeOf(int index) {
  return index >= 0 && index < static_cast<int>(kEepromSizes.size())
             ? kEepromSizes[static_cast<std::size_t>(index)]
             : kEepromSizes.back();
}

// "Lecture OK (8192 octets)"
std::string WithByteCount(const std::string& text, int size) {
  return text + " (" + std::to_string(size) + " octets)";
}

// "01F0": at least four upper-case digits.
std::string HexAddress(int address) {
  char text[12];
  std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(address));
  return text;
}

}  // namespace

// Takes the controls away while a card command runs, also from the UpdateView of a
// read, and gives them back as UpdateView leaves them, however the command ends.
class CommandCore::CardCommand {
 public:
  explicit CardCommand(CommandCore& core) : core_(core) {
    core_.SetControlsEnabled(false);
    core_.controlsTaken_ = true;
  }
  ~CardCommand() {
    core_.controlsTaken_ = false;
    core_.SetControlsEnabled(true);
    core_.EnableDataCommands();
  }
  CardCommand(const CardCommand&) = delete;
  CardCommand& operator=(const CardCommand&) = delete;

 private:
  CommandCore& core_;
};

CommandCore::CommandCore(CommandView& view, ui::Dialogs& dialogs, ui::Toolkit& toolkit,
                         TComPort& port, ui::WindowHandle owner)
    : view_(view), dialogs_(dialogs), toolkit_(toolkit), FCardLink(port, toolkit, owner) {
  FCardLink.OnATR = [this](const std::string& atr) { view_.ShowAtr(atr); };
}

bool CommandCore::Guarded(const std::function<void()>& command) {
  if (commandRunning_) return false;
  commandRunning_ = true;
  struct EndOfCommand {
    bool& running;
    ~EndOfCommand() { running = false; }
  } end{commandRunning_};
  command();
  return true;
}

void CommandCore::SetStatus(const std::string& message) {
  view_.ShowStatus(message);
  toolkit_.ProcessMessages();
}

void CommandCore::UpdateView() {
  view_.ShowListing(ui::ListingForDisplay(FWorkBuffer.Dump()));
  EnableDataCommands();
}

void CommandCore::EnableDataCommands() {
  if (controlsTaken_) return;
  for (Control control : kDataControls) view_.EnableControl(control, FWorkBuffer.Size() > 0);
}

void CommandCore::SetControlsEnabled(bool enabled) {
  for (Control control : kAllControls) view_.EnableControl(control, enabled);
}

bool CommandCore::Load() {
  return Guarded([this] {
    const auto name = dialogs_.ChooseFileToOpen();
    if (!name) return;
    FWorkBuffer.LoadFromFile(*name);
    SetStatus(WithByteCount(*name, FWorkBuffer.Size()));
    UpdateView();
  });
}

bool CommandCore::Save() {
  return Guarded([this] {
    const auto name = dialogs_.ChooseFileToSave();
    if (!name) return;
    FWorkBuffer.SaveToFile(*name);
    SetStatus(WithByteCount(*name, FWorkBuffer.Size()));
  });
}

bool CommandCore::Clear() {
  return Guarded([this] { ClearWorkBuffer(); });
}

void CommandCore::ClearWorkBuffer() {
  FWorkBuffer.Clear();
  UpdateView();
  SetStatus("Buffer vidé");
}

bool CommandCore::Read() {
  return Guarded([this] {
    const CardCommand command(*this);
    FCardLink.ReadCard("Lecture", FScratchBuffer);
    FWorkBuffer.SetData(FScratchBuffer.Data());
    UpdateView();
    SetStatus(WithByteCount("Lecture OK", FWorkBuffer.Size()));
  });
}

bool CommandCore::Write() {
  return Guarded([this] {
    const CardCommand command(*this);
    FCardLink.WriteCard("Ecriture", FWorkBuffer);
    SetStatus(WithByteCount("Ecriture OK", FWorkBuffer.Size()));
  });
}

bool CommandCore::Verify() {
  return Guarded([this] {
    const CardCommand command(*this);
    FCardLink.ReadCard("Vérification", FVerifyBuffer);
    ReportComparison("Vérification OK", "Echec vérification à l'adresse 0x",
                     CompareBuffers(FWorkBuffer, FVerifyBuffer));
  });
}

// Two openings of the port: the pattern is written, then the card read back.
bool CommandCore::Erase() {
  return Guarded([this] {
    const CardCommand command(*this);
    FScratchBuffer.Clear();
    FScratchBuffer.Append(std::string(static_cast<std::size_t>(FScratchBuffer.Capacity()), '\xFF'));
    FCardLink.WriteCard("Effacement", FScratchBuffer);
    FCardLink.ReadCard("Vérification", FVerifyBuffer);
    ReportComparison("Effacement OK", "Echec effacement à l'adresse 0x",
                     CompareBuffers(FScratchBuffer, FVerifyBuffer));
  });
}

void CommandCore::ReportComparison(const char* success, const char* failure, int difference) {
  difference_ = difference;
  SetStatus(difference == -1 ? success : failure + HexAddress(difference));
}

bool CommandCore::ChooseSize(int index) {
  const bool ran = Guarded([this, index] {
    if (FWorkBuffer.Size() > 0) {
      if (!dialogs_.ConfirmWarning(kSizeWarning)) {
        view_.SelectSize(FSizeIndex);
        return;
      }
      ClearWorkBuffer();
    }
    ApplySize(index);
  });
  if (!ran) view_.SelectSize(FSizeIndex);
  return ran;
}

void CommandCore::ApplySize(int index) {
  const EepromSize& size = EepromSizeOf(index);
  for (TBuffer* buffer : {&FWorkBuffer, &FVerifyBuffer, &FScratchBuffer})
    buffer->SetCapacity(size.capacity);
  FCardLink.PageSize = size.pageSize;
  FSizeIndex = index;
}

#include "card/command_core.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "card/card_port.h"
#include "common/file_io.h"
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

// "1 page écrite sur 512", "3 pages écrites sur 512"
std::string PagesWritten(std::size_t written, std::size_t total) {
  return std::to_string(written) + (written > 1 ? " pages écrites sur " : " page écrite sur ") +
         std::to_string(total);
}

// "20261209-031500"
std::string TimeStamp(std::time_t now) {
  char text[32];
  const std::tm* local = std::localtime(&now);
  if (local == nullptr || std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", local) == 0)
    return std::to_string(now);
  return text;
}

bool FileExists(const std::string& name) {
  std::error_code error;
  return std::filesystem::exists(PathFromUtf8(name), error);
}

// Asked before the card is read: a backup with nowhere to go must not cost a read.
void RequireFolder(const std::string& folder) {
  std::error_code error;
  if (!std::filesystem::is_directory(PathFromUtf8(folder), error))
    throw std::runtime_error("Dossier de sauvegarde introuvable : " + folder);
}

}  // namespace

std::string BackupFileName(const std::string& folder, const std::string& sizeName,
                           std::time_t now) {
  const bool separated = !folder.empty() && (folder.back() == '/' || folder.back() == '\\');
  const std::string stem =
      folder + (separated ? "" : "/") + "carte-" + sizeName + "-" + TimeStamp(now);
  std::string name = stem + ".bin";
  for (int copy = 2; FileExists(name); ++copy) name = stem + "-" + std::to_string(copy) + ".bin";
  return name;
}

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
    ReportComparison("Vérification OK", "Echec vérification à l'adresse 0x", FWorkBuffer);
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
    ReportComparison("Effacement OK", "Echec effacement à l'adresse 0x", FScratchBuffer);
  });
}

// Three openings: the card is read, the changed pages written, the card read back.
bool CommandCore::WriteChanged() {
  return Guarded([this] {
    RequireData();
    const CardCommand command(*this);
    const int pageSize = FCardLink.PageSize;
    FCardLink.ReadCard("Lecture", FVerifyBuffer);
    const std::vector<Page> pages = ChangedPages(FWorkBuffer, FVerifyBuffer, pageSize);
    if (!pages.empty()) FCardLink.WritePages("Ecriture", FWorkBuffer, pages);
    FCardLink.ReadCard("Vérification", FVerifyBuffer);
    const std::size_t total = PagesOf(FWorkBuffer.Size(), pageSize).size();
    ReportComparison("Ecriture OK (" + PagesWritten(pages.size(), total) + ")",
                     "Echec vérification à l'adresse 0x", FWorkBuffer);
  });
}

bool CommandCore::Backup(const std::string& folder, std::time_t now) {
  return Guarded([this, &folder, now] {
    RequireFolder(folder);
    const CardCommand command(*this);
    FCardLink.ReadCard("Sauvegarde", FVerifyBuffer);
    const std::string name = BackupFileName(folder, EepromSizeOf(FSizeIndex).name, now);
    FVerifyBuffer.SaveToFile(name);
    SetStatus(WithByteCount("Sauvegarde OK : " + name, FVerifyBuffer.Size()));
  });
}

void CommandCore::RequireData() const {
  if (FWorkBuffer.Size() == 0) throw std::runtime_error("Buffer vide : rien à écrire");
}

void CommandCore::ReportComparison(const std::string& success, const char* failure,
                                   const TBuffer& expected) {
  compared_ = &expected;
  difference_ = CompareBuffers(expected, FVerifyBuffer);
  differences_ = DifferingRanges(expected, FVerifyBuffer);
  SetStatus(difference_ == -1 ? success : failure + HexAddress(difference_));
}

std::string CommandCore::DifferingLines() const {
  return SideBySide(*compared_, FVerifyBuffer, compared_ == &FWorkBuffer ? "fichier" : "attendu");
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

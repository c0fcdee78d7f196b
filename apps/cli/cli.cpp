#include "apps/cli/cli.h"

#include <algorithm>
#include <ctime>
#include <optional>
#include <ostream>

#include "card/atr_explanation.h"
#include "card/card_link.h"
#include "apps/cli/cli_interrupt_catch.h"
#include "apps/cli/cli_interruption.h"
#include "apps/cli/cli_ports.h"
#include "apps/common/port_choices.h"
#include "card/command_core.h"
#include "serial/comport.h"
#include "serial/driver/directory.h"
#include "ui/error_report.h"
#include "ui/terminal/terminal_progress.h"

namespace cli {

namespace {

std::string ParsePort(const std::string& text) {
  if (const std::string name = PlainPortName(text); !name.empty()) return name;
  if (const std::string name = DevicePortName(text); !name.empty()) return name;
  throw UsageError(std::string("--port expects ") + kPortExpected + ", not \"" + text + "\"");
}

EepromSize ParseSize(const std::string& text) {
  if (const EepromSize* size = FindEepromSize(text)) return *size;
  throw UsageError("--size expects 24C16, 24C32 or 24C64, not \"" + text + "\"");
}

// The options that only some commands take.
struct FlagOption {
  const char* name;
  bool Invocation::*member;
};
constexpr FlagOption kFlagOptions[] = {
    {"--explain", &Invocation::explain},
    {"--diff", &Invocation::diff},
    {"--changed-only", &Invocation::changedOnly},
    {"--all", &Invocation::allPorts},
};

// Takes the option at args[index] into `invocation` and returns how many arguments it took.
std::size_t TakeOption(const std::vector<std::string>& args, std::size_t index,
                       Invocation& invocation) {
  const std::string& arg = args[index];
  if (arg == "--help" || arg == "-h") {
    invocation.help = true;
    return 1;
  }
  if (arg == "--quiet" || arg == "-q") {
    invocation.quiet = true;
    return 1;
  }
  for (const FlagOption& flag : kFlagOptions) {
    if (arg != flag.name) continue;
    invocation.*flag.member = true;
    return 1;
  }
  if (const OptionValue folder = TakeOptionValue(args, index, "--backup"); folder.taken > 0) {
    if (folder.text.empty()) throw UsageError("--backup needs a folder");
    invocation.backupFolder = folder.text;
    return static_cast<std::size_t>(folder.taken);
  }
  if (const OptionValue port = TakeOptionValue(args, index, "--port"); port.taken > 0) {
    invocation.port = ParsePort(port.text);
    return static_cast<std::size_t>(port.taken);
  }
  if (const OptionValue size = TakeOptionValue(args, index, "--size"); size.taken > 0) {
    invocation.size = ParseSize(size.text);
    return static_cast<std::size_t>(size.taken);
  }
  if (const int taken = TakeCommonOption(args, index, invocation.common); taken > 0)
    return static_cast<std::size_t>(taken);
  throw UsageError("unknown option \"" + arg + "\"");
}

int SizeIndexOf(const EepromSize& size) {
  int index = 0;
  while (kEepromSizes[static_cast<std::size_t>(index)].capacity != size.capacity) ++index;
  return index;
}

// The window's command core run from the command line: the FILE operand answers the
// file dialogs, and the status of a command is printed once the command has ended.
class CardSession : private CommandView, private ui::Dialogs {
 public:
  CardSession(const Invocation& invocation, const Streams& streams,
              driver::DeviceFactory& devices)
      : invocation_(invocation),
        out_(streams.out),
        err_(streams.err),
        toolkit_(streams.progressFd, invocation.quiet),
        core_(*this, *this, toolkit_, port_, nullptr) {
    ApplyCardPortSettings(port_);
    port_.SetDeviceFactory(&devices);
    core_.CardLink().PortName = [this] { return invocation_.port; };
    core_.ChooseSize(SizeIndexOf(invocation.size));
  }

  // A refused ATR is explained too: it tells what was inserted.
  int Atr() {
    try {
      core_.CardLink().OpenPort();
      core_.CardLink().ClosePort();
    } catch (...) {
      ExplainAtrIfAsked();
      throw;
    }
    Report(atr_);
    ExplainAtrIfAsked();
    return kSuccess;
  }

  // The file is written only once the whole card is read, and then atomically.
  int Read() {
    core_.Read();
    Interruption::ThrowIfRequested();
    core_.WorkBuffer().SaveToFile(invocation_.file);
    return Report(status_);
  }

  int Write() {
    core_.Load();
    if (core_.WorkBuffer().Size() == 0) throw std::runtime_error("Buffer vide : rien à écrire");
    BackUpIfAsked();
    if (invocation_.changedOnly) {
      core_.WriteChanged();
      return ReportComparison();
    }
    core_.Write();
    return Report(status_);
  }

  // An empty file would compare as a difference at address 0; the window never lets
  // one reach the card either.
  int Verify() {
    core_.Load();
    if (core_.WorkBuffer().Size() == 0) throw std::runtime_error("Buffer vide : rien à vérifier");
    core_.Verify();
    return ReportComparison();
  }

  int Erase() {
    BackUpIfAsked();
    core_.Erase();
    return ReportComparison();
  }

  int Dump() {
    core_.Load();
    out_ << listing_ << '\n';
    return kSuccess;
  }

 private:
  void ShowListing(const std::string& listing) override { listing_ = listing; }
  void ShowStatus(const std::string& message) override { status_ = message; }
  void ShowAtr(const std::string& atr) override {
    atr_ = atr;
    if (!invocation_.quiet && !atr.empty()) err_ << "ATR : " << atr << std::endl;
  }
  // A terminal has no controls: one command per run.
  void EnableControl(Control, bool) override {}
  void SelectSize(int) override {}

  std::optional<std::string> ChooseFileToOpen() override { return invocation_.file; }
  std::optional<std::string> ChooseFileToSave() override { return invocation_.file; }
  // The size is chosen before any data is taken, so nothing is there to lose.
  bool ConfirmWarning(const std::string&) override { return true; }
  void ShowError(const std::string&, const std::string& text) override { err_ << text << '\n'; }

  // The status, then where the card differs, and with --diff how.
  int ReportComparison() {
    Report(status_);
    if (core_.Difference() < 0) return kSuccess;
    out_ << RangesReport(core_.Differences());
    if (invocation_.diff) out_ << core_.DifferingLines();
    return kDifference;
  }

  void ExplainAtrIfAsked() {
    if (invocation_.explain && !atr_.empty()) out_ << ExplainAtr(HexToBytes(atr_));
  }

  // A backup that fails stops the command before the card is touched.
  void BackUpIfAsked() {
    if (invocation_.backupFolder.empty()) return;
    core_.Backup(invocation_.backupFolder, std::time(nullptr));
    Report(status_);
  }

  int Report(const std::string& status) {
    out_ << status << '\n';
    return kSuccess;
  }

  const Invocation& invocation_;
  std::ostream& out_;
  std::ostream& err_;
  TComPort port_;
  ui::TerminalToolkit toolkit_;
  CommandCore core_;
  std::string listing_;
  std::string status_;
  std::string atr_;  // the last one received
};

int Dump(const Invocation& invocation, const Streams& streams) {
  return CardSession(invocation, streams, driver::PortDirectory::Instance()).Dump();
}

// One line a port, its by-id name below it, in the column of the descriptions.
int ListPorts(const Invocation& invocation, const Streams& streams) {
  const std::vector<SerialPort> ports =
      FindSerialPorts(invocation.places.folders, invocation.allPorts);
  std::size_t width = 0;
  for (const SerialPort& port : ports) width = std::max(width, port.device.size());
  const std::string indent(width + 2, ' ');
  for (const SerialPort& port : ports) {
    streams.out << port.device << indent.substr(port.device.size()) << DescriptionOf(port) << '\n';
    if (!port.stableName.empty()) streams.out << indent << port.stableName << '\n';
  }
  if (ports.empty()) streams.out << "Aucun port série\n";
  return kSuccess;
}

// The port choices are told on standard error, beside the ATR line.
void ApplyOptions(const Invocation& invocation, const Streams& streams) {
  PortChoices choices(invocation.places, driver::PortDirectory::Instance());
  const std::string notice = ApplyCommonOptions(invocation.common, choices);
  if (!invocation.quiet && !notice.empty()) streams.err << notice << '\n';
}

// Once interrupted, the failure that the cancelling caused is not the one to report.
template <int (CardSession::*command)()>
int OnCard(const Invocation& invocation, const Streams& streams) {
  Interruption interruption(driver::PortDirectory::Instance());
  try {
    ApplyOptions(invocation, streams);
    CardSession card(invocation, streams, interruption);
    return (card.*command)();
  } catch (...) {
    Interruption::ThrowIfRequested();
    throw;
  }
}

struct CommandEntry {
  const char* name;
  Command command;
  bool takesFile;
  int (*run)(const Invocation&, const Streams&);
};

constexpr CommandEntry kCommands[] = {
    {"atr", Command::Atr, false, &OnCard<&CardSession::Atr>},
    {"read", Command::Read, true, &OnCard<&CardSession::Read>},
    {"write", Command::Write, true, &OnCard<&CardSession::Write>},
    {"verify", Command::Verify, true, &OnCard<&CardSession::Verify>},
    {"erase", Command::Erase, false, &OnCard<&CardSession::Erase>},
    {"dump", Command::Dump, true, &Dump},
    {"ports", Command::Ports, false, &ListPorts},
};

constexpr bool InCommandOrder() {
  for (std::size_t i = 0; i < std::size(kCommands); ++i)
    if (static_cast<std::size_t>(kCommands[i].command) != i) return false;
  return true;
}
static_assert(InCommandOrder(), "kCommands is indexed by Command");

// Refuses an option given to a command that does not take it.
void CheckOptionsFit(const Invocation& invocation) {
  const Command command = invocation.command;
  const struct {
    bool given;
    const char* option;
    bool fits;
    const char* commands;
  } checks[] = {
      {invocation.explain, "--explain", command == Command::Atr, "atr"},
      {invocation.diff, "--diff", command == Command::Verify || command == Command::Erase,
       "verify and erase"},
      {!invocation.backupFolder.empty(), "--backup",
       command == Command::Write || command == Command::Erase, "write and erase"},
      {invocation.changedOnly, "--changed-only", command == Command::Write, "write"},
  };
  for (const auto& check : checks)
    if (check.given && !check.fits)
      throw UsageError(std::string(check.option) + " applies to " + check.commands + " only");
}

void TakeCommand(const std::vector<std::string>& operands, Invocation& invocation) {
  if (operands.empty()) throw UsageError("no command given");
  const std::string& name = operands.front();
  for (const CommandEntry& entry : kCommands) {
    if (name != entry.name) continue;
    const std::size_t expected = entry.takesFile ? 2 : 1;
    if (operands.size() < expected) throw UsageError(name + " needs a FILE");
    if (operands.size() > expected)
      throw UsageError("unexpected argument \"" + operands[expected] + "\"");
    if (invocation.allPorts && entry.command != Command::Ports)
      throw UsageError("--all goes with ports only");
    invocation.command = entry.command;
    if (entry.takesFile) invocation.file = operands[1];
    return;
  }
  throw UsageError("unknown command \"" + name + "\"");
}

int Execute(const Invocation& invocation, const Streams& streams) {
  return kCommands[static_cast<std::size_t>(invocation.command)].run(invocation, streams);
}

}  // namespace

Invocation ParseArguments(const std::vector<std::string>& args) {
  Invocation invocation;
  std::vector<std::string> operands;
  bool optionsEnded = false;
  for (std::size_t index = 0; index < args.size();) {
    const std::string& arg = args[index];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      operands.push_back(arg);
      ++index;
    } else if (arg == "--") {
      optionsEnded = true;
      ++index;
    } else {
      index += TakeOption(args, index, invocation);
    }
  }
  if (!invocation.help) {
    TakeCommand(operands, invocation);
    CheckOptionsFit(invocation);
  }
  return invocation;
}

std::string UsageText() {
  return "Usage: belvanto-cli [OPTION]... COMMAND [FILE]\n"
         "Commands:\n"
         "  atr            reset the card and print its ATR as hex text\n"
         "                 (--explain: decoded, also for a card that is refused)\n"
         "  read FILE      read the whole card into FILE\n"
         "  write FILE     write FILE to the card (at most the size's bytes; longer raw\n"
         "                 files are cut)\n"
         "  verify FILE    read the card and compare it with FILE\n"
         "  erase          write FF everywhere, then read back and compare\n"
         "  dump FILE      print the hex listing of FILE (no card involved)\n"
         "  ports          list the machine's serial ports (none is opened)\n";
}

std::string HelpText() {
  return UsageText() +
         "\nReads, writes, verifies and erases the serial EEPROM of a memory smart card\n"
         "through a serial smart-card reader.\n"
         "\nOptions:\n" +
         kPortHelp +
         "  --size 24C16|24C32|24C64\n"
         "                       the card's EEPROM: 2048, 4096 or 8192 bytes (default 24C64)\n" +
         CommonOptionsHelp() +
         "  --all                ports: also the legacy ttyS ports with no UART behind them\n"
         "  --explain            atr: decode the ATR (ISO 7816-3) line by line\n"
         "  --diff               verify, erase: also each differing 16-byte line, card |\n"
         "                       file side by side, ^^ under each byte that differs\n"
         "  --backup DIR         write, erase: first read the whole card into\n"
         "                       DIR/carte-SIZE-YYYYMMDD-HHMMSS.bin; stop if that fails\n"
         "  --changed-only       write: read the card, write only the pages that differ,\n"
         "                       then verify\n"
         "  -q, --quiet          no progress bar, no ATR line, no word on the port choices\n"
         "  -h, --help           show this help\n"
         "\nThe status of a command that ran to its end goes to standard output; the ATR\n"
         "line, the progress bar (on a terminal only) and errors go to standard error.\n"
         "\nExit status:\n"
         "  0   success\n"
         "  1   verify, erase or write --changed-only found a difference (its address\n"
         "      and every differing range are printed)\n"
         "  2   error (port, card, transfer or file)\n"
         "  64  bad command line\n"
         "  130 interrupted by " + interrupt_catch::kStopRequests + " during a card command\n";
}

int Run(const std::vector<std::string>& args, const Streams& streams, const PortPlaces& places) {
  Invocation invocation;
  try {
    invocation = ParseArguments(args);
    invocation.places = places;
  } catch (const std::invalid_argument& e) {
    streams.err << "belvanto-cli: " << e.what() << "\n\n" << UsageText();
    return kUsage;
  }
  if (invocation.help) {
    streams.out << HelpText();
    return kSuccess;
  }
  try {
    return Execute(invocation, streams);
  } catch (const Interrupted& e) {
    streams.err << ui::WithFullStop(e.what()) << std::endl;
    return kInterrupted;
  } catch (...) {
    streams.err << ui::WithFullStop(ui::MessageOf(std::current_exception())) << std::endl;
    return kFailure;
  }
}

}  // namespace cli

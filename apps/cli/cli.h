#pragma once

#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

#include "card/card_port.h"
#include "apps/common/port_discovery.h"
#include "apps/common/program_options.h"

// belvanto-cli: the card programmer for scripts and terminals. It runs the window's
// card commands over the same card link and prints the window's status texts.
namespace cli {

enum ExitStatus {
  kSuccess = 0,
  kDifference = 1,  // verify or erase found a byte that differs
  kFailure = 2,     // an error, its message on standard error
  kUsage = 64,      // bad command line
  kInterrupted = 130,  // a request to stop (Ctrl+C) during a card command
};

enum class Command { Atr, Read, Write, Verify, Erase, Dump, Ports };

struct Invocation {
  bool help = false;
  std::string port = "COM1";  // a plain COMn, or on Linux a device path (it holds a '/')
  EepromSize size = kDefaultEepromSize;
  bool quiet = false;
  bool allPorts = false;  // ports --all
  CommonOptions common;
  Command command = Command::Atr;
  std::string file;  // for read, write, verify and dump
  PortPlaces places;  // where the port choices are kept and the ports are found
  bool explain = false;      // atr: decode the ATR
  bool diff = false;         // verify, erase: each differing line side by side
  std::string backupFolder;  // write, erase: save the card there first
  bool changedOnly = false;  // write: only the pages that differ
};

// A command line that cannot be run; its message says why.
class UsageError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// `args` without the program name. Options may come before or after the command;
// "--" ends them. Raises UsageError (or std::invalid_argument for a malformed common
// option).
Invocation ParseArguments(const std::vector<std::string>& args);

// The synopsis and the commands, printed with every usage error.
std::string UsageText();
// --help: the synopsis, commands, options and exit statuses.
std::string HelpText();

struct Streams {
  std::ostream& out;  // status texts, the ATR of `atr`, listings
  std::ostream& err;  // the ATR line, error messages, usage
  int progressFd;     // the progress bar, drawn only when this is a terminal
};

// Runs one command line and returns the exit status.
int Run(const std::vector<std::string>& args, const Streams& streams,
        const PortPlaces& places = PortPlaces());

}  // namespace cli

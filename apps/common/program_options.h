#pragma once

#include <string>
#include <vector>

// The options both programs take, beyond the behaviour of a tool run without any:
//   --map COMn=PATH     (repeatable) the device behind COMn instead of /dev/ttyS{n-1};
//                       refused on Windows, where COMn is the device
//   --simulate[=IMAGE]  the built-in simulated readers on COM1..COM4 (IMAGE keeps COM1's card)
//   --sim-speed FACTOR  simulated time runs FACTOR times faster than real time
struct CommonOptions {
  struct Mapping {
    std::string port;  // normalised, "COM3"
    std::string path;
  };
  std::vector<Mapping> maps;
  bool simulate = false;
  std::string simulateImage;
  double simSpeed = 1;
};

// The value of the option `name` at args[index], given as "--name=value" or as
// "--name value", and how many arguments it took: 0 when args[index] is another
// option. Raises std::invalid_argument when the value is missing.
struct OptionValue {
  std::string text;
  int taken = 0;
};
OptionValue TakeOptionValue(const std::vector<std::string>& args, std::size_t index,
                            const std::string& name);

// "COM3" for a plain COMn with n from 1 to 96 in any letter case, "" for anything else
// (NormalizePortName would turn a typo into COM1 and pick the wrong port).
std::string PlainPortName(const std::string& text);

// Reads the common option at args[index] (with its value, which may be the next
// argument) into `options` and returns how many arguments it took: 0 when args[index]
// is not a common option. Raises std::invalid_argument with a message for the user
// when the option is malformed.
int TakeCommonOption(const std::vector<std::string>& args, std::size_t index,
                     CommonOptions& options);

// The lines of --help that describe the common options.
std::string CommonOptionsHelp();

class PortChoices;

// Puts the options into effect for this process: the saved port choices (left alone by
// the simulated readers, which stand for the ports), the command line's mappings over
// them, simulated readers. Returns what the user is told once of the port choices ("" for
// nothing; PortChoices::Restore). Raises std::runtime_error when the simulation cannot
// be set up (a bad image file).
std::string ApplyCommonOptions(const CommonOptions& options, PortChoices& choices);

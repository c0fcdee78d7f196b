#pragma once

#include <string>
#include <vector>

#include "apps/common/program_options.h"

// The options of the window program, whichever toolkit shows the window.

// Whether --help is among `args`; it wins over any other argument.
bool AsksForHelp(const std::vector<std::string>& args);

// The common options in `args`. Raises std::invalid_argument for an argument that is
// not an option of the program, or a malformed one.
CommonOptions ParseWindowOptions(const std::vector<std::string>& args);

// The text of --help; `toolkitNote` ends the description (the toolkit's own options).
std::string WindowProgramHelp(const std::string& toolkitNote);

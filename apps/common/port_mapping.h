#pragma once

#include <string>

#include "apps/common/program_options.h"

// --map, which only a platform whose devices are not named COMn has a use for.

// The mapping "COMn=PATH" in `text`. Raises std::invalid_argument with a message for
// the user when `text` is malformed or the platform maps no ports.
CommonOptions::Mapping ParseMapping(const std::string& text);

// The lines of --help that describe --map ("" where it is not taken).
std::string MapOptionHelp();

#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "common/file_io.h"

// What the two platform halves of file_io share; not for use outside them.

// Reads through `readSome` (bytes read into the buffer, 0 at the end, negative on
// failure) until the end or `limit` bytes; `out` is only replaced on success.
FileReadResult ReadUpTo(std::size_t limit, std::string& out,
                        const std::function<long long(char* buffer, std::size_t size)>& readSome);

// The last part of a new temporary's name, unique within the process `processId`.
std::string NextTemporaryLeaf(unsigned long processId);

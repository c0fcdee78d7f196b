#pragma once

#include <string>
#include <string_view>

namespace test_support {

// Bytes as one word of lower-case hex digit pairs, for the Windows suite's control line.
std::string HexWord(std::string_view bytes);
std::string BytesOfHexWord(const std::string& word);

}  // namespace test_support

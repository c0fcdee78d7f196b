#pragma once

#include <string>

// "" when `actual` is `expected`; else where they part, without printing kilobytes.
std::string Mismatch(const std::string& actual, const std::string& expected);

#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "card/buffer.h"
#include "support/temp_folder.h"

// Bytes first, first + 1, ... (wrapping at 256).
std::string Ascending(std::size_t count, unsigned first = 0);
TBuffer Holding(const std::string& bytes, int capacity = 8192);
// The message of the error that `action` raises, or "(no error)".
std::string MessageOf(const std::function<void()>& action);

using Names = std::vector<std::string>;

// A test with a fresh folder of its own.
class FolderTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& leaf) const { return folder_.File(leaf); }
  // What the folder (or its subfolder `sub`) holds, in UTF-8, so that a leftover
  // temporary shows.
  Names Entries(const std::string& sub = "") const;

  TempFolder folder_;
};

#pragma once

#include <optional>
#include <string>

// One line of the benchmark table, tab-separated for scripts/bench:
// figure, measured, target, ratio, verdict. The ratio is measured / reference; the
// target is met while it stays within `bound` (the verdict says so). Figures without
// a target give no reference.
struct BenchRow {
  std::string figure;
  double measured = 0;
  std::string unit;
  std::optional<double> reference;
  double bound = 1;
  std::string target;
};

void PrintRow(const BenchRow& row);
// Compile-time and run-time facts about the run, on one line starting with '#'.
void PrintNote(const std::string& note);

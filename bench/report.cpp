#include "report.h"

#include <cstdio>

namespace {

std::string Fixed(double value, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// Three significant digits at least, whatever the size.
int DecimalsFor(double value) {
  if (value >= 100) return 0;
  if (value >= 10) return 1;
  if (value >= 1) return 2;
  return 3;
}

}  // namespace

void PrintRow(const BenchRow& row) {
  const std::string measured = Fixed(row.measured, DecimalsFor(row.measured)) + " " + row.unit;
  std::string ratio = "-";
  std::string verdict = "-";
  if (row.reference && *row.reference > 0) {
    const double value = row.measured / *row.reference;
    ratio = Fixed(value, 3);
    verdict = value <= row.bound ? "met" : "MISSED";
  }
  std::printf("%s\t%s\t%s\t%s\t%s\n", row.figure.c_str(), measured.c_str(),
              row.target.empty() ? "-" : row.target.c_str(), ratio.c_str(), verdict.c_str());
  std::fflush(stdout);
}

void PrintNote(const std::string& note) {
  std::printf("# %s\n", note.c_str());
  std::fflush(stdout);
}

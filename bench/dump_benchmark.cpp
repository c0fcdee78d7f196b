// The hex listing of a full 24C64 buffer, as the window shows it after every read.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "card/buffer.h"
#include "report.h"

namespace {

constexpr double kTargetMicroseconds = 100;

void BM_DumpFullCard(benchmark::State& state) {
  TBuffer buffer;
  std::string bytes(8192, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 37);
  buffer.SetData(bytes);
  for (auto _ : state) benchmark::DoNotOptimize(buffer.Dump());
}
BENCHMARK(BM_DumpFullCard)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Keeps the median of the repetitions and prints it as a table row.
class MedianRow : public benchmark::BenchmarkReporter {
 public:
  bool ReportContext(const Context&) override { return true; }
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.aggregate_name == "median")
        PrintRow({"Dump of 8192 bytes (median of 5, CPU)", run.GetAdjustedCPUTime(), "us",
                  kTargetMicroseconds, 1, "< 100 us"});
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  MedianRow reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

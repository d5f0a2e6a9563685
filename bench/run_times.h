// A console reporter that also keeps each benchmark's real and CPU time per iteration, so a
// program can print, after the table, the ratio of the work it measures to the plain work it
// wraps. Run with --benchmark_repetitions=5 for ratios of medians on a busy machine.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace bench {

class RunTimes : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    // With --benchmark_repetitions the median of the repetitions stands for the benchmark.
    for (const Run& r : runs) {
      if (r.error_occurred) continue;
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "median") continue;
      times_[r.run_type == Run::RT_Aggregate ? r.run_name.str() : r.benchmark_name()] = {r.GetAdjustedRealTime(),
                                                                                          r.GetAdjustedCPUTime()};
    }
  }

  // Prints "<label>: real time <a/b>x, CPU time <a/b>x" for the benchmarks named `a` and `b`;
  // nothing when either did not run.
  void printRatio(const std::string& label, const std::string& a, const std::string& b) const {
    const auto x = times_.find(a), y = times_.find(b);
    if (x == times_.end() || y == times_.end()) return;
    std::printf("%s: real time %.2fx, CPU time %.2fx\n", label.c_str(), x->second.first / y->second.first,
                x->second.second / y->second.second);
  }

 private:
  std::map<std::string, std::pair<double, double>> times_;  // real, CPU
};

}  // namespace bench

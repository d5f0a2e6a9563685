// The console report of a benchmark program, followed by the ratio of two of its runs: the
// real time (the database's own work included, and on a server the round trips) and the CPU
// time (this process's share), per iteration. Run with --benchmark_repetitions=5 for ratios of
// medians on a busy machine.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace bench {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    // With --benchmark_repetitions the median of the repetitions stands for the benchmark.
    for (const Run& r : runs) {
      if (r.error_occurred) continue;
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "median") continue;
      std::string name = r.run_type == Run::RT_Aggregate ? r.run_name.str() : r.benchmark_name();
      if (name.ends_with("/real_time")) name.erase(name.size() - 10);
      times_[name] = {r.GetAdjustedRealTime(), r.GetAdjustedCPUTime()};
    }
  }

  // "<label>: real time N.NNx, CPU time N.NNx" for run `over` divided by run `under`; nothing
  // when either did not run.
  void printRatio(const std::string& label, const std::string& over, const std::string& under) const {
    const auto a = times_.find(over), b = times_.find(under);
    if (a == times_.end() || b == times_.end()) return;
    std::printf("%s: real time %.2fx, CPU time %.2fx\n", label.c_str(), a->second.first / b->second.first,
                a->second.second / b->second.second);
  }

 private:
  std::map<std::string, std::pair<double, double>> times_;
};

}  // namespace bench

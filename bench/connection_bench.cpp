// What the pool saves: every business operation opens and closes its own connection, which
// stays cheap only because Close hands the session back to the pool. For each provider this
// measures
//   Pooled  Connection.Open + Close on a warm pool (what every operation pays),
//   Fresh   a new provider session opened and closed (what it would pay without the pool),
//   Query   one "SELECT 1" on an open connection (the least SQL work an operation wraps),
// and prints Fresh/Pooled and Pooled/Query after the table.
//
// SQLite runs on a temporary file; PostgreSQL on the server named by MERXA_BENCH_CONNECTION
// (or MERXA_TEST_CONNECTION), and is skipped without one.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "bench/ratio_reporter.h"
#include "platform/data/connection.h"
#include "platform/data/provider.h"

namespace {

using namespace platform;
using namespace platform::data;

std::string sqliteConnection() {
  static const std::string cs =
      creatingDatabase("Provider=SQLite;Data Source=/tmp/merxa-bench-" + std::to_string(getpid()) + ".db");
  return cs;
}

std::string postgresConnection() {
  for (const char* name : {"MERXA_BENCH_CONNECTION", "MERXA_TEST_CONNECTION"}) {
    const char* v = std::getenv(name);
    if (v && *v && equalsNoCase(parseConnectionString(v)["PROVIDER"], "PostgreSQL")) return v;
  }
  return {};
}

void Pooled(benchmark::State& state, const std::string& cs) {
  auto cn = makeObject<Connection>();
  cn->open(cs);  // warms the pool
  cn->Close();
  for (auto _ : state) {
    cn->open(cs);
    cn->Close();
  }
}

void Fresh(benchmark::State& state, const std::string& cs) {
  const ConnectionProperties props = parseConnectionString(cs);
  const auto provider = findProvider(props.at("PROVIDER"));
  for (auto _ : state) {
    auto session = provider->open(props);
    benchmark::DoNotOptimize(session.get());
  }
}

void Query(benchmark::State& state, const std::string& cs) {
  auto cn = makeObject<Connection>();
  cn->open(cs);
  for (auto _ : state) benchmark::DoNotOptimize(cn->execute("SELECT 1 AS ONE"));
  cn->Close();
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::vector<std::pair<std::string, std::string>> targets{{"SQLite", sqliteConnection()}};
  if (std::string pg = postgresConnection(); !pg.empty())
    targets.emplace_back("PostgreSQL", pg);
  else
    std::fprintf(stderr, "PostgreSQL skipped: MERXA_BENCH_CONNECTION names no server\n");
  std::vector<std::string> names;
  for (const auto& [name, cs] : targets) {
    names.push_back(name);
    benchmark::RegisterBenchmark(("Pooled/" + name).c_str(), Pooled, cs);
    benchmark::RegisterBenchmark(("Fresh/" + name).c_str(), Fresh, cs);
    benchmark::RegisterBenchmark(("Query/" + name).c_str(), Query, cs);
  }
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const std::string& name : names) {
    reporter.printRatio(name + ": fresh / pooled open+close", "Fresh/" + name, "Pooled/" + name);
    reporter.printRatio(name + ": pooled open+close / SELECT 1", "Pooled/" + name, "Query/" + name);
  }
  benchmark::Shutdown();
  std::remove(parseConnectionString(sqliteConnection())["DATA SOURCE"].c_str());
  for (const char* suffix : {"-wal", "-shm"})
    std::remove((parseConnectionString(sqliteConnection())["DATA SOURCE"] + suffix).c_str());
}

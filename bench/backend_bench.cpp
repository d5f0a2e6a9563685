// What the backend frame costs over the ERP it asks. For one order line of the demo data
// (customer C1001, item BOLT-M8-50, option 1: price and discount):
//   Frame   Merxalink.PriceTax.GetPriceAndOrTax, late-bound, after one InitializeAction
//   Direct  the ERP stand-in's own price lookup: its PriceTaxManager's GetPriceAndOrTax,
//           late-bound, and the answer's three values read
// and prints Frame / Direct after the table. Both ask the same ERP database, so the ratio is
// the frame's own share (argument conversion, initial values, the guarded call).
//
// Runs on a fresh embedded database; with MERXA_TEST_CONNECTION naming a PostgreSQL server,
// on that server.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/data/provider.h"
#include "bench/ratio_reporter.h"
#include "platform/registry.h"
#include "tests/support/sales_fixture.h"

namespace {

using platform::Variant;

constexpr const char* kComponent = "MXL-NL01";

platform::Args lineInputs() {
  return {Variant(1),  Variant("C1001"), Variant("BOLT-M8-50"), Variant("EUR"), Variant("12/24/2026"),
          Variant(3),  Variant(3),       Variant("BOX"),        Variant(""),    Variant(""),
          Variant(""), Variant(34.5),    Variant(0.0)};
}

void Frame(benchmark::State& state) {
  platform::ObjectPtr priceTax = platform::createObject("Merxalink.PriceTax");
  platform::Args init{Variant("tv5"), Variant(kComponent), Variant()};
  priceTax->invoke("InitializeAction", platform::CallKind::Method, init);
  if (init[2].toLong() != 0) state.SkipWithError("InitializeAction failed");
  const platform::Args inputs = lineInputs();
  for (auto _ : state) {
    platform::Args args = inputs;
    args.resize(inputs.size() + 10);
    priceTax->invoke("GetPriceAndOrTax", platform::CallKind::Method, args);
    benchmark::DoNotOptimize(args[13]);
  }
  priceTax->call("CloseAction");
}

void Direct(benchmark::State& state) {
  platform::ObjectPtr manager = platform::createObject("Q50cMXLStdslsGetPriceAndTax.PriceTaxManager");
  manager->call("Initialize", {Variant(kComponent)});
  const platform::Args inputs = lineInputs();
  for (auto _ : state) {
    platform::Args args = inputs;
    platform::ObjectPtr answer = manager->invoke("GetPriceAndOrTax", platform::CallKind::Method, args).toObject();
    benchmark::DoNotOptimize(answer->call("getUnitPrice"));
    benchmark::DoNotOptimize(answer->call("getDiscountPercentage"));
    benchmark::DoNotOptimize(answer->call("getTotDiscountAmount"));
  }
  manager->call("Close");
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  testsupport::ensureEnvironment();
  testsupport::resetData();
  testsupport::resetErpData();
  benchmark::RegisterBenchmark("Frame", Frame)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("Direct", Direct)->Unit(benchmark::kMicrosecond);
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const std::string provider = platform::data::parseConnectionString(testsupport::connectionString())["PROVIDER"];
  reporter.printRatio(provider + ": GetPriceAndOrTax through the frame / the ERP's own lookup", "Frame", "Direct");
  benchmark::Shutdown();
}

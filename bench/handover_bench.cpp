// What the hand-over to the ERP adds to an order submission. For a stored basket of 50 priced
// lines of an item the ERP knows:
//   WithHandOver     Merxa.Order.SubmitBasket for an instance that sends its orders at once
//                    (EXPORTMESSAGETYPE "2"): the order is stored, created in the ERP stand-in
//                    and the ERP's numbers are written back
//   WithoutHandOver  the same submission for an instance whose orders wait for the export
// and prints WithHandOver / WithoutHandOver after the table. The basket is stored and restored
// before each iteration, outside the timing.
//
// Runs on a fresh embedded database; with MERXA_TEST_CONNECTION naming a PostgreSQL server,
// on that server.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "basket/basket.h"
#include "bench/bench_basket.h"
#include "bench/ratio_reporter.h"
#include "order/order.h"
#include "platform/data/connection.h"
#include "tests/support/sales_fixture.h"

namespace {

using platform::Variant;
using namespace platform::data;

constexpr int kLines = 50;

void execute(const std::string& sql) {
  auto cn = platform::makeObject<Connection>();
  cn->open(testsupport::connectionString());
  cn->executeNoRecords(sql);
  cn->Close();
}

void submit(benchmark::State& state, const char* exportType) {
  testsupport::resetData();
  testsupport::resetErpData();
  execute(std::string("UPDATE ORDEREXPORTFILE SET EXPORTMESSAGETYPE = '") + exportType + "' WHERE KIROID = 1");
  auto order = platform::makeObject<merxa::Order>();
  merxa::Basket basket;
  for (auto _ : state) {
    state.PauseTiming();
    const std::string id = bench::nextBasketId("HANDOVER");
    bench::storeBasket(id, kLines, {"BOX", "2030-12-24 00:00:00", "BOLT-M8-50", "H", true});
    const Variant document(basket.Restore(id));
    state.ResumeTiming();
    order->SubmitBasket(document);
  }
}

void WithHandOver(benchmark::State& state) { submit(state, "2"); }
void WithoutHandOver(benchmark::State& state) { submit(state, "1"); }

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  testsupport::ensureEnvironment();
  benchmark::RegisterBenchmark("WithHandOver", WithHandOver)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("WithoutHandOver", WithoutHandOver)->Unit(benchmark::kMillisecond);
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatio(parseConnectionString(testsupport::connectionString())["PROVIDER"] + ": SubmitBasket of " +
                          std::to_string(kLines) + " lines with the hand-over to the ERP / without it",
                      "WithHandOver", "WithoutHandOver");
  benchmark::Shutdown();
}

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
#include "bench/ratio_reporter.h"
#include "common/encoding.h"
#include "order/order.h"
#include "platform/data/connection.h"
#include "tests/support/sales_fixture.h"

namespace {

using platform::Variant;
using namespace platform::data;

constexpr int kLines = 50;

std::string nextBasketId() {
  static int counter = 0;
  char id[33];
  std::snprintf(id, sizeof id, "HANDOVER%024d", ++counter);
  return id;
}

void execute(const std::string& sql) {
  auto cn = platform::makeObject<Connection>();
  cn->open(testsupport::connectionString());
  cn->executeNoRecords(sql);
  cn->Close();
}

// A basket of customer 1001 (billing 101, shipping 102) for ERP instance 1, every line priced.
void storeBasket(const std::string& id) {
  const std::string basket = merxa::SqlLiteralText(id);
  auto cn = platform::makeObject<Connection>();
  cn->open(testsupport::connectionString());
  cn->BeginTrans();
  cn->executeNoRecords(
      "INSERT INTO BASKETHEADER (BASKETID, USERID, BUSINESSPARTNERID, BASKETNAME, BASKETDATE, BILLINGADDRESSID, "
      "SHIPPINGADDRESSID, CURRENCYCODE, CARRIERCODE, KIROID, DISCOUNTPERC, TOTALNETAMOUNT, DISCOUNTTOTAL, SUBTOTAL, "
      "TOTAL, ORDERTYPE, CALCULATETAX) VALUES (" + basket + ", 'U1', 1001, 'Bench order', '2026-12-01 00:00:00', 101, "
      "102, 'EUR', 'ROAD', 1, 0, 1250, 0, 1250, 1250, 'SO', 1)");
  for (int nr = 1; nr <= kLines; ++nr)
    cn->executeNoRecords(
        "INSERT INTO BASKETLINE (BASKETID, BASKETLINENR, SKU, QUANTITY, REQUESTDATE, ADDRESSID, PRODUCTCONFIGURABLE, "
        "PRODUCTUNITCODE, PRODUCTPRICE, DISCOUNTPERC, DISCOUNTAMOUNT, LINEDISCOUNTAMOUNT, ORDERDISCOUNTAMOUNT, "
        "LINEAMOUNT, PARTNUMBER, TAXCODE) VALUES (" + basket + ", " + std::to_string(nr) + ", 4711, 2, "
        "'2030-12-24 00:00:00', 102, 0, 'BOX', 12.5, 0, 0, 0, 0, 25, 'BOLT-M8-50', 'H')");
  cn->CommitTrans();
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
    const std::string id = nextBasketId();
    storeBasket(id);
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

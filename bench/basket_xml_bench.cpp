// What the order form costs against reading the basket it shows. For a stored basket of 100
// lines, every column filled, each line its own amounts, tax of two codes, four request dates
// and each line shipped to one of the customer's two addresses:
//   Restore       Merxa.Basket.Restore of the basket
//   RestoreSelects  the two SELECTs Restore sends, on the bare driver (sqlite3, libpq) of a
//                 session of the provider's pool
//   ConvertToXML  Merxa.Basket.ConvertToXML of the restored document, with the application's
//                 message manager (which has read its captions once, as a running shop's has)
//   OrderForm     both for a freshly restored basket, as the order page does: on PostgreSQL
//                 rows are decoded when first read, which is here, where every value is read
// and prints Restore / RestoreSelects, ConvertToXML / Restore and OrderForm / RestoreSelects
// after the table.
//
// Runs on a fresh embedded database; with MERXA_TEST_CONNECTION naming a PostgreSQL server,
// on that server.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "basket/basket.h"
#include "bench/bare_driver.h"
#include "bench/ratio_reporter.h"
#include "common/encoding.h"
#include "platform/data/connection.h"
#include "platform/data/pool.h"
#include "platform/registry.h"
#include "tests/support/sales_fixture.h"

namespace {

using platform::Variant;

constexpr int kLines = 100;
constexpr const char* kBasketId = "BENCHXML00000000000000000000000X";

void storeBasket() {
  const std::string basket = merxa::SqlLiteralText(kBasketId);
  auto cn = platform::makeObject<platform::data::Connection>();
  cn->open(testsupport::connectionString());
  cn->BeginTrans();
  cn->executeNoRecords(
      "INSERT INTO BASKETHEADER (BASKETID, USERID, BUSINESSPARTNERID, BASKETNAME, BASKETDATE, BASKETTEXT, "
      "BILLINGADDRESSID, SHIPPINGADDRESSID, CURRENCYCODE, CARRIERCODE, PAYMENTMETHOD, KIROID, CUSTOMERNAME, "
      "CUSTOMERPONUMBER, CURRENCYSYMBOL, USERLOCALE, DISCOUNTPERC, TOTALNETAMOUNT, DISCOUNTTOTAL, SUBTOTAL, TAXTOTAL, "
      "FREIGHTTOTAL, FREIGHTTAXTOTAL, TOTAL, FREIGHTTAXCODE, FREIGHTTAXCODEDESCRIPTION, FREIGHTTAXPERC) VALUES (" +
      basket +
      ", 'U1', 1001, 'Bench order', '2026-12-01 00:00:00', 'Deliver to dock 3', 101, 102, 'EUR', 'ROAD', 2, 1, "
      "'Acme Industrial Supplies', 'PO-1', '\xE2\x82\xAC', 1033, 0, 2500, 0, 2500, 400, 10, 1.9, 2911.9, 'H', "
      "'VAT high', 19)");
  for (int nr = 1; nr <= kLines; ++nr) {
    // Every line its own price, quantity, amount and tax; four request dates.
    const bool high = nr % 4 != 0;
    const double price = 10 + nr * 0.25, quantity = nr % 7 + 1, amount = price * quantity;
    const double tax = std::round(amount * (high ? 19 : 7)) / 100;
    char values[512];
    std::snprintf(values, sizeof values,
                  "%d, %d, %g, '2026-12-%02d 00:00:00', %d, 'Line %d', 0, 'EA', 'PART-%d', %.2f, 0, 0, 0, 0, %.2f, 0, "
                  "%s, %.2f, 0",
                  nr, 4700 + nr, quantity, 20 + nr % 4, nr % 2 ? 102 : 101, nr, nr, price, amount,
                  high ? "'H', 'VAT high', 19" : "'L', 'VAT low', 7", tax);
    cn->executeNoRecords(
        "INSERT INTO BASKETLINE (BASKETID, BASKETLINENR, SKU, QUANTITY, REQUESTDATE, ADDRESSID, LINETEXT, "
        "PRODUCTCONFIGURABLE, PRODUCTUNITCODE, PARTNUMBER, PRODUCTPRICE, DISCOUNTPERC, DISCOUNTAMOUNT, "
        "LINEDISCOUNTAMOUNT, ORDERDISCOUNTAMOUNT, LINEAMOUNT, FREIGHTAMOUNT, TAXCODE, TAXCODEDESCRIPTION, TAXPERCENTAGE, "
        "TAXAMOUNT, FREIGHTTAXAMOUNT) VALUES (" + basket + ", " + values + ")");
  }
  cn->CommitTrans();
  cn->Close();
}

void Restore(benchmark::State& state) {
  merxa::Basket basket;
  for (auto _ : state) benchmark::DoNotOptimize(basket.Restore(kBasketId));
}

// Restore's two SELECTs on the bare driver of a pooled session.
void RestoreSelects(benchmark::State& state) {
  const auto props = platform::data::parseConnectionString(testsupport::connectionString());
  const std::string id = merxa::SqlLiteralText(kBasketId);
  for (auto _ : state) {
    auto session = platform::data::ConnectionPool::instance().acquire(props);
    bench::BareDriver driver(*session);
    driver.run("SELECT * FROM BASKETHEADER WHERE BASKETID = " + id);
    driver.run("SELECT * FROM BASKETLINE WHERE BASKETID = " + id + " order by BASKETLINENR");
    platform::data::ConnectionPool::instance().release(props, std::move(session));
  }
}

void ConvertToXML(benchmark::State& state) {
  merxa::Basket basket;
  const Variant manager(platform::createObject("Corvane.MessageManager"));
  const Variant document(basket.Restore(kBasketId));
  for (auto _ : state) benchmark::DoNotOptimize(basket.ConvertToXML(document, manager, "1033"));
}

void OrderForm(benchmark::State& state) {
  merxa::Basket basket;
  const Variant manager(platform::createObject("Corvane.MessageManager"));
  for (auto _ : state) {
    const Variant document(basket.Restore(kBasketId));
    benchmark::DoNotOptimize(basket.ConvertToXML(document, manager, "1033"));
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  testsupport::ensureEnvironment();
  testsupport::resetData();
  storeBasket();
  benchmark::RegisterBenchmark("Restore", Restore)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("RestoreSelects", RestoreSelects)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("ConvertToXML", ConvertToXML)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("OrderForm", OrderForm)->Unit(benchmark::kMillisecond);
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const std::string provider = platform::data::parseConnectionString(testsupport::connectionString())["PROVIDER"];
  reporter.printRatio(provider + ": Restore of " + std::to_string(kLines) + " lines / its SELECTs on the bare driver",
                      "Restore", "RestoreSelects");
  reporter.printRatio(provider + ": ConvertToXML of " + std::to_string(kLines) + " lines / Restore of the same basket",
                      "ConvertToXML", "Restore");
  reporter.printRatio(provider + ": Restore and ConvertToXML of " + std::to_string(kLines) +
                          " lines / the SELECTs on the bare driver",
                      "OrderForm", "RestoreSelects");
  benchmark::Shutdown();
}

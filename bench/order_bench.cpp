// What order submission costs over the SQL it sends. For a stored basket of 50 priced lines:
//   SubmitBasket  Merxa.Order.SubmitBasket of the restored basket document
//   Statements    the statements a submission sends, executed on the bare driver (sqlite3,
//                 libpq) of a session of the provider's pool, in one transaction: per address
//                 the history lookup, the two address reads and the history insert; the order
//                 header; 50 order lines; the two basket deletes; after the commit, the
//                 instance's export setting. A traced submission checks that the list still
//                 matches what SubmitBasket sends.
// and prints SubmitBasket / Statements after the table. The basket is stored (and, for
// SubmitBasket, restored) before each iteration, outside the timing; each run starts on freshly
// loaded demonstration data, so neither meets the other's orders.
//
// Runs on a fresh embedded database; with MERXA_TEST_CONNECTION naming a PostgreSQL server,
// on that server.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "basket/basket.h"
#include "bench/bare_driver.h"
#include "bench/bench_basket.h"
#include "bench/ratio_reporter.h"
#include "common/encoding.h"
#include "order/order.h"
#include "platform/data/connection.h"
#include "platform/data/pool.h"
#include "platform/data/testing.h"
#include "tests/support/sales_fixture.h"

namespace {

using platform::Variant;
using namespace platform::data;

constexpr int kLines = 50;

std::string nextBasketId() { return bench::nextBasketId("BENCH"); }

void storeBasket(const std::string& id) {
  bench::storeBasket(id, kLines, {"EA", "2026-12-24 00:00:00", nullptr, nullptr, false});
}

// The statements SubmitBasket sends for the basket storeBasket makes, in its order.
std::vector<std::string> submissionStatements(const std::string& id) {
  const std::string order = merxa::SqlLiteralText(id);
  std::vector<std::string> sql;
  const char* history[] = {
      "101, 'NL', 'Acme Industrial Supplies', 'Accounts payable', 'Industrieweg 4', 'Postbus 77', 'Eindhoven', NULL, "
      "'Noord-Brabant', '5652 AA', '+31 40 555 1234', NULL, 'Netherlands', 'Billing', 'AC0101'",
      "102, 'NL', 'Acme Industrial Supplies', 'Goods receiving', 'Logistiekstraat 9', NULL, 'Venlo', NULL, "
      "'Limburg', '5928 PZ', '+31 77 555 9876', NULL, 'Netherlands', 'Warehouse', 'AC0102'"};
  for (int i = 0; i < 2; ++i) {
    const std::string address = std::to_string(101 + i);
    sql.push_back("SELECT * FROM ADDRESSHISTORY WHERE ORDERID = " + order + " AND ADDRESSID = " + address);
    sql.push_back("SELECT A.COUNTRYCODE, A.NAME1, A.NAME2, A.STREET1, A.STREET2, A.CITY1, A.CITY2, A.STATEPROVINCE, "
                  "A.ZIPCODE, A.PHONE, A.FAX, C.COUNTRYNAME, A.SHORTDESCRIPTION FROM ADDRESS A LEFT JOIN COUNTRY C "
                  "ON C.COUNTRYCODE = A.COUNTRYCODE WHERE A.ADDRESSID = " + address);
    sql.push_back("SELECT KIROADDRESSCODE FROM ADDRESS WHERE ADDRESSID = " + address);
    sql.push_back("INSERT INTO ADDRESSHISTORY (ORDERID, ADDRESSID, COUNTRYCODE, NAME1, NAME2, STREET1, STREET2, CITY1, "
                  "CITY2, STATEPROVINCE, ZIPCODE, PHONE, FAX, COUNTRYNAME, SHORTDESCRIPTION, KIROADDRESSCODE) "
                  "VALUES (" + order + ", " + history[i] + ")");
  }
  sql.push_back(
      "INSERT INTO ORDERHEADER (ORDERID, CURRENCYCODE, USERID, SHIPPINGADDRESSID, BILLINGADDRESSID, "
      "BUSINESSPARTNERID, CARRIERCODE, ORDERLISTNAME, ORDERSTATUS, ORDERDATE, ORDERTYPE, HEADERTEXT, SALESORDERNR, "
      "QUOTATIONID, DISCOUNTPERC, CUSTOMERPONR, ACKNOWLEDGEMENTURL, KIROID, FREIGHTTOTAL, WEBPAYMENTMETHOD, FREIGHTTAX, "
      "CALCULATETAX, CURRENCYDECIMALS, CUSTOMERCODE, CUSTOMERNAME, FREIGHTTAXCODE, FREIGHTTAXCODEDESCRIPTION, "
      "FREIGHTTAXPERC, SUBTOTAL, TAXTOTAL, TOTAL, TOTALNETAMOUNT, DISCOUNTTOTAL, CURRENCYSYMBOL) VALUES (" + order +
      ", 'EUR', 'U1', 102, 101, 1001, 'ROAD', 'Bench order', 0, '2026-12-01 00:00:00', NULL, NULL, '', NULL, 0, NULL, "
      "NULL, 1, NULL, 1, NULL, 0, NULL, NULL, NULL, NULL, NULL, NULL, 1250, NULL, 1250, 1250, 0, NULL)");
  for (int nr = 1; nr <= kLines; ++nr)
    sql.push_back(
        "INSERT INTO ORDERLINE (ORDERID, LINENR, PRODUCTID, UNITCODE, ADDRESSID, QUANTITY, PRICE, DISCOUNTPERC, "
        "DISCOUNTAMOUNT, AMOUNT, CONFIGID, CONFIGCOMPLETE, LINETEXT, REQUESTDATE, ALLOCATIONDATE, LINETAX, LINEFREIGHT, "
        "TAXCODE, TAXPERCENTAGE, TAXCODEDESCRIPTION, LINEFREIGHTTAX, LINESTATUS, ORDERDISCOUNT, PARTNUMBER) VALUES (" +
        order + ", " + std::to_string(nr) + ", " + std::to_string(4700 + nr) +
        ", 'EA', 102, 2, 12.5, 0, 0, 25, NULL, 0, NULL, '2026-12-24 00:00:00', NULL, 0, 0, NULL, 0, NULL, 0, 0, 0, "
        "NULL)");
  sql.push_back("DELETE FROM BASKETLINE WHERE BASKETID = " + order);
  sql.push_back("DELETE FROM BASKETHEADER WHERE BASKETID = " + order);
  return sql;
}

// One submission's statements on the bare driver of `session`, in one transaction, then the
// export setting after the commit.
void runBare(ProviderConnection& session, const std::vector<std::string>& sql) {
  bench::BareDriver driver(session);
  driver.begin();
  for (const std::string& statement : sql) driver.run(statement);
  driver.run("COMMIT");
  driver.run("SELECT EXPORTMESSAGETYPE FROM ORDEREXPORTFILE WHERE KIROID= '1'");
}

// The statement list above must stay the one SubmitBasket sends: the same number of
// statements, each of the same kind on the same table.
void checkStatementsMatchASubmission() {
  const std::string id = nextBasketId();
  storeBasket(id);
  merxa::Basket basket;
  const Variant document(basket.Restore(id));
  platform::data::StatementTrace trace;
  platform::makeObject<merxa::Order>()->SubmitBasket(document);
  const std::vector<std::string> expected = submissionStatements(id);
  auto shape = [](std::string s) {
    s.erase(std::remove(s.begin(), s.end(), '"'), s.end());
    const size_t cut = s.find_first_of("(=");
    return s.substr(0, std::min(cut, size_t{40}));
  };
  const auto& sent = trace.statements();
  bool same = sent.size() == expected.size() + 1;  // and the export setting after the commit
  for (size_t i = 0; same && i < expected.size(); ++i) same = shape(sent[i]) == shape(expected[i]);
  if (!same) {
    std::fprintf(stderr, "order_bench: the baseline no longer matches what SubmitBasket sends:\n");
    for (const std::string& s : sent) std::fprintf(stderr, "  %s\n", s.substr(0, 100).c_str());
    std::exit(1);
  }
}

void SubmitBasket(benchmark::State& state) {
  testsupport::resetData();
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

void Statements(benchmark::State& state) {
  testsupport::resetData();
  const ConnectionProperties props = parseConnectionString(testsupport::connectionString());
  for (auto _ : state) {
    state.PauseTiming();
    const std::string id = nextBasketId();
    storeBasket(id);
    const std::vector<std::string> sql = submissionStatements(id);
    state.ResumeTiming();
    auto session = ConnectionPool::instance().acquire(props);
    runBare(*session, sql);
    ConnectionPool::instance().release(props, std::move(session));
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  testsupport::ensureEnvironment();
  benchmark::RegisterBenchmark("SubmitBasket", SubmitBasket)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Statements", Statements)->Unit(benchmark::kMillisecond);
  testsupport::resetData();
  checkStatementsMatchASubmission();
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatio(parseConnectionString(testsupport::connectionString())["PROVIDER"] + ": SubmitBasket of " +
                          std::to_string(kLines) + " lines / its statements run directly",
                      "SubmitBasket", "Statements");
  benchmark::Shutdown();
}

// What making a quotation costs over the SQL it sends. For a stored basket of 50 lines of
// customer 1001, priced from the web price lists:
//   Create      Merxa.Quotation.Create of the restored basket document
//   Statements  the statements one Create sent (traced once before the runs), executed on a
//               pooled connection of the data layer in one transaction, each call of the
//               price procedure GetPrice with the arguments of a line
// and prints Create / Statements after the table. Before each iteration, outside the timing,
// the quotation of the previous one is deleted and the basket stored (and, for Create,
// restored) again under the same identifier, so that both replay the same statements.
//
// Runs on a fresh embedded database; with MERXA_TEST_CONNECTION naming a PostgreSQL server,
// on that server.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "basket/basket.h"
#include "bench/ratio_reporter.h"
#include "common/lib_sales.h"
#include "platform/data/command.h"
#include "platform/data/connection.h"
#include "platform/data/recordset.h"
#include "platform/data/testing.h"
#include "quotation/quotation.h"
#include "tests/support/sales_fixture.h"

namespace {

using platform::Variant;
using namespace platform::data;

constexpr int kLines = 50;
const std::string kId = "BENCHQUOTATION000000000000000001";

// Deletes the quotation of the last iteration and stores the basket again.
void storeBasket() {
  auto cn = merxa::Sls_GetOpenConnection(merxa::Sls_ConnectionString());
  cn->BeginTrans();
  cn->executeNoRecords("DELETE FROM QUOTATIONLINE WHERE QUOTATIONID = '" + kId + "'");
  cn->executeNoRecords("DELETE FROM QUOTATIONHEADER WHERE QUOTATIONID = '" + kId + "'");
  cn->executeNoRecords("DELETE FROM BASKETLINE WHERE BASKETID = '" + kId + "'");
  cn->executeNoRecords("DELETE FROM BASKETHEADER WHERE BASKETID = '" + kId + "'");
  cn->executeNoRecords(
      "INSERT INTO BASKETHEADER (BASKETID, USERID, BUSINESSPARTNERID, BASKETNAME, BASKETDATE, BILLINGADDRESSID, "
      "SHIPPINGADDRESSID, CURRENCYCODE, CARRIERCODE, KIROID, PRICINGMETHOD, USERLOCALE, CUSTOMERCODE) VALUES ('" +
      kId + "', 'U1', 1001, 'Bench quotation', '2026-12-01 00:00:00', 101, 102, 'EUR', 'ROAD', 1, 1, 1033, 'C1001')");
  for (int nr = 1; nr <= kLines; ++nr)
    cn->executeNoRecords("INSERT INTO BASKETLINE (BASKETID, BASKETLINENR, SKU, PARTNUMBER, QUANTITY, REQUESTDATE, "
                         "PRODUCTCONFIGURABLE) VALUES ('" + kId + "', " + std::to_string(nr) + ", " +
                         (nr % 2 ? "4711, 'BOLT-M8-50'" : "4713, 'WASHER-M8'") + ", 2, '2026-12-24 00:00:00', 0)");
  cn->CommitTrans();
  merxa::Sls_CloseConnection(cn);
}

// The price procedure as Merxa.Pricing calls it, for one line.
void callGetPrice(const ConnectionPtr& cn) {
  auto cmd = platform::makeObject<Command>();
  cmd->SetActiveConnection(Variant(cn));
  cmd->SetCommandText("GetPrice");
  cmd->SetCommandType(adCmdStoredProc);
  auto params = cmd->GetParameters();
  const auto add = [&](const char* name, DataType type, int size, Variant value) {
    params->Append(cmd->CreateParameter(Variant(name), Variant(static_cast<int>(type)),
                                        Variant(static_cast<int>(adParamInput)), Variant(size), std::move(value)));
  };
  add("@PRODID", adInteger, 4, Variant(4711));
  add("@BPID", adInteger, 4, Variant(1001));
  add("@CURRENCY", adWChar, 3, Variant("EUR"));
  add("@HOMECURRENCY", adWChar, 3, Variant("EUR"));
  add("@ORDERDATE", adDBTimeStamp, 0, Variant(platform::Date::fromParts(2026, 12, 24)));
  auto rs = platform::makeObject<Recordset>();
  rs->SetCursorLocation(adUseClient);
  rs->Open(Variant(cmd), Variant::missing(), Variant(static_cast<int>(adOpenForwardOnly)),
           Variant(static_cast<int>(adLockReadOnly)), Variant(static_cast<int>(adCmdStoredProc)));
  benchmark::DoNotOptimize(rs->RecordCount());
}

std::vector<std::string> traceOneCreate() {
  storeBasket();
  merxa::Basket basket;
  const Variant document(basket.Restore(kId));
  StatementTrace trace;
  merxa::Quotation().Create(document);
  return trace.statements();
}

void Create(benchmark::State& state) {
  merxa::Basket basket;
  merxa::Quotation quotation;
  for (auto _ : state) {
    state.PauseTiming();
    storeBasket();
    const Variant document(basket.Restore(kId));
    state.ResumeTiming();
    quotation.Create(document);
  }
}

void Statements(benchmark::State& state, const std::vector<std::string>& sql) {
  for (auto _ : state) {
    state.PauseTiming();
    storeBasket();
    state.ResumeTiming();
    merxa::ScopedConnection cn;
    merxa::ScopedTransaction tx(cn.get());
    for (const std::string& statement : sql) {
      if (statement == "GetPrice")
        callGetPrice(cn.get());
      else if (statement.rfind("SELECT", 0) == 0)
        benchmark::DoNotOptimize(cn->execute(statement)->RecordCount());
      else
        cn->executeNoRecords(statement);
    }
    tx.commit();
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  testsupport::ensureEnvironment();
  testsupport::resetData();
  const std::vector<std::string> sql = traceOneCreate();
  benchmark::RegisterBenchmark("Create", Create)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Statements", [&sql](benchmark::State& state) { Statements(state, sql); })
      ->Unit(benchmark::kMillisecond);
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatio("Create of a " + std::to_string(kLines) + "-line quotation / its statements run directly",
                      "Create", "Statements");
  benchmark::Shutdown();
}

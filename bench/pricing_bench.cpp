// What a web price costs beyond the price list's own SQL. Against a list of 100,000 prices,
// for each provider this measures
//   Procedure   the bare call of GetPrice: pooled connection, command with its five
//               parameters, the rows read (the SQL work GetWebPrice wraps),
//   WebPrice    Pricing.GetWebPrice of a price in the requested currency (the home
//               currency looked up, the procedure called, the first row copied),
//   Converted   the same asked for in dollars, which the list has not: the euro price is
//               converted at the day's rates by the currency component,
// each as calls per second, and prints WebPrice and Converted as ratios to Procedure.
//
// SQLite runs on a temporary file; PostgreSQL on the server named by MERXA_BENCH_CONNECTION
// (or MERXA_TEST_CONNECTION), in a schema of its own that is dropped afterwards, and is skipped
// without one.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "bench/ratio_reporter.h"
#include "common/lib_sales.h"
#include "platform/data/command.h"
#include "platform/data/connection.h"
#include "platform/data/pool.h"
#include "pricing/pricing.h"
#include "schema/schema.h"

namespace {

using namespace platform;
using namespace platform::data;
namespace fs = std::filesystem;

constexpr int kProducts = 25000;  // four prices each
const Date kOrderDate = Date::fromParts(2026, 3, 1);

struct Target {
  std::string name;
  fs::path home;
  std::string connectionString;
};

void write(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

void run(const std::string& cs, const std::vector<std::string>& statements) {
  auto cn = makeObject<Connection>();
  cn->open(creatingDatabase(cs));
  cn->BeginTrans();
  for (const std::string& sql : statements) cn->executeNoRecords(sql);
  cn->CommitTrans();
  cn->Close();
}

// An installation in `home` whose sales database holds the schema, the demonstration data and
// the price list: products 100000 and up, each with three euro periods and a pound price.
Target install(const std::string& name, const std::string& provider, std::string cs) {
  const fs::path home = fs::temp_directory_path() / ("merxa-pricing-bench-" + name + "-" + std::to_string(getpid()));
  fs::create_directories(home / "config");
  if (provider == "SQLite") cs = "Provider=SQLite;Data Source=" + (home / "sales.db").string();
  std::vector<std::string> sql = schema::statements(schema::salesSchemaSql(provider));
  for (std::string& s : schema::statements(schema::demoDataSql())) sql.push_back(std::move(s));
  for (int first = 0; first < kProducts; first += 500) {
    std::string insert = "INSERT INTO PRODUCTPRICE (PRODUCTID, EFFECTIVEDATE, CURRENCYCODE, EXPIRYDATE, PRICE) VALUES ";
    for (int i = first; i < first + 500; ++i) {
      const std::string id = std::to_string(100000 + i), price = std::to_string(1 + i % 97);
      auto row = [&](int from, const char* currency, int to) {
        auto date = [](int year) { return "'" + std::to_string(year) + "-01-01 00:00:00'"; };
        return "(" + id + ", " + date(from) + ", '" + currency + "', " + (to ? date(to) : "NULL") + ", " + price + ")";
      };
      insert += std::string(i == first ? "" : ", ") + row(2024, "EUR", 2025) + ", " + row(2025, "EUR", 2026) + ", " +
                row(2026, "EUR", 0) + ", " + row(2026, "GBP", 0);
    }
    sql.push_back(std::move(insert));
  }
  run(cs, sql);
  write(home / "config" / "MerxaConfiguration.xml", schema::merxaConfigurationXml(cs));
  write(home / "config" / "siteconfiguration.xml", schema::siteConfigurationXml());
  write(home / "installations.xml", schema::installationsXml({{"bench", (home / "config").string()}}));
  return {name, home, cs};
}

// Points this thread at the target's installation.
void use(const Target& t) {
  setenv("CORVANE_HOME", t.home.c_str(), 1);
  merxa::testing::forgetThreadCaches();
}

int32_t productOf(int64_t iteration) { return 100000 + static_cast<int32_t>(iteration % kProducts); }

void Procedure(benchmark::State& state, const Target& t) {
  use(t);
  int64_t n = 0;
  for (auto _ : state) {
    auto cn = makeObject<Connection>();
    cn->open(t.connectionString);
    auto cmd = makeObject<Command>();
    cmd->SetActiveConnection(Variant(cn));
    cmd->SetCommandText("GetPrice");
    cmd->SetCommandType(adCmdStoredProc);
    const std::tuple<const char*, int, int, Variant> parameters[] = {
        {"@PRODID", adInteger, 4, Variant(productOf(n++))}, {"@BPID", adInteger, 4, Variant(1003)},
        {"@CURRENCY", adWChar, 3, Variant("EUR")},           {"@HOMECURRENCY", adWChar, 3, Variant("EUR")},
        {"@ORDERDATE", adDBTimeStamp, 0, Variant(kOrderDate)}};
    for (const auto& [name, type, size, value] : parameters)
      cmd->GetParameters()->Append(
          cmd->CreateParameter(Variant(name), Variant(type), Variant(static_cast<int>(adParamInput)), Variant(size), value));
    Variant affected;
    auto rs = cmd->Execute(affected, Variant::missing(), Variant::missing());
    benchmark::DoNotOptimize(rs->value("PRICE"));
    cn->Close();
  }
  state.SetItemsProcessed(state.iterations());
}

void WebPrice(benchmark::State& state, const Target& t, const char* currency) {
  use(t);
  merxa::Pricing pricing;
  int64_t n = 0;
  for (auto _ : state) {
    std::string code = currency;
    if (!pricing.GetWebPrice(productOf(n++), 1003, kOrderDate, code)) state.SkipWithError("no price");
  }
  state.SetItemsProcessed(state.iterations());
}

std::string postgresConnection() {
  for (const char* name : {"MERXA_BENCH_CONNECTION", "MERXA_TEST_CONNECTION"}) {
    const char* v = std::getenv(name);
    if (v && *v && equalsNoCase(parseConnectionString(v)["PROVIDER"], "PostgreSQL")) return v;
  }
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::vector<Target> targets{install("SQLite", "SQLite", {})};
  const std::string server = postgresConnection();
  const std::string schemaName = "merxa_bench_" + std::to_string(getpid());
  if (!server.empty()) {
    run(server, {"CREATE SCHEMA " + schemaName});
    targets.push_back(install("PostgreSQL", "PostgreSQL", server + ";Schema=" + schemaName));
  } else {
    std::fprintf(stderr, "PostgreSQL skipped: MERXA_BENCH_CONNECTION names no server\n");
  }
  for (const Target& t : targets) {
    // Real time: on a server most of a call is spent waiting for it.
    benchmark::RegisterBenchmark(("Procedure/" + t.name).c_str(), Procedure, t)->UseRealTime();
    benchmark::RegisterBenchmark(("WebPrice/" + t.name).c_str(), WebPrice, t, "EUR")->UseRealTime();
    benchmark::RegisterBenchmark(("Converted/" + t.name).c_str(), WebPrice, t, "USD")->UseRealTime();
  }
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const Target& t : targets) {
    reporter.printRatio(t.name + ": GetWebPrice / bare GetPrice", "WebPrice/" + t.name, "Procedure/" + t.name);
    reporter.printRatio(t.name + ": converted GetWebPrice / bare GetPrice", "Converted/" + t.name, "Procedure/" + t.name);
  }
  benchmark::Shutdown();
  ConnectionPool::instance().closeIdle();
  if (!server.empty()) run(server, {"DROP SCHEMA " + schemaName + " CASCADE"});
  for (const Target& t : targets) fs::remove_all(t.home);
}

// The basket round trip (Create, the header's BASKETID, Save, Restore) through merxa serve over
// loopback HTTP, as a ratio to the same late-bound calls made in this process.
#include <benchmark/benchmark.h>
#include <httplib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "bench/ratio_reporter.h"
#include "platform/registry.h"
#include "tests/support/sales_fixture.h"

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;
using platform::Variant;

const std::string kToken = "bench-page-token-0123456789abcdef";
int servicePort = 0;

// Both sides make the same five late-bound calls, each on a Merxa.Basket made for the call as
// the service makes one for every call by ProgID: Create, the header's Item and its BASKETID,
// Save, Restore.
void inProcessRoundTrip(benchmark::State& state) {
  for (auto _ : state) {
    const Variant document = platform::createObject("Merxa.Basket")->call("Create", {Variant("U1"), Variant(1001)});
    platform::Args item{Variant("header")}, field{Variant("BASKETID")};
    const Variant header = document.toObject()->invoke("Item", platform::CallKind::PropertyGet, item);
    const Variant id = header.toObject()->invoke("Collect", platform::CallKind::PropertyGet, field);
    platform::createObject("Merxa.Basket")->call("Save", {document});
    benchmark::DoNotOptimize(platform::createObject("Merxa.Basket")->call("Restore", {id}));
  }
}

void httpRoundTrip(benchmark::State& state) {
  httplib::Client client("127.0.0.1", servicePort);
  client.set_keep_alive(true);
  client.set_tcp_nodelay(true);
  const httplib::Headers headers{{"Authorization", "Bearer " + kToken}};
  std::string session;
  auto call = [&](Json request) {
    if (!session.empty()) request["session"] = session;
    auto res = client.Post("/call", headers, request.dump(), "application/json");
    if (!res || res->status != 200) throw std::runtime_error("call failed: " + request.dump() + " -> " + (res ? res->body : std::string("no answer")));
    Json answer = Json::parse(res->body);
    session = answer["session"];
    return answer;
  };
  auto handle = [](const Json& value) { return Json{{"handle", value["handle"]}}; };
  for (auto _ : state) {
    const Json doc = call({{"object", "Merxa.Basket"}, {"member", "Create"}, {"args", {"U1", 1001}}})["result"];
    const Json header = call({{"object", handle(doc)}, {"member", "Item"}, {"kind", "get"}, {"args", {"header"}}})["result"];
    const Json id = call({{"object", handle(header)}, {"member", "Collect"}, {"kind", "get"}, {"args", {"BASKETID"}}})["result"];
    call({{"object", "Merxa.Basket"}, {"member", "Save"}, {"args", {handle(doc)}}});
    const Json restored = call({{"object", "Merxa.Basket"}, {"member", "Restore"}, {"args", {id}}})["result"];
    // What the in-process side does by dropping its references.
    call({{"release", {doc["handle"], header["handle"], restored["handle"]}}});
  }
}

BENCHMARK(inProcessRoundTrip)->UseRealTime();
BENCHMARK(httpRoundTrip)->UseRealTime();

std::string slurp(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

int main(int argc, char** argv) {
  // The database goes in memory unless TMPDIR says otherwise: on a disk the commits' flushes
  // take most of a round trip, and their time swings by a factor of two from run to run and
  // from process to process, which left the ratio saying nothing about either side.
  if (!getenv("TMPDIR") && fs::is_directory("/dev/shm")) setenv("TMPDIR", "/dev/shm", 1);
  testsupport::ensureEnvironment();
  testsupport::resetData();
  const fs::path home = testsupport::corvaneHome();
  fs::create_directories(home / "merxa/config");
  Json config = {{"pageToken", kToken},
                 {"adminToken", kToken + "-admin"},
                 {"page", {{"create", {{"Merxa.Basket", {"*"}}}}, {"handles", {{"Scripting.Dictionary", {"*"}}, {"ADODB.Recordset", {"Collect"}}}}}}};
  std::ofstream(home / "merxa/config/service.json") << config.dump();
  const pid_t pid = fork();
  if (pid == 0) {
    const std::string out = (home / "serve.out").string();
    if (!freopen(out.c_str(), "w", stdout) || !freopen("/dev/null", "w", stderr)) _exit(127);
    execl(MERXA_COMMAND, MERXA_COMMAND, "serve", "--port", "0", "--home", home.c_str(), nullptr);
    _exit(127);
  }
  for (int i = 0; i < 200 && servicePort == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
    const std::string out = slurp(home / "serve.out");
    const size_t colon = out.rfind(':');
    if (colon != std::string::npos) servicePort = std::atoi(out.c_str() + colon + 1);
  }
  benchmark::Initialize(&argc, argv);
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatio("basket round trip over HTTP / in-process", "httpRoundTrip", "inProcessRoundTrip");
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  return 0;
}

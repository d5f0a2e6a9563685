// merxa serve as a shop's pages reach it: a process on a free loopback port, spoken to over
// HTTP only.
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

#include "tests/support/test_server.h"

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

std::string slurp(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// One installation and one service for the suite.
class Service {
 public:
  // idleSeconds: how long a client session may stay unused (short for the expiry test).
  explicit Service(int idleSeconds = 1, const std::string& name = "serve") {
    home_ = fs::temp_directory_path() / ("merxa-" + name + "-test-" + std::to_string(getpid()));
    fs::remove_all(home_);
    fs::create_directories(home_);
    const std::string server = testsupport::serverConnectionString();
    std::string setup = std::string(MERXA_COMMAND) + " setup --home '" + home_.string() + "'";
    if (!server.empty()) setup += " --force --postgres '" + server + "'";
    if (std::system((setup + " >/dev/null").c_str()) != 0) throw std::runtime_error("setup failed");
    Json config = Json::parse(slurp(home_ / "merxa/config/service.json"));
    config["limits"]["sessionIdleSeconds"] = idleSeconds;
    config["limits"]["maxRequestBytes"] = 65536;
    std::ofstream(home_ / "merxa/config/service.json") << config.dump(2);
    pageToken = config["pageToken"];
    adminToken = config["adminToken"];

    pid_ = fork();
    if (pid_ == 0) {
      const std::string out = (home_ / "serve.out").string(), err = (home_ / "serve.err").string();
      freopen(out.c_str(), "w", stdout);
      freopen(err.c_str(), "w", stderr);
      setenv("CORVANE_LOG", (home_ / "log").c_str(), 1);
      execl(MERXA_COMMAND, MERXA_COMMAND, "serve", "--port", "0", "--home", home_.c_str(), nullptr);
      _exit(127);
    }
    for (int i = 0; i < 200 && port == 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
      const std::string out = slurp(home_ / "serve.out");
      const size_t colon = out.rfind(':');
      if (colon != std::string::npos && out.find("listening") != std::string::npos) port = std::atoi(out.c_str() + colon + 1);
    }
    if (port == 0) throw std::runtime_error("merxa serve did not start: " + slurp(home_ / "serve.err"));
  }
  ~Service() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    fs::remove_all(home_);
  }
  // Stops the service with SIGTERM; its exit status.
  int stop() {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string log() const { return slurp(home_ / "serve.err"); }

  std::string pageToken, adminToken;
  int port = 0;

 private:
  fs::path home_;
  pid_t pid_ = -1;
};

Service* service = nullptr;

struct Answer {
  int status = 0;
  Json body;
};

Answer post(const std::string& body, const std::string& token) {
  httplib::Client client("127.0.0.1", service->port);
  httplib::Headers headers;
  if (!token.empty()) headers.emplace("Authorization", "Bearer " + token);
  auto res = client.Post("/call", headers, body, "application/json");
  if (!res) return {};
  Answer a{res->status, Json()};
  try {
    a.body = Json::parse(res->body);
  } catch (const Json::exception&) {
    a.body = res->body;
  }
  return a;
}

// A caller with a client session of its own.
class Page {
 public:
  explicit Page(std::string token) : token_(std::move(token)) {}
  Answer call(const Json& object, const std::string& member, Json args = Json::array(), const char* kind = "method") {
    Json request = {{"object", object}, {"member", member}, {"kind", kind}, {"args", std::move(args)}};
    if (!session_.empty()) request["session"] = session_;
    Answer a = post(request.dump(), token_);
    if (a.body.is_object() && a.body.contains("session")) session_ = a.body["session"];
    return a;
  }
  Json result(const Json& object, const std::string& member, Json args = Json::array(), const char* kind = "method") {
    Answer a = call(object, member, std::move(args), kind);
    EXPECT_EQ(a.status, 200) << member << ": " << a.body.dump();
    return a.body.value("result", Json());
  }
  static Json handle(const Json& value) { return {{"handle", value["handle"]}}; }
  Json header(const Json& document) { return result(handle(document), "Item", {"header"}, "get"); }
  Json read(const Json& recordset, const std::string& field) {
    return result(handle(recordset), "Collect", {field}, "get");
  }
  void write(const Json& recordset, const std::string& field, const Json& value) {
    result(handle(recordset), "Collect", {field, value}, "put");
  }
  const std::string& session() const { return session_; }

 private:
  std::string token_;
  std::string session_;
};

long count(const std::string& table) {
  Page admin(service->adminToken);
  Json rs = admin.result("Merxa.Manager", "GetRecordSet", {"SELECT COUNT(*) AS N FROM " + table});
  return rs["view"][0]["N"].get<long>();
}

class ServeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { service = new Service; }
  static void TearDownTestSuite() {
    delete service;
    service = nullptr;
  }
};

// A basket made and filled by a page, as the demo page does it; its document.
Json fillBasket(Page& page, const std::string& name) {
  Json basket = page.result("Merxa.Basket", "Create", {"U1", 1001});
  Json header = page.header(basket);
  page.write(header, "BASKETNAME", name);
  page.write(header, "KIROID", 1);
  page.write(header, "USERLOCALE", 1033);
  page.write(header, "CUSTOMERCODE", "C1001");
  page.write(header, "CUSTOMERNAME", "Acme Industrial Supplies");
  page.result("Merxa.Basket", "Save", {Page::handle(basket)});
  for (int sku : {4711, 4713}) {
    Answer a = page.call("Merxa.Basket", "AddLine", {Page::handle(basket), sku, 3, "12/24/2026", false, ""});
    EXPECT_EQ(a.status, 200) << a.body.dump();
    basket = a.body["args"][0];
  }
  return basket;
}

TEST_F(ServeTest, TheRoadOfOneOrderRunsOverHttpOnly) {
  Page page(service->pageToken);
  Json basket = fillBasket(page, "Road over HTTP");
  EXPECT_EQ(basket["view"]["lines"].size(), 2u);
  const std::string id = page.read(page.header(basket), "BASKETID");

  const Json form = page.result("Merxa.Shop", "OrderForm", {Page::handle(basket)});
  EXPECT_NE(form.get<std::string>().find("<html"), std::string::npos);

  page.result("Merxa.Quotation", "Create", {Page::handle(basket)});
  Json quotation = page.result("Merxa.Quotation", "Show", {id});
  EXPECT_GT(page.read(page.header(quotation), "TOTALNETAMOUNT").get<double>(), 0);
  page.result(Page::handle(quotation), "Add", {"origin", 1});
  page.result("Merxa.Order", "SubmitBasket", {Page::handle(quotation)});
  // The order goes under the identifier SubmitBasket wrote into the document's header.
  const std::string orderId = page.read(page.header(quotation), "QUOTATIONID");

  // The export job of instance 1, which only the admin token may start.
  EXPECT_EQ(page.call("Merxa.Order", "CreateSOatBackend", {1}).status, 403);
  Page admin(service->adminToken);
  admin.result("Merxa.Order", "CreateSOatBackend", {1});

  Json order = page.result("Merxa.Order", "Restore", {orderId});
  const Json number = page.read(page.header(order), "SALESORDERNR");
  ASSERT_TRUE(number.is_string()) << order.dump();
  EXPECT_FALSE(number.get<std::string>().empty()) << page.read(page.header(order), "ERROR");
  EXPECT_NE(service->log().find("Merxa.Order.SubmitBasket"), std::string::npos);
}

TEST_F(ServeTest, EveryRefusalIsAJsonErrorAndChangesNothing) {
  Page page(service->pageToken), other(service->pageToken);
  Json basket = page.result("Merxa.Basket", "Create", {"U1", 1001});
  Json theirs = other.result("Merxa.Basket", "Create", {"U1", 1001});
  const long baskets = count("BASKETHEADER"), orders = count("ORDERHEADER");
  const std::string create = Json{{"object", "Merxa.Basket"}, {"member", "Save"}, {"args", Json::array()}}.dump();

  struct Case {
    const char* what;
    Answer answer;
    int status;
  };
  std::string deep = std::string(200, '[') + std::string(200, ']');
  Json released = page.result("Merxa.Basket", "Restore", {page.read(page.header(basket), "BASKETID")});
  ASSERT_EQ(page.call("Merxa.Basket", "Delete", Json::array()).status, 422);  // a member's own error
  Json releaseRequest = {{"session", page.session()}, {"release", {released["handle"]}}};
  ASSERT_EQ(post(releaseRequest.dump(), service->pageToken).status, 200);

  std::vector<Case> cases = {
      {"no token", post(create, ""), 401},
      {"wrong token", post(create, std::string(64, 'a')), 401},
      {"admin class with the page token", page.call("Merxa.Manager", "Create", {"BASKETHEADER", {"BASKETID"}, {"X"}}), 403},
      {"admin member with the page token", page.call("Merxa.Pricing", "DeletePricing", {false}), 403},
      {"a ProgID off the list", page.call("ADODB.Connection", "Open", {"Provider=SQLite;Data Source=/tmp/x.db"}), 403},
      {"a member off the list of a handle", page.call(Page::handle(page.header(basket)), "UpdateBatch"), 403},
      {"another session's handle", page.call("Merxa.Basket", "Save", {Page::handle(theirs)}), 403},
      {"another session's handle as the object", page.call(Page::handle(theirs), "Item", {"header"}, "get"), 403},
      {"a released handle", page.call("Merxa.Basket", "Save", {Page::handle(released)}), 410},
      {"a handle never given out", page.call({{"handle", page.session() + "-999"}}, "Item", {"header"}), 404},
      {"malformed JSON", post("{\"object\": \"Merxa.Basket\", ", service->pageToken), 400},
      {"not an object", post("[1, 2]", service->pageToken), 400},
      {"too deeply nested", post("{\"object\":\"Merxa.Basket\",\"member\":\"Save\",\"args\":" + deep + "}", service->pageToken), 400},
      {"oversized", post("{\"object\":\"Merxa.Basket\",\"member\":\"Save\",\"args\":[\"" + std::string(70000, 'x') + "\"]}",
                         service->pageToken), 413},
      {"a bad kind", page.call("Merxa.Basket", "Save", Json::array(), "delete"), 400},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.answer.status, c.status) << c.what << ": " << c.answer.body.dump();
    ASSERT_TRUE(c.answer.body.is_object()) << c.what;
    EXPECT_TRUE(c.answer.body["error"]["description"].is_string()) << c.what << ": " << c.answer.body.dump();
  }
  EXPECT_EQ(count("BASKETHEADER"), baskets);
  EXPECT_EQ(count("ORDERHEADER"), orders);

  // An idle session ends with its objects; its handles then say so.
  const Json kept = Page::handle(theirs);
  std::this_thread::sleep_for(std::chrono::milliseconds(1600));
  Answer expired = page.call("Merxa.Basket", "Save", {kept});
  EXPECT_EQ(expired.status, 410) << expired.body.dump();
  Json again = {{"session", other.session()}, {"object", "Merxa.Basket"}, {"member", "Save"}, {"args", {kept}}};
  EXPECT_EQ(post(again.dump(), service->pageToken).status, 410);
  // Control characters a caller sends never break the log's lines.
  page.call("Merxa.Basket\nforged 200", "Create");
  EXPECT_EQ(service->log().find("\nforged"), std::string::npos);
}

// The bounded load: clients at once, each making and restoring baskets of its own; every call
// answers, and every basket comes back with its own name. Smaller under AddressSanitizer.
#ifdef __SANITIZE_ADDRESS__
constexpr int kLoadClients = 8, kLoadRounds = 20;
#else
constexpr int kLoadClients = 32, kLoadRounds = 200;
#endif

TEST_F(ServeTest, ClientsAtOnceKeepTheirOwnBaskets) {
  // A service of its own, whose client sessions outlast a client's wait in the queue.
  Service* suite = service;
  Service load(60, "load");
  service = &load;
  std::vector<std::thread> clients;
  std::vector<int> failed(kLoadClients, 0), mixed(kLoadClients, 0);
  std::vector<std::string> firstFault(kLoadClients);
  for (int c = 0; c < kLoadClients; ++c) {
    clients.emplace_back([c, &failed, &mixed, &firstFault] {
      Page page(service->pageToken);
      auto call = [&](const Json& object, const std::string& member, Json args, const char* kind = "method") {
        Answer a = page.call(object, member, std::move(args), kind);
        if (a.status != 200 && failed[c]++ == 0) firstFault[c] = member + ": " + std::to_string(a.status) + " " + a.body.dump();
        return a.status == 200 ? a.body["result"] : Json();
      };
      for (int r = 0; r < kLoadRounds; ++r) {
        const std::string name = "load client " + std::to_string(c) + " round " + std::to_string(r);
        const Json created = call("Merxa.Basket", "Create", {"U1", 1001});
        if (!created.is_object()) continue;
        const Json header = call(Page::handle(created), "Item", {"header"}, "get");
        if (!header.is_object()) continue;
        call(Page::handle(header), "Collect", {"BASKETNAME", name}, "put");
        call("Merxa.Basket", "Save", {Page::handle(created)});
        const Json id = call(Page::handle(header), "Collect", {"BASKETID"}, "get");
        const Json restored = call("Merxa.Basket", "Restore", {id});
        if (!restored.is_object() || restored["view"]["header"][0]["BASKETNAME"] != name) ++mixed[c];
        Json handles = {created["handle"], header["handle"]};
        if (restored.is_object()) handles.push_back(restored["handle"]);
        if (post(Json{{"session", page.session()}, {"release", handles}}.dump(), service->pageToken).status != 200) ++failed[c];
      }
    });
  }
  for (auto& t : clients) t.join();
  for (int c = 0; c < kLoadClients; ++c) {
    EXPECT_EQ(failed[c], 0) << "client " << c << ", first: " << firstFault[c];
    EXPECT_EQ(mixed[c], 0) << "client " << c;
  }
  // None lost: every round's basket is in the database once.
  Page admin(service->adminToken);
  const Json rs = admin.result("Merxa.Manager", "GetRecordSet",
                               {"SELECT COUNT(*) AS N FROM BASKETHEADER WHERE BASKETNAME LIKE 'load client %'"});
  EXPECT_EQ(rs["view"][0]["N"].get<long>(), long{kLoadClients} * kLoadRounds);
  EXPECT_EQ(load.stop(), 0);
  service = suite;
}

// The demo page in a headless browser: it places an order, and a screenshot of the page with
// the rendered order form is left in the build folder (shop-page.png).
TEST_F(ServeTest, TheDemoPagePlacesAnOrderInABrowser) {
  const char* browser = "/usr/bin/chromium-headless-shell";
  if (access(browser, X_OK) != 0) GTEST_SKIP() << "no " << browser;
  Page admin(service->adminToken);
  // Instance 1 hands its orders over at once, so the page can show the ERP's number.
  admin.result("Merxa.Manager", "Update", {"ORDEREXPORTFILE", {"EXPORTMESSAGETYPE"}, {"2"}, {"KIROID"}, {1}});
  const std::string url = "'http://127.0.0.1:" + std::to_string(service->port) + "/#token=" + service->pageToken + "&play'";
  const std::string flags = std::string(browser) + " --no-sandbox --disable-gpu --virtual-time-budget=20000 ";
  const fs::path dom = fs::temp_directory_path() / ("merxa-shop-" + std::to_string(getpid()) + ".html");
  ASSERT_EQ(std::system((flags + "--dump-dom " + url + " >'" + dom.string() + "' 2>/dev/null").c_str()), 0);
  const std::string page = slurp(dom);
  fs::remove(dom);
  EXPECT_NE(page.find("<span id=\"erp-number\">ERP sales order 1000"), std::string::npos) << page;
  std::system((flags + "--window-size=1200,1800 --screenshot=" + MERXA_BUILD_DIR + "/shop-page.png " + url +
               " >/dev/null 2>&1").c_str());
  EXPECT_TRUE(fs::exists(std::string(MERXA_BUILD_DIR) + "/shop-page.png"));
  Page(service->adminToken).result("Merxa.Manager", "Update", {"ORDEREXPORTFILE", {"EXPORTMESSAGETYPE"}, {"1"}, {"KIROID"}, {1}});
}

// Runs last: SIGTERM stops the service cleanly, after a call in flight has had its answer.
TEST_F(ServeTest, ZStopsCleanlyOnSigtermAfterTheCallInFlight) {
  const std::string slow =
      "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 1500000) SELECT COUNT(*) AS N FROM c";
  Answer answer;
  std::thread inFlight([&answer, &slow] {
    answer = post(Json{{"object", "Merxa.Manager"}, {"member", "GetRecordSet"}, {"args", {slow}}}.dump(), service->adminToken);
  });
  // The call reaches the service well within this; the count takes longer.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(service->stop(), 0);
  inFlight.join();
  EXPECT_EQ(answer.status, 200) << answer.body.dump();
  EXPECT_EQ(answer.body["result"]["view"][0]["N"], 1500000) << answer.body.dump();
  const std::string log = service->log();
  const size_t stopping = log.find("merxa serve: stopping on signal"), call = log.rfind("Merxa.Manager.GetRecordSet");
  EXPECT_NE(stopping, std::string::npos) << log;
  EXPECT_NE(call, std::string::npos) << log;
  EXPECT_LT(stopping, call) << "the call had ended before SIGTERM: " << log;
  EXPECT_NE(log.find("merxa serve: stopped"), std::string::npos) << log;
}

}  // namespace

#include "common/site_user_product.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "common/encoding.h"
#include "common/lib_sales.h"
#include "platform/dictionary.h"
#include "platform/registry.h"
#include "schema/schema.h"
#include "tests/enterprise/temp_home.h"
#include "tests/support/sales_fixture.h"

namespace {

using platform::ComError;
using platform::Date;
using platform::ObjectPtr;
using platform::Variant;

constexpr int32_t kProductNotFound = static_cast<int32_t>(0x8004014F);
constexpr int32_t kMembershipAccessDenied = static_cast<int32_t>(0x80040212);
constexpr int32_t kUserNotFound = static_cast<int32_t>(0x80040213);

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The settings of a site configuration that the tests vary.
struct Site {
  std::string scriptCode = "s3cret";
  std::string directoryRoot;
  std::string helpEmail = "help@shop.example";
  std::string sslMode = "none";
  bool withHelpEmail = true;
};

std::string siteConfiguration(const Site& s) {
  return "<siteconfiguration><section name='MEMBERSHIP'>"
         "<value key='MemScriptUser'>merxascript</value>"
         "<value key='MemScriptCode'>" +
         s.scriptCode + "</value><value key='LDAPRoot'>" + s.directoryRoot +
         "</value></section><section name='COMMONPARAMETERS'>" +
         (s.withHelpEmail ? "<value key='HELPEMAIL'>" + s.helpEmail + "</value>" : std::string()) +
         "<value key='SSLMODE'>" + s.sslMode +
         "</value></section><section name='GLOBAL'>"
         "<value key='SECUREHOSTNAME'>secure.shop.example</value>"
         "<value key='NONSECUREHOSTNAME'>www.shop.example</value>"
         "<value key='APPLICATIONDIRECTORY'>merxa</value></section></siteconfiguration>";
}

// An installation of the test's own on the fixture's database, with a site configuration
// the test writes.
class SiteHome {
 public:
  explicit SiteHome(const Site& site) {
    home_.write("config/MerxaConfiguration.xml", schema::merxaConfigurationXml(connection_));
    home_.write("installations.xml", schema::installationsXml({{"default", configDir()}}));
    setSite(site);
  }
  void setSite(const Site& site) const { home_.write("config/siteconfiguration.xml", siteConfiguration(site)); }
  std::string configDir() const { return (home_.path() / "config").string(); }

 private:
  std::string connection_ = testsupport::connectionString();  // before the home takes over
  enterprisetest::TempHome home_;
};

// Runs `body` on a new thread, whose caches start empty.
void onNewThread(const std::function<void()>& body) {
  std::thread([&] {
    try {
      body();
    } catch (const ComError& e) {
      ADD_FAILURE() << "unexpected error " << std::hex << e.number << e.description;
    }
  }).join();
}

ComError errorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const ComError& e) {
    return e;
  }
  ADD_FAILURE() << "no error raised";
  return ComError(0, {}, {});
}

class SiteUserTest : public testsupport::SalesTest {
 protected:
  testsupport::LogCapture log;
};

TEST_F(SiteUserTest, TheFirstCallOfAThreadReadsTheSiteConfigurationAndLaterCallsReuseIt) {
  SiteHome home(Site{});
  std::string help, address;
  onNewThread([&] {
    ObjectPtr user = merxa::Sls_CreateUserObject("U1", &address, help);
    EXPECT_EQ(user->call("FullName").toString(), "Ann Archer");
    EXPECT_EQ(help, "help@shop.example");
    EXPECT_EQ(address, "HTTP://www.shop.example/merxa");

    Site changed;
    changed.helpEmail = "new-help@shop.example";
    changed.sslMode = "SSL";
    home.setSite(changed);
    help = "as passed";
    address.clear();
    user = merxa::Sls_CreateUserObject("U2", &address, help);
    EXPECT_EQ(user->call("LocaleID").toLong(), 1031);
    EXPECT_EQ(help, "as passed");
    EXPECT_EQ(address, "HTTP://www.shop.example/merxa");
  });

  // Another thread has a cache of its own and reads the file as it is now.
  onNewThread([&] {
    merxa::Sls_CreateUserObject("U1", &address, help);
    EXPECT_EQ(help, "new-help@shop.example");
    EXPECT_EQ(address, "HTTPS://secure.shop.example/merxa");
  });
}

TEST_F(SiteUserTest, AThreadWhoseFirstCallDidNotAskForTheSiteAddressGetsAnEmptyOne) {
  SiteHome home(Site{});
  onNewThread([] {
    std::string help;
    merxa::Sls_CreateUserObject("U1", nullptr, help);
    std::string address = "stale";
    merxa::Sls_CreateUserObject("U1", &address, help);
    EXPECT_EQ(address, "");
  });
}

// Stands in for the membership directory and records how it is called.
class RecordingMembers : public platform::Object {
 public:
  struct Calls {
    std::string path, user, code, userId;
  };
  explicit RecordingMembers(std::shared_ptr<Calls> calls) : calls_(std::move(calls)) {}
  const platform::DispatchTable& dispatch() const override {
    static const platform::DispatchTable table = platform::Members<RecordingMembers>("CorvoMembership.Members")
                                                     .method("Initialize", &RecordingMembers::Initialize)
                                                     .method("Authenticate", &RecordingMembers::Authenticate)
                                                     .method("GetUser", &RecordingMembers::GetUser);
    return table;
  }
  void Initialize(const std::string& path) { calls_->path = path; }
  void Authenticate(const std::string& user, const std::string& code) {
    calls_->user = user;
    calls_->code = code;
  }
  ObjectPtr GetUser(const std::string& userId) {
    calls_->userId = userId;
    return platform::makeObject<platform::Dictionary>();
  }

 private:
  std::shared_ptr<Calls> calls_;
};

TEST_F(SiteUserTest, TheScriptAccountIsNamedBelowADirectoryRootThatIsNotBlank) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "merxascript"}, {"   ", "merxascript"}, {"ou=web,dc=shop", "merxascript,ou=web,dc=shop"}};
  for (const auto& [root, account] : cases) {
    Site site;
    site.directoryRoot = root;
    SiteHome home(site);
    auto calls = std::make_shared<RecordingMembers::Calls>();
    platform::ScopedOverride fake("CorvoMembership.Members",
                                  [calls] { return platform::makeObject<RecordingMembers>(calls); });
    onNewThread([&] {
      std::string help;
      EXPECT_NE(merxa::Sls_CreateUserObject("U3", nullptr, help), nullptr);
    });
    EXPECT_EQ(calls->path, home.configDir() + "\\siteconfiguration.xml");
    EXPECT_EQ(calls->user, account) << "root '" << root << "'";
    EXPECT_EQ(calls->code, "s3cret");
    EXPECT_EQ(calls->userId, "U3");
  }

  // The real directory names the account the same way.
  Site site;
  site.directoryRoot = "ou=web,dc=shop";
  SiteHome home(site);
  onNewThread([] {
    std::string help;
    EXPECT_EQ(merxa::Sls_CreateUserObject("U4", nullptr, help)->call("FullName").toString(), "Dana O'Connell");
  });
}

TEST_F(SiteUserTest, FailuresNameTheUserAndAFailedFirstCallIsRetried) {
  SiteHome home(Site{});
  onNewThread([&] {
    std::string help;
    ComError e = errorOf([&] { merxa::Sls_CreateUserObject("NOBODY", nullptr, help); });
    EXPECT_EQ(e.number, kUserNotFound);
    EXPECT_TRUE(contains(e.description, " METHOD: Lib_Sales.Sls_CreateUserObject()\r\n")) << e.description;
    EXPECT_TRUE(contains(e.description, " INFO: User details couldn't be obtained from CorvoMembership for: NOBODY."))
        << e.description;

    // The thread keeps the account it read first: a changed code is not seen.
    Site rotated;
    rotated.scriptCode = "rotated";
    home.setSite(rotated);
    e = errorOf([&] { merxa::Sls_CreateUserObject("U1", nullptr, help); });
    EXPECT_EQ(e.number, kMembershipAccessDenied);
    EXPECT_FALSE(contains(e.description, "s3cret")) << e.description;
  });

  Site incomplete;
  incomplete.withHelpEmail = false;
  home.setSite(incomplete);
  onNewThread([&] {
    std::string help = "unchanged";
    EXPECT_THROW(merxa::Sls_CreateUserObject("U1", nullptr, help), ComError);
    EXPECT_EQ(help, "unchanged");
    home.setSite(Site{});
    EXPECT_NE(merxa::Sls_CreateUserObject("U1", nullptr, help), nullptr);
    EXPECT_EQ(help, "help@shop.example");
  });
}

TEST_F(SiteUserTest, TheSiteAddressIsPlainHttpOnlyWhenSslModeIsNone) {
  const std::pair<std::string, std::string> cases[] = {{"none", "HTTP://www.shop.example/merxa"},
                                                       {"NONE", "HTTP://www.shop.example/merxa"},
                                                       {"nOnE", "HTTP://www.shop.example/merxa"},
                                                       {"SSL", "HTTPS://secure.shop.example/merxa"},
                                                       {"", "HTTPS://secure.shop.example/merxa"}};
  for (const auto& [mode, address] : cases) {
    Site site;
    site.sslMode = mode;
    SiteHome home(site);
    EXPECT_EQ(merxa::Sls_getSiteName(), address) << "SSLMODE '" << mode << "'";
  }

  SiteHome home(Site{});
  std::filesystem::remove(home.configDir() + "/siteconfiguration.xml");
  const ComError e = errorOf([] { merxa::Sls_getSiteName(); });
  EXPECT_TRUE(contains(e.description, " METHOD: Lib_Sales.Sls_getSiteName()\r\n")) << e.description;
  EXPECT_TRUE(contains(e.description, " INFO: Retrieval of Host & Sitename failed.")) << e.description;
}

class ProductTest : public testsupport::SalesTest {
 protected:
  static void setExpiry(int32_t productId, const Variant& date) {
    auto cn = merxa::Sls_GetOpenConnection(merxa::Sls_ConnectionString());
    cn->executeNoRecords("UPDATE PRODUCT SET PRODUCTEXPIRYDATE = " + merxa::SqlLiteralValue(date) +
                         " WHERE PRODUCTID = " + merxa::SqlLiteralLong(productId));
    merxa::Sls_CloseConnection(cn);
  }
  static Variant day(double offsetFromToday) { return Variant(Date{Date::today().serial + offsetFromToday}); }
};

TEST_F(ProductTest, AProductIsValidUnlessDisabledOrExpiredBeforeToday) {
  setExpiry(4711, day(0));
  setExpiry(4713, day(-1));
  const std::pair<int32_t, std::string> cases[] = {
      {4711, ""},                            // expires today
      {4712, ""},                            // expires in the far future
      {502, ""},                             // never expires
      {4713, "MerxaError_ProductExpired"},   // expired yesterday
      {4800, "MerxaError_ProductExpired"},   //
      {4801, "MerxaError_ProductDisabled"},  //
      {4802, "MerxaError_ProductDisabled"},  // disabled and expired
  };
  for (const auto& [productId, key] : cases) {
    std::string errorKey = "stale";
    EXPECT_EQ(merxa::ValidProduct(productId, errorKey), key.empty()) << productId;
    EXPECT_EQ(errorKey, key) << productId;
  }
}

TEST_F(ProductTest, TheLeastPropertyValuePassesOverProductsWithoutOne) {
  setExpiry(4713, day(40));
  auto ids = [](std::vector<Variant> items) { return Variant::array(std::move(items)); };
  // 502 never expires; standing first it must not hide the dates after it.
  const Variant earliest = merxa::GetMinProductProperty(ids({Variant(502), Variant(4712), Variant(4713)}),
                                                        "PRODUCTEXPIRYDATE");
  EXPECT_EQ(earliest.toDate().serial, day(40).toDate().serial);
  EXPECT_TRUE(merxa::GetMinProductProperty(ids({Variant(502), Variant(4711)}), "PRODUCTEXPIRYDATE").isNull());
  EXPECT_EQ(merxa::GetMinProductProperty(ids({Variant(502), Variant(4711)}), "UNITCODE").toString(), "BOX");
  EXPECT_TRUE(merxa::GetProductProperty(502, "CONFIGURABLE").toBool());

  testsupport::LogCapture log;
  const ComError e = errorOf([&] { merxa::GetMinProductProperty(ids({Variant(4711), Variant(999)}), "UNITCODE"); });
  EXPECT_EQ(e.number, kProductNotFound);
  const size_t outer = e.description.find(" METHOD: Merxa.Utility\r\n");
  EXPECT_NE(outer, std::string::npos) << e.description;
  EXPECT_LT(outer, e.description.find(" METHOD: Merxa.Utility.GetProductProperty\r\n"));
}

}  // namespace

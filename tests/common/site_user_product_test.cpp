#include "common/site_user_product.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "common/encoding.h"
#include "common/lib_sales.h"
#include "schema/schema.h"
#include "tests/enterprise/error_of.h"
#include "tests/enterprise/temp_home.h"
#include "tests/support/sales_fixture.h"

namespace {

using enterprisetest::errorOf;
using platform::ComError;
using platform::Date;
using platform::Variant;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The settings of a site configuration that the tests vary.
struct Site {
  std::string directoryRoot;
  std::string helpEmail = "help@shop.example";
  std::string sslMode = "none";
};

// An installation of the test's own on the fixture's database; the site configuration is the
// test's to write. A value written as "-" is left out.
class SiteHome {
 public:
  explicit SiteHome(const Site& site) {
    home_.write("config/MerxaConfiguration.xml", schema::merxaConfigurationXml(connection_));
    home_.write("installations.xml", schema::installationsXml({{"default", configDir()}}));
    setSite(site);
  }
  void setSite(const Site& s) const {
    auto value = [](const char* key, const std::string& text) {
      return text == "-" ? std::string() : "<value key='" + std::string(key) + "'>" + text + "</value>";
    };
    home_.write("config/siteconfiguration.xml",
                "<siteconfiguration><section name='MEMBERSHIP'>" + value("MemScriptUser", "merxascript") +
                    value("MemScriptCode", "s3cret") + value("LDAPRoot", s.directoryRoot) +
                    "</section><section name='COMMONPARAMETERS'>" + value("HELPEMAIL", s.helpEmail) +
                    value("SSLMODE", s.sslMode) + "</section><section name='GLOBAL'>" +
                    value("SECUREHOSTNAME", "secure.shop.example") + value("NONSECUREHOSTNAME", "www.shop.example") +
                    value("APPLICATIONDIRECTORY", "merxa") + "</section></siteconfiguration>");
  }
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
      ADD_FAILURE() << "unexpected error " << e.description;
    }
  }).join();
}

std::string fullName(const std::string& userId) {
  std::string help;
  return merxa::Sls_CreateUserObject(userId, nullptr, help)->call("FullName").toString();
}

class SiteUserTest : public testsupport::SalesTest {
 protected:
  testsupport::LogCapture log;
};

TEST_F(SiteUserTest, EachThreadReadsTheSiteConfigurationOnItsFirstCall) {
  SiteHome home(Site{});
  std::string help, address;
  onNewThread([&] {
    EXPECT_EQ(merxa::Sls_CreateUserObject("U1", &address, help)->call("EmailAddress").toString(),
              "ann.archer@acme.example");
    EXPECT_EQ(help, "help@shop.example");
    EXPECT_EQ(address, "HTTP://www.shop.example/merxa");

    home.setSite(Site{"", "new-help@shop.example", "SSL"});
    help = "as passed";
    address.clear();
    EXPECT_EQ(merxa::Sls_CreateUserObject("U2", &address, help)->call("LocaleID").toLong(), 1031);
    EXPECT_EQ(help, "as passed");
    EXPECT_EQ(address, "HTTP://www.shop.example/merxa");
  });
  onNewThread([&] {
    merxa::Sls_CreateUserObject("U1", &address, help);
    EXPECT_EQ(help, "new-help@shop.example");
    EXPECT_EQ(address, "HTTPS://secure.shop.example/merxa");
  });

  // A thread whose first call did not ask for the site address has none.
  onNewThread([] {
    std::string help, address = "stale";
    merxa::Sls_CreateUserObject("U1", nullptr, help);
    merxa::Sls_CreateUserObject("U1", &address, help);
    EXPECT_EQ(address, "");
  });
}

TEST_F(SiteUserTest, BelowADirectoryRootTheScriptAccountIsNamedByItsDistinguishedName) {
  // The directory refuses the account under any other name than the one it expects.
  for (const char* root : {"   ", "ou=web,dc=shop"}) {
    SiteHome home(Site{root});
    onNewThread([] { EXPECT_EQ(fullName("U4"), "Dana O'Connell"); });
  }
}

TEST_F(SiteUserTest, FailuresNameTheUserAndAFailedFirstCallIsMadeAgain) {
  SiteHome home(Site{"", "-"});
  onNewThread([&] {
    std::string help = "unchanged";
    EXPECT_THROW(merxa::Sls_CreateUserObject("U1", nullptr, help), ComError);
    EXPECT_EQ(help, "unchanged");
    home.setSite(Site{});
    EXPECT_NE(merxa::Sls_CreateUserObject("U1", nullptr, help), nullptr);
    EXPECT_EQ(help, "help@shop.example");

    const ComError e = errorOf([] { fullName("NOBODY"); });
    EXPECT_EQ(e.number, static_cast<int32_t>(0x80040213));
    EXPECT_TRUE(contains(e.description, " METHOD: Lib_Sales.Sls_CreateUserObject()\r\n")) << e.description;
    EXPECT_TRUE(contains(e.description, " INFO: User details couldn't be obtained from CorvoMembership for: NOBODY."));
  });
}

TEST_F(SiteUserTest, TheSiteAddressIsPlainHttpOnlyWhenSslModeIsNone) {
  for (const auto& [mode, address] : {std::pair{"none", "HTTP://www.shop.example/merxa"},
                                      std::pair{"NoNe", "HTTP://www.shop.example/merxa"},
                                      std::pair{"SSL", "HTTPS://secure.shop.example/merxa"}}) {
    SiteHome home(Site{"", "help@shop.example", mode});
    EXPECT_EQ(merxa::Sls_getSiteName(), address) << mode;
  }
  SiteHome home(Site{"", "help@shop.example", "-"});
  const std::string failure = errorOf([] { merxa::Sls_getSiteName(); }).description;
  EXPECT_TRUE(contains(failure, " METHOD: Lib_Sales.Sls_getSiteName()\r\n")) << failure;
  EXPECT_TRUE(contains(failure, " INFO: Retrieval of Host & Sitename failed.\r\n")) << failure;
}

class ProductTest : public testsupport::SalesTest {
 protected:
  static Variant daysFromToday(double days) { return Variant(Date{Date::today().serial + days}); }
  static void setExpiry(int32_t productId, const Variant& date) {
    auto cn = merxa::Sls_GetOpenConnection(merxa::Sls_ConnectionString());
    cn->executeNoRecords("UPDATE PRODUCT SET PRODUCTEXPIRYDATE = " + merxa::SqlLiteralValue(date) +
                         " WHERE PRODUCTID = " + merxa::SqlLiteralLong(productId));
    merxa::Sls_CloseConnection(cn);
  }
};

TEST_F(ProductTest, AProductIsValidUnlessDisabledOrExpiredBeforeToday) {
  setExpiry(4711, daysFromToday(0));
  setExpiry(4713, daysFromToday(-1));
  // 502 never expires; 4800 expired long ago; 4801 is disabled, 4802 disabled and expired.
  for (const auto& [productId, key] :
       {std::pair{4711, ""}, std::pair{502, ""}, std::pair{4713, "MerxaError_ProductExpired"},
        std::pair{4800, "MerxaError_ProductExpired"}, std::pair{4801, "MerxaError_ProductDisabled"},
        std::pair{4802, "MerxaError_ProductDisabled"}}) {
    std::string errorKey = "stale";
    EXPECT_EQ(merxa::ValidProduct(productId, errorKey), *key == '\0') << productId;
    EXPECT_EQ(errorKey, key) << productId;
  }
}

TEST_F(ProductTest, TheLeastValueOfAPropertyPassesOverProductsWithoutOne) {
  setExpiry(4713, daysFromToday(40));
  auto ids = [](std::initializer_list<int> list) {
    std::vector<Variant> items(list.begin(), list.end());
    return Variant::array(std::move(items));
  };
  // 502 never expires: standing first, it must not hide the dates after it.
  EXPECT_EQ(merxa::GetMinProductProperty(ids({502, 4712, 4713}), "PRODUCTEXPIRYDATE").toDate().serial,
            daysFromToday(40).toDate().serial);
  EXPECT_TRUE(merxa::GetMinProductProperty(ids({502, 4711}), "PRODUCTEXPIRYDATE").isNull());
  EXPECT_EQ(merxa::GetMinProductProperty(ids({502, 4711}), "UNITCODE").toString(), "BOX");

  testsupport::LogCapture log;
  const ComError e = errorOf([&] { merxa::GetMinProductProperty(ids({4711, 999}), "UNITCODE"); });
  EXPECT_EQ(e.number, static_cast<int32_t>(0x8004014F));
  EXPECT_LT(e.description.find(" METHOD: Merxa.Utility\r\n"),
            e.description.find(" METHOD: Merxa.Utility.GetProductProperty\r\n"));
}

}  // namespace

#include "common/sales_parameter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

#include "common/lib_sales.h"
#include "common/merxa_error.h"
#include "platform/registry.h"
#include "schema/schema.h"
#include "tests/enterprise/temp_home.h"
#include "tests/support/sales_fixture.h"

namespace {

using merxa::SalesParameter;
using platform::ComError;
using platform::Variant;

constexpr int32_t kValueNotFound = static_cast<int32_t>(0x8004000F);
constexpr int32_t kStoreNotLoaded = static_cast<int32_t>(0x80040013);
constexpr int32_t kWrongType = static_cast<int32_t>(0x80040014);
constexpr const char* kRoutine = "Merxa.SalesParameter.GetParameterValue(): ";

// A Corvane home of the test's own whose installations.xml lists one Merxa installation per
// (name, MerxaConfiguration.xml text), in the given order; each gets a folder of that name.
class ParameterHome {
 public:
  explicit ParameterHome(const std::vector<std::pair<std::string, std::string>>& installations) {
    std::vector<std::pair<std::string, std::string>> listed;
    for (const auto& [name, configuration] : installations) {
      home_.write(name + "/MerxaConfiguration.xml", configuration);
      listed.emplace_back(name, dir(name));
    }
    home_.write("installations.xml", schema::installationsXml(listed));
  }
  std::string dir(const std::string& name) const { return (home_.path() / name).string(); }
  const std::filesystem::path& path() const { return home_.path(); }
  void write(const std::string& relative, const std::string& text) const { home_.write(relative, text); }

 private:
  enterprisetest::TempHome home_;
};

// A MerxaConfiguration.xml whose GENERAL_PARAMETERS hold `values` (<value> elements).
std::string generalParameters(const std::string& values) {
  return "<configuration><application name='Merxa'><section name='GENERAL_PARAMETERS'>" + values +
         "</section></application></configuration>";
}

std::string parameter(const std::string& name) {
  std::string given = name;
  return SalesParameter().GetParameterValue(given);
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

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(SalesParameter, EveryListedNameReadsFromItsSectionOfTheDefaultConfiguration) {
  testsupport::ensureEnvironment();
  for (const char* name :
       {"CyberSource Serverhost", "Authorization Hard Expiration", "Authorization Soft Expiration", "Reallocation",
        "Creditcard Ordertype for Backend", "BackendSalesOrderType BillingStepNumber", "InvoiceText",
        "FreightPartNumber", "Freight Unit-code", "Multiple Ship-from Zones", "Ship-from Zone", "CreditCardUse",
        "EnableFreight", "TaxSource", "Dax Virtual Directory", "HomeOrganisation", "SubmittedOrderListPage",
        "EnableGetInventoryButton", "EnableATPCheckButtons", "QuotationImplemented", "Expiration Period",
        "Send Notification", "Notification Period Before Expiry Date", "Logo", "Watermark Image",
        "Print Configurations"})
    EXPECT_NO_THROW(parameter(name)) << name;
  std::string name = "Expiration Period";
  EXPECT_EQ(merxa::Sls_GetParameterValue(name), "30");  // late bound, through the registration file
}

TEST(SalesParameter, BlanksAroundANameChooseTheSectionButTheStoreIsAskedForTheNameAsGiven) {
  testsupport::LogCapture log;
  {
    ParameterHome home({{"config", generalParameters("<value key=' EnableFreight '>as given</value>"
                                                     "<value key='EnableFreight'>trimmed</value>")}});
    std::string name = " EnableFreight ";
    EXPECT_EQ(SalesParameter().GetParameterValue(name), "as given");
    EXPECT_EQ(name, " EnableFreight ");
  }
  testsupport::ensureEnvironment();  // the default configuration holds only the trimmed key
  const ComError e = errorOf([] { parameter(" EnableFreight "); });
  EXPECT_EQ(e.number, kValueNotFound);
  EXPECT_TRUE(contains(e.description, "Parameter 'EnableFreight' is not found ")) << e.description;
}

TEST(SalesParameter, FailuresOfTheStoreBecomeReadableMessagesWithTheStoresNumber) {
  struct Case {
    std::string configuration;
    std::string name;
    int32_t number;
    std::string message;  // after the routine's name
  };
  const Case cases[] = {
      {generalParameters(""), " TaxSource ", kValueNotFound,
       "Parameter 'TaxSource' is not found in configuration file ..\\config\\MerxaConfiguration.xml"},
      {generalParameters("<value key='HomeOrganisation' type='long'>one</value>"), "HomeOrganisation", kWrongType,
       "Type of parameter 'HomeOrganisation' is not valid OR The datatype of the new value is not equal to the type "
       "of the item"},
      {"<configuration><application name='Merxa'>", "TaxSource", kStoreNotLoaded, "Configuration store not loaded"},
  };
  for (const Case& c : cases) {
    ParameterHome home({{"config", c.configuration}});
    testsupport::LogCapture log;
    const ComError e = errorOf([&] { parameter(c.name); });
    EXPECT_EQ(e.number, c.number) << c.message;
    EXPECT_TRUE(contains(e.description, " METHOD: " + std::string(kRoutine) + c.message + "\r\n")) << e.description;
    EXPECT_EQ(log.count(0), 1u);
  }

  // Anything else keeps its own number and description.
  ParameterHome home({{"config", generalParameters("")}});
  std::filesystem::remove(home.path() / "config" / "MerxaConfiguration.xml");
  testsupport::LogCapture log;
  const ComError e = errorOf([] { parameter("TaxSource"); });
  EXPECT_EQ(e.errNumber(), platform::vb::FileNotFound);
  EXPECT_TRUE(contains(e.description, std::string(kRoutine) + "Unknown error File not found: ")) << e.description;
}

TEST(SalesParameter, AFileWithoutReadPermissionFailsWith70AndNamesTheDirectory) {
  ParameterHome home({{"config", generalParameters("<value key='TaxSource'>Backend</value>")}});
  const std::string dir = home.dir("config");
  // The child gives up root (root reads anything); it must still reach the folders.
  ASSERT_EQ(chmod(home.path().c_str(), 0755), 0);
  ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
  ASSERT_EQ(chmod((dir + "/MerxaConfiguration.xml").c_str(), 0), 0);
  testsupport::LogCapture log;
  platform::createObject("Corvane.Configuration");  // its library is loaded before the child starts
  EXPECT_EXIT(
      {
        if (geteuid() == 0 && setuid(65534) != 0) _exit(3);
        try {
          parameter("TaxSource");
        } catch (const ComError& e) {
          const bool named = contains(e.description, "Access denied for configuration file " + dir +
                                                         "\\MerxaConfiguration.xml\r\n");
          if (e.errNumber() == platform::vb::PermissionDenied && named) _exit(0);
          std::fprintf(stderr, "%d %s", e.errNumber(), e.description.c_str());
        }
        _exit(1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(SalesParameter, TheLastInstallationRecordWinsAndEveryCallReadsTheFileAgain) {
  // Named so that the last record is not the last in name order.
  ParameterHome home({{"z-first", generalParameters("<value key='TaxSource'>first</value>")},
                      {"a-last", generalParameters("<value key='TaxSource'>last</value>")}});
  EXPECT_EQ(parameter("TaxSource"), "last");
  home.write("a-last/MerxaConfiguration.xml", generalParameters("<value key='TaxSource'>changed</value>"));
  EXPECT_EQ(parameter("TaxSource"), "changed");
}

TEST(SalesParameter, ANameOutsideTheListIsReportedAsNotFoundWithoutAskingTheStore) {
  testsupport::LogCapture log;
  for (const char* name : {"NoSuchParameter", "enablefreight", ""}) {
    const ComError e = errorOf([&] { parameter(name); });
    EXPECT_EQ(e.number, merxa::SalesParameterNotFound) << name;
    EXPECT_TRUE(contains(e.description, " METHOD: " + std::string(kRoutine) + "Parameter " + name + " not found\r\n"))
        << e.description;
  }

  // The module routine reports once more, naming the parameter as its caller gave it.
  std::string name = " enablefreight ";
  const ComError e = errorOf([&] { merxa::Sls_GetParameterValue(name); });
  EXPECT_EQ(e.number, merxa::SalesParameterNotFound);
  const size_t outer = e.description.find(" METHOD: Merxa.Lib_Sales.Sls_GetParameterValue\r\n");
  EXPECT_LT(outer, e.description.find(" METHOD: " + std::string(kRoutine)));
  EXPECT_TRUE(contains(e.description, " INFO: Failed to retrieve parameter:  enablefreight .\r\n")) << e.description;
}

}  // namespace

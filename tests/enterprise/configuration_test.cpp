#include "enterprise/configuration.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "platform/registry.h"
#include "schema/schema.h"
#include "tests/enterprise/temp_home.h"

namespace {

using enterprise::Configuration;
using enterprisetest::TempHome;
using platform::ComError;
using platform::Variant;

constexpr int32_t kNotFound = static_cast<int32_t>(0x8004000F);
constexpr int32_t kNotLoaded = static_cast<int32_t>(0x80040013);
constexpr int32_t kWrongType = static_cast<int32_t>(0x80040014);

// The error a call raises, or 0 when it raises none.
int32_t errorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const ComError& e) {
    return e.number;
  }
  return 0;
}

const char* kParameters = R"(<configuration>
  <application name="Merxa">
    <connectionstring> Provider=SQLite;Data Source=/srv/a.db </connectionstring>
    <section name="GENERAL_PARAMETERS">
      <value key="EnableFreight" type="boolean">True</value>
      <value key="HomeOrganisation" type="long">42</value>
      <value key="Broken" type="long">forty-two</value>
      <value key="Odd" type="colour">red</value>
      <value key="Plain">  as written  </value>
    </section>
  </application>
  <application name="Other">
    <connectionstring>Provider=SQLite;Data Source=/srv/other.db</connectionstring>
    <section name="GENERAL_PARAMETERS"><value key="OnlyHere">x</value></section>
  </application>
</configuration>)";

TEST(Configuration, ReadsValuesAsWrittenAndChecksTheirDeclaredType) {
  TempHome home;
  const std::string dir = home.path().string();
  home.write("MerxaConfiguration.xml", kParameters);
  auto config = platform::makeObject<Configuration>();
  config->LoadConfigFile(dir + "\\MerxaConfiguration.xml");  // callers append with a backslash

  EXPECT_EQ(config->GetValue("GENERAL_PARAMETERS", "EnableFreight"), "True");
  EXPECT_EQ(config->GetValue("GENERAL_PARAMETERS", "HomeOrganisation"), "42");
  EXPECT_EQ(config->GetValue("GENERAL_PARAMETERS", "Plain"), "  as written  ");
  EXPECT_EQ(config->GetConnectionString("Merxa"), "Provider=SQLite;Data Source=/srv/a.db");

  struct Case {
    const char* section;
    const char* key;
    int32_t error;
  };
  for (const Case& c :
       {Case{"GENERAL_PARAMETERS", "Broken", kWrongType}, Case{"GENERAL_PARAMETERS", "Odd", kWrongType},
        Case{"GENERAL_PARAMETERS", " EnableFreight ", kNotFound},
        Case{"GENERAL_PARAMETERS", "enablefreight", kNotFound}, Case{"NO_SUCH_SECTION", "EnableFreight", kNotFound}})
    EXPECT_EQ(errorOf([&] { config->GetValue(c.section, c.key); }), c.error) << c.section << "/" << c.key;
  EXPECT_EQ(errorOf([&] { config->GetConnectionString("Missing"); }), kNotFound);
}

TEST(Configuration, FailuresToLoadCarryTheNumbersCallersTellApart) {
  TempHome home;
  auto config = platform::makeObject<Configuration>();
  try {
    config->GetValue("GENERAL_PARAMETERS", "EnableFreight");
    FAIL();
  } catch (const ComError& e) {
    EXPECT_EQ(e.number, kNotLoaded);
    EXPECT_EQ(e.description, "Configuration store not loaded");
  }
  EXPECT_EQ(errorOf([&] { config->LoadConfigFile(home.path().string() + "\\missing.xml"); }), platform::vbError(53));
  EXPECT_EQ(errorOf([&] { config->LoadConfigFile(home.write("bad.xml", "<configuration><section")); }), kNotLoaded);

  // A failed load leaves nothing loaded, not the previous file.
  config->LoadConfigFile(home.write("good.xml", kParameters));
  EXPECT_NE(errorOf([&] { config->LoadConfigFile(home.path().string() + "/missing.xml"); }), 0);
  EXPECT_EQ(errorOf([&] { config->GetValue("GENERAL_PARAMETERS", "EnableFreight"); }), kNotLoaded);
}

TEST(Configuration, AFileWithoutReadPermissionIsPermissionDenied) {
  TempHome home;
  const std::string file = home.write("MerxaConfiguration.xml", kParameters);
  ASSERT_EQ(chmod(file.c_str(), 0), 0);
  // Root reads anything, so the load runs in a child that gives up root first.
  EXPECT_EXIT(
      {
        if (geteuid() == 0 && setuid(65534) != 0) _exit(3);
        const int32_t e = errorOf([&] { platform::makeObject<Configuration>()->LoadConfigFile(file); });
        _exit(e == platform::vbError(70) ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(Configuration, WebInfoListsTheProductsInstallationsAndTheLastOneIsUsed) {
  TempHome home;
  const std::string first = home.write("first/MerxaConfiguration.xml", schema::merxaConfigurationXml("first"));
  home.write("last/MerxaConfiguration.xml", schema::merxaConfigurationXml("last"));
  home.write("last/siteconfiguration.xml", schema::siteConfigurationXml());
  home.write("installations.xml",
             "<installations>"
             "<installation name='b' product='Merxa' configdir='" +
                 (home.path() / "first").string() +
                 "'/>"
                 "<installation name='x' product='Elsewhere' configdir='/nowhere'/>"
                 "<installation name='a' product='merxa' configdir='" +
                 (home.path() / "last").string() + "'/></installations>");

  // Through the registration file, late bound, as the sales tier reads it.
  platform::ObjectPtr config = platform::createObject("Corvane.Configuration");
  auto info = config->call("GetWebInfo", {Variant("Merxa")}).as<platform::Dictionary>();
  ASSERT_EQ(info->Count(), 2);
  EXPECT_EQ(info->entries()[0].first.toString(), "b");
  EXPECT_EQ(info->entries()[1].first.toString(), "a");
  EXPECT_EQ(info->entries()[1].second.toObject()->call("ConfigDir").toString(), (home.path() / "last").string());

  config->call("OpenApplication", {Variant("Merxa"), Variant(0)});
  EXPECT_EQ(config->call("GetConnectionString", {Variant("Merxa")}).toString(), "last");
  EXPECT_EQ(config->call("GetValue", {Variant("QUOTATION_PARAMETERS"), Variant("Expiration Period")}).toString(), "30");
  EXPECT_EQ(errorOf([&] { config->call("OpenApplication", {Variant("NoSuchApplication"), Variant(0)}); }), kNotFound);

  config->call("LoadSiteConfig");
  EXPECT_EQ(config->call("GetValue", {Variant("COMMONPARAMETERS"), Variant("SSLMODE")}).toString(), "none");
  config->call("LoadConfigFile", {Variant(first)});
  EXPECT_EQ(config->call("GetConnectionString", {Variant("Merxa")}).toString(), "first");
  EXPECT_EQ(config->call("GetSiteValue", {Variant("GLOBAL"), Variant("APPLICATIONDIRECTORY")}).toString(), "merxa");
}

TEST(Configuration, OpenApplicationReadsOnlyThatApplicationsSections) {
  TempHome home;
  home.write("config/MerxaConfiguration.xml", kParameters);
  home.write("installations.xml", "<installations><installation name='default' product='Merxa' configdir='" +
                                      (home.path() / "config").string() + "'/></installations>");
  auto config = platform::makeObject<Configuration>();
  EXPECT_EQ(errorOf([&] { config->GetSiteValue("GLOBAL", "SECUREHOSTNAME"); }), kNotLoaded);
  config->OpenApplication("Merxa", Variant(0));
  EXPECT_EQ(errorOf([&] { config->GetValue("GENERAL_PARAMETERS", "OnlyHere"); }), kNotFound);
  config->LoadConfigFile((home.path() / "config" / "MerxaConfiguration.xml").string());
  EXPECT_EQ(config->GetValue("GENERAL_PARAMETERS", "OnlyHere"), "x");
}

TEST(Configuration, TheTemplateHoldsEverySalesParameterWithAValueOfItsType) {
  TempHome home;
  const std::string connection = "Provider=SQLite;Data Source=/srv/R&D <shop>.db";
  auto config = platform::makeObject<Configuration>();
  config->LoadConfigFile(home.write("MerxaConfiguration.xml", schema::merxaConfigurationXml(connection)));
  EXPECT_EQ(config->GetConnectionString("Merxa"), connection);

  const std::pair<const char*, std::vector<const char*>> sections[] = {
      {"DIRECTPAYMENT_PARAMETERS",
       {"CyberSource Serverhost", "Authorization Hard Expiration", "Authorization Soft Expiration", "Reallocation",
        "Creditcard Ordertype for Backend", "BackendSalesOrderType BillingStepNumber", "InvoiceText"}},
      {"FREIGHT_PARAMETERS", {"FreightPartNumber", "Freight Unit-code", "Multiple Ship-from Zones", "Ship-from Zone"}},
      {"GENERAL_PARAMETERS",
       {"CreditCardUse", "EnableFreight", "TaxSource", "Dax Virtual Directory", "HomeOrganisation",
        "SubmittedOrderListPage", "EnableGetInventoryButton", "EnableATPCheckButtons", "QuotationImplemented"}},
      {"QUOTATION_PARAMETERS",
       {"Expiration Period", "Send Notification", "Notification Period Before Expiry Date", "Logo", "Watermark Image",
        "Print Configurations"}}};
  for (const auto& [section, names] : sections)
    for (const char* name : names) EXPECT_FALSE(config->GetValue(section, name).empty()) << section << "/" << name;
  EXPECT_TRUE(Variant(config->GetValue("GENERAL_PARAMETERS", "QuotationImplemented")).toBool());
  EXPECT_GT(Variant(config->GetValue("QUOTATION_PARAMETERS", "Expiration Period")).toLong(), 0);
}

}  // namespace

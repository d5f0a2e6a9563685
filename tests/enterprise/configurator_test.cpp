#include "enterprise/configurator.h"

#include <gtest/gtest.h>

#include <regex>

#include "platform/data/connection.h"
#include "platform/data/recordset.h"
#include "platform/registry.h"
#include "tests/support/sales_fixture.h"

namespace {

using platform::ComError;
using platform::Variant;

int32_t countOf(const std::string& sql) {
  auto cn = platform::makeObject<platform::data::Connection>();
  cn->open(testsupport::connectionString());
  const int32_t n = cn->execute(sql)->field(0)->Value().toLong();
  cn->Close();
  return n;
}

// The records of a variant description: the text after each "VOP", split at ",".
std::vector<std::vector<std::string>> records(const std::string& description) {
  std::vector<std::vector<std::string>> out;
  size_t at = description.find("VOP");
  while (at != std::string::npos) {
    const size_t next = description.find("VOP", at + 3);
    const std::string record = description.substr(at + 3, next == std::string::npos ? next : next - at - 3);
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t comma; (comma = record.find(',', start)) != std::string::npos; start = comma + 1)
      fields.push_back(record.substr(start, comma - start));
    fields.push_back(record.substr(start));
    out.push_back(fields);
    at = next;
  }
  return out;
}

class ConfiguratorTest : public testsupport::SalesTest {
 protected:
  std::shared_ptr<enterprise::ConfigurationService> service = platform::createObject("CorvoConfigurator.Configurator")
                                                                  ->call("GetConfigurationService")
                                                                  .as<enterprise::ConfigurationService>();
};

TEST_F(ConfiguratorTest, ACopyIsANewConfigurationWithTheSourcesStatePriceAndOptions) {
  const std::string source = testsupport::demoConfigurationId();
  const std::string copy = service->CopyConfiguration(" " + source + " ", Variant("502"), Variant("de"), Variant("DE"));
  EXPECT_TRUE(std::regex_match(copy, std::regex("^[0-9A-F]{32}$"))) << copy;
  EXPECT_NE(copy, service->CopyConfiguration(source, Variant("502"), Variant("de"), Variant("DE")));

  EXPECT_TRUE(service->IsComplete(copy));
  EXPECT_EQ(service->GetPriceStatus(copy), 0);
  EXPECT_EQ(service->GetPrice(copy).toCurrency().scaled, 12505000);
  EXPECT_EQ(service->GetPriceCurrency(copy), "EUR");
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM PRODUCTCONFIGURATION WHERE CONFIGID = '" + copy +
                    "' AND LANGUAGECODE = 'de' AND COUNTRYCODE = 'DE' AND SOURCECONFIGID = '" + source + "'"),
            1);

  // The description of the copy lists the copied options, feature fields at 4 to 7.
  const auto options = records(service->GetVariantDescription(copy, Variant("ORDER1"), Variant(2)));
  ASSERT_EQ(options.size(), 3u);
  for (const auto& fields : options) {
    ASSERT_EQ(fields.size(), 8u);
    EXPECT_EQ(fields[0], copy);
    EXPECT_EQ(fields[1], "ORDER1");
    EXPECT_EQ(fields[2], "2");
  }
  EXPECT_EQ(options[0][4], "LEN");
  EXPECT_EQ(options[0][5], "10");
  EXPECT_EQ(options[0][6], "Belt length");
  EXPECT_EQ(options[0][7], "12 m");
  EXPECT_EQ(options[2][6], "Drive; motor");  // commas inside a field cannot split it
  EXPECT_EQ(options[2][7], "2;2 kW");
}

TEST_F(ConfiguratorTest, AnIncompleteConfigurationHasNoPrice) {
  EXPECT_FALSE(service->IsComplete("CFG0002"));
  EXPECT_EQ(service->GetPriceStatus("CFG0002"), 1);
  EXPECT_TRUE(service->GetPrice("CFG0002").isNull());
  EXPECT_EQ(service->GetPriceCurrency("CFG0002"), "");
}

TEST_F(ConfiguratorTest, AnUnknownConfigurationFailsAndCopiesNothing) {
  const int32_t before = countOf("SELECT COUNT(*) FROM PRODUCTCONFIGURATION");
  try {
    service->CopyConfiguration("NO-SUCH", Variant("502"), Variant("en"), Variant("NL"));
    FAIL();
  } catch (const ComError& e) {
    EXPECT_EQ(e.number, enterprise::kConfigurationNotFound);
    EXPECT_NE(e.description.find("NO-SUCH"), std::string::npos);
  }
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM PRODUCTCONFIGURATION"), before);
  EXPECT_THROW(service->IsComplete("NO-SUCH"), ComError);
}

}  // namespace

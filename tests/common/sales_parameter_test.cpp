#include "common/sales_parameter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "common/lib_sales.h"
#include "common/merxa_error.h"
#include "platform/registry.h"
#include "schema/schema.h"
#include "tests/enterprise/error_of.h"
#include "tests/enterprise/temp_home.h"
#include "tests/support/sales_fixture.h"

namespace {

using enterprisetest::errorOf;
using platform::ComError;

constexpr const char* kRoutine = " METHOD: Merxa.SalesParameter.GetParameterValue(): ";

// A Corvane home of the test's own listing one Merxa installation per (folder, text of its
// MerxaConfiguration.xml), in the given order.
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

 private:
  enterprisetest::TempHome home_;
};

std::string generalParameters(const std::string& values) {
  return "<configuration><application name='Merxa'><section name='GENERAL_PARAMETERS'>" + values +
         "</section></application></configuration>";
}

std::string parameter(std::string name) { return merxa::SalesParameter().GetParameterValue(name); }

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(SalesParameter, TheTrimmedNameChoosesTheSectionAndTheNameAsGivenIsLookedUp) {
  testsupport::LogCapture log;
  ParameterHome home({{"config", generalParameters("<value key=' EnableFreight '>as given</value>"
                                                   "<value key='EnableFreight'>trimmed</value>"
                                                   "<value key='HomeOrganisation' type='long'>one</value>")}});
  std::string name = " EnableFreight ";
  EXPECT_EQ(merxa::SalesParameter().GetParameterValue(name), "as given");
  EXPECT_EQ(name, " EnableFreight ");

  ComError e = errorOf([] { parameter(" TaxSource "); });
  EXPECT_EQ(e.number, static_cast<int32_t>(0x8004000F));
  EXPECT_TRUE(contains(e.description, kRoutine + std::string("Parameter 'TaxSource' is not found in configuration "
                                                               "file ..\\config\\MerxaConfiguration.xml\r\n")))
      << e.description;

  e = errorOf([] { parameter("HomeOrganisation"); });
  EXPECT_EQ(e.number, static_cast<int32_t>(0x80040014));
  EXPECT_TRUE(contains(e.description, "Type of parameter 'HomeOrganisation' is not valid OR ")) << e.description;
}

TEST(SalesParameter, AFileWithoutReadPermissionFailsWith70AndNamesTheDirectory) {
  ParameterHome home({{"config", generalParameters("<value key='TaxSource'>Backend</value>")}});
  const std::string dir = home.dir("config");
  // Root reads anything, so the call runs in a child that gives up root; it must still
  // reach the folders.
  ASSERT_EQ(chmod(home.path().c_str(), 0755) | chmod(dir.c_str(), 0755), 0);
  ASSERT_EQ(chmod((dir + "/MerxaConfiguration.xml").c_str(), 0), 0);
  testsupport::LogCapture log;
  platform::createObject("Corvane.Configuration");  // its library is loaded before the child starts
  EXPECT_EXIT(
      {
        if (geteuid() == 0 && setuid(65534) != 0) _exit(3);
        // The file is read before the name is looked up: an unknown name meets the same 70.
        for (const char* name : {"TaxSource", "NoSuchParameter"}) {
          const ComError e = errorOf([&] { parameter(name); });
          if (e.errNumber() != platform::vb::PermissionDenied ||
              !contains(e.description, "Access denied for configuration file " + dir + "\\MerxaConfiguration.xml\r\n")) {
            std::fprintf(stderr, "%s: %d %s", name, e.errNumber(), e.description.c_str());
            _exit(1);
          }
        }
        _exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(SalesParameter, TheLastInstallationRecordWins) {
  // Named so that the last record is not the last in name order.
  ParameterHome home({{"z-first", generalParameters("<value key='TaxSource'>first</value>")},
                      {"a-last", generalParameters("<value key='TaxSource'>last</value>")}});
  EXPECT_EQ(parameter("TaxSource"), "last");
}

TEST(SalesParameter, ANameOutsideTheListIsReportedAsNotFound) {
  ParameterHome home({{"config", generalParameters("<value key='TaxSource'>Backend</value>")}});
  testsupport::LogCapture log;
  for (const char* name : {"NoSuchParameter", "enablefreight"}) {
    const ComError e = errorOf([&] { parameter(name); });
    EXPECT_EQ(e.number, merxa::SalesParameterNotFound) << name;
    EXPECT_TRUE(contains(e.description, kRoutine + std::string("Parameter ") + name + " not found\r\n"))
        << e.description;
  }

  // The module routine (late bound, through the registration file) reports once more, with
  // the name as its caller gave it.
  std::string name = " enablefreight ";
  const ComError e = errorOf([&] { merxa::Sls_GetParameterValue(name); });
  EXPECT_EQ(e.number, merxa::SalesParameterNotFound);
  EXPECT_LT(e.description.find(" METHOD: Merxa.Lib_Sales.Sls_GetParameterValue\r\n"), e.description.find(kRoutine));
  EXPECT_TRUE(contains(e.description, " INFO: Failed to retrieve parameter:  enablefreight .\r\n")) << e.description;
}

}  // namespace

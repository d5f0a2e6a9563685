// Test fixtures for suites that need an installation: a Corvane home with installations.xml,
// a configuration directory with MerxaConfiguration.xml and siteconfiguration.xml, and a
// sales database with the schema and the demonstration data.
//
// The installation is made once per test process, on first use, in a fresh temporary folder
// (removed at exit unless MERXA_KEEP_TEST_HOME is set); CORVANE_HOME points at it and
// CORVANE_LOG at a log file inside it. The database is a new SQLite file, unless
// MERXA_TEST_CONNECTION holds a connection string: then that database (PostgreSQL, say) gets
// its tables dropped and created afresh and the suites run against it. On PostgreSQL each
// process works in a schema of its own, so suites may run side by side; other shared
// databases need the suites run one at a time (ctest -j1).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/object.h"
#include "platform/registry.h"

namespace testsupport {

// Makes the installation if this process has none yet.
void ensureEnvironment();

std::string connectionString();
std::string corvaneHome();
std::string configDir();

// Empties every table and loads the demonstration data again. The database itself stays:
// pooled connections keep it open.
void resetData();

// The ERP stand-in's database of the installation (made with its tables, empty), and a reset
// to its demonstration data. Suites that use the ERP reset it themselves; resetData leaves it.
std::string erpConnectionString();
void resetErpData();

// Facts of the demonstration data.
int32_t demoPartnerId();            // a customer with separate postal and shipping addresses
std::string demoConfigurationId();  // a complete, priced product configuration with options

// A test that starts on freshly loaded demonstration data.
class SalesTest : public ::testing::Test {
 protected:
  void SetUp() override { resetData(); }
};

// A test that starts on freshly loaded demonstration data in the sales and the ERP database.
class ErpTest : public SalesTest {
 protected:
  void SetUp() override {
    SalesTest::SetUp();
    resetErpData();
  }
};

// For suites that prefer to set the installation up before any test runs:
//   ::testing::AddGlobalTestEnvironment(new testsupport::SalesEnvironment);
class SalesEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ensureEnvironment(); }
};

// While alive, "Corvane.Log" creates a fake that records each entry instead of writing it.
// Entries from every thread are kept, in the order they arrived.
class LogCapture {
 public:
  struct Entry {
    std::string source;
    std::string message;
    int32_t level = 0;
  };

  LogCapture();
  std::vector<Entry> entries() const;
  size_t count(int32_t level) const;  // entries of one level
  void clear();

  struct Shared {
    mutable std::mutex mutex;
    std::vector<Entry> entries;
  };

 private:
  std::shared_ptr<Shared> shared_;
  platform::ScopedOverride override_;
};

}  // namespace testsupport

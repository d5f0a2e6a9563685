// Shared steps of the PostgreSQL suites.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/data/connection.h"
#include "platform/data/provider.h"
#include "tests/support/sales_fixture.h"

namespace pgtest {

// Whether the suites run against a PostgreSQL server (MERXA_TEST_CONNECTION names one).
inline bool onPostgres() {
  const auto props = platform::data::parseConnectionString(testsupport::connectionString());
  const auto provider = props.find("PROVIDER");
  return provider != props.end() && platform::equalsNoCase(provider->second, "PostgreSQL");
}

#define SKIP_UNLESS_POSTGRES() \
  if (!pgtest::onPostgres()) GTEST_SKIP() << "needs MERXA_TEST_CONNECTION naming a PostgreSQL server"

inline platform::data::ConnectionPtr openSales() {
  auto cn = platform::makeObject<platform::data::Connection>();
  cn->open(testsupport::connectionString());
  return cn;
}

}  // namespace pgtest

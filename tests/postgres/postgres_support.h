// Shared steps of the PostgreSQL suites.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/data/connection.h"
#include "platform/data/provider.h"
#include "tests/support/sales_fixture.h"
#include "tests/support/test_server.h"

namespace pgtest {

// Whether the suites run against a PostgreSQL server (MERXA_TEST_CONNECTION names one).
inline bool onPostgres() { return testsupport::namesPostgres(testsupport::connectionString()); }

#define SKIP_UNLESS_POSTGRES() \
  if (!pgtest::onPostgres()) GTEST_SKIP() << "needs MERXA_TEST_CONNECTION naming a PostgreSQL server"

inline platform::data::ConnectionPtr openSales() {
  auto cn = platform::makeObject<platform::data::Connection>();
  cn->open(testsupport::connectionString());
  return cn;
}

}  // namespace pgtest

// The database server the suites run against a second time. MERXA_TEST_CONNECTION holds its
// connection string; without it every suite runs on files of the embedded database.
#pragma once

#include <string>

namespace testsupport {

// MERXA_TEST_CONNECTION as this process is to use it, or "" when the variable is unset or
// empty. On PostgreSQL the string names a schema of this process's own, "merxa_test_<pid>":
// the first call makes it (empty), later calls return the same string, and it is dropped again
// at exit, so that test processes can share one server. Other servers are used as named.
std::string serverConnectionString();

// Whether a connection string names the PostgreSQL provider.
bool namesPostgres(const std::string& connectionString);

}  // namespace testsupport

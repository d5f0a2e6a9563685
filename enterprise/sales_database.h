// How the stand-ins reach the sales database: the same road the sales tier takes. The last
// Merxa installation names the configuration directory, whose MerxaConfiguration.xml holds
// the connection string of the application "Merxa".
//
// The string is cached per thread and keyed by the Corvane home, so a process (or a test)
// that points CORVANE_HOME elsewhere reads the new installation. Connections are not cached:
// every operation opens a SalesSession, which hands its connection back to the pool when it
// goes out of scope.
#pragma once

#include <cstdint>
#include <string>

#include "platform/data/connection.h"
#include "platform/data/recordset.h"

namespace enterprise {

const std::string& salesConnectionString();

// One operation's connection to the sales database, or to another database of the
// installation that is reached the same way (the ERP stand-in's).
class SalesSession {
 public:
  SalesSession();
  explicit SalesSession(const std::string& connectionString);
  // Closes the connection; a transaction still open is rolled back. Never throws.
  ~SalesSession();
  SalesSession(const SalesSession&) = delete;
  SalesSession& operator=(const SalesSession&) = delete;

  // The rows of a query as a client-side, read-only recordset detached from the connection.
  platform::data::RecordsetPtr query(const std::string& sql);
  // Runs a statement that returns no rows; the number of rows it touched.
  int64_t execute(const std::string& sql);
  void begin();
  void commit();

 private:
  platform::data::ConnectionPtr cn_;
  bool inTransaction_ = false;
};

}  // namespace enterprise

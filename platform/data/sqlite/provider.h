// The SQLite provider ("Provider=SQLite;Data Source=/path/sales.db"), registered under the
// name "SQLite" when the platform library loads.
//
// Connection properties: Data Source (the database file; ":memory:" for a private in-memory
// database), Create Database (True: create the file when it is missing, as only set-up code
// asks; otherwise a missing file fails to open) and Busy Timeout (milliseconds a statement
// waits for another writer; 30000 by default).
//
// SQLite has no stored procedures, so a procedure is emulated by a statement kept under its
// name: registered in the process (below), with one "?" per parameter in the order the caller
// appends them, or stored in the database by CREATE PROCEDURE (procedure.h). Registration is
// process-wide and safe from any thread.
#pragma once

#include <string>

#include "platform/data/provider.h"

namespace platform::data::sqlite {

class SqliteProvider : public Provider {
 public:
  std::unique_ptr<ProviderConnection> open(const ConnectionProperties& props) override;
};

// Registers (or replaces) the body of a stored procedure; names ignore letter case and a
// "dbo." owner.
void registerProcedure(const std::string& name, const std::string& sql);
void unregisterProcedure(const std::string& name);
// The body registered under `name`; false when there is none.
bool findProcedure(std::string_view name, std::string& sql);

}  // namespace platform::data::sqlite

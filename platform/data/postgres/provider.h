// The PostgreSQL provider ("Provider=PostgreSQL;Host=127.0.0.1;Port=5432;Database=merxa;
// User ID=merxa;Password=..."), registered under the name "PostgreSQL" when the platform
// library loads.
//
// Connection properties: Host (also Server), Port, Database (also Initial Catalog), User ID
// (also UID), Password (also PWD), Schema (the schema the session works in, a plain name;
// the server's search path when absent) and Connect Timeout (seconds, 10 by default).
//
// Stored procedures are server functions returning their rows: a procedure command "GetPrice"
// with five parameters runs "SELECT * FROM GetPrice($1, ..., $5)".
#pragma once

#include "platform/data/provider.h"

namespace platform::data::postgres {

class PostgresProvider : public Provider {
 public:
  std::unique_ptr<ProviderConnection> open(const ConnectionProperties& props) override;
};

}  // namespace platform::data::postgres

// Server and client failures of libpq, turned into the data layer's ProviderError. Every
// failure of this provider passes through here.
//
// Errors shows the server's message; SQLState is the state the original's SQL Server driver
// reported for the same kind of failure (42S02 for a missing table, 23000 for a broken
// constraint, ...), as the embedded provider reports it, so code that looks at SQLState works
// on either database. The server's own SQLSTATE travels in NativeError, packed six bits per
// character as the server packs it (unpackSqlState reads it back).
#pragma once

#include <libpq-fe.h>

#include <string>

#include "platform/data/provider.h"

namespace platform::data::postgres {

inline constexpr const char* kProviderName = "PostgreSQL";

// Server SQLSTATEs this provider sets itself, when libpq reports a failure without one.
inline constexpr const char* kConnectionFailed = "08001";  // could not establish the connection
inline constexpr const char* kConnectionLost = "08006";
inline constexpr const char* kTransactionRolledBack = "40000";
inline constexpr const char* kClientFailure = "XX000";

// The error of a failed result; `connection` supplies the message when libpq gave no result.
ProviderError resultError(const PGresult* result, const PGconn* connection);

// An error with a server SQLSTATE and a message.
ProviderError providerError(const std::string& serverState, const std::string& message);

[[noreturn]] void raise(ProviderError error);

// The state the original's driver reported for a server SQLSTATE.
std::string driverState(const std::string& serverState);

// The server's packed form of a SQLSTATE (six bits per character), and back.
int32_t packSqlState(const std::string& serverState);
std::string unpackSqlState(int32_t packed);

}  // namespace platform::data::postgres

// Server and client failures of libpq, turned into the data layer's ProviderError: the
// server's SQLSTATE and primary message, so that Connection.Errors shows what the server
// said. Every failure of this provider passes through here.
#pragma once

#include <libpq-fe.h>

#include <string>

#include "platform/data/provider.h"

namespace platform::data::postgres {

inline constexpr const char* kProviderName = "PostgreSQL";

// SQLSTATEs this provider sets itself, when libpq reports a failure without one.
inline constexpr const char* kConnectionFailed = "08001";  // could not establish the connection
inline constexpr const char* kConnectionLost = "08006";
inline constexpr const char* kTransactionRolledBack = "40000";

// The error of a failed result; `connection` supplies the message when libpq gave no result.
ProviderError resultError(const PGresult* result, const PGconn* connection);

// An error raised by this provider with its own state and message.
ProviderError providerError(const std::string& sqlState, const std::string& message);

[[noreturn]] void raise(ProviderError error);

// The server's packed form of a SQLSTATE (six bits per character), reported as NativeError.
int32_t packedSqlState(const std::string& sqlState);

}  // namespace platform::data::postgres

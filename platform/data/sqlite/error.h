// SQLite result codes translated into the data layer's provider errors: the engine's message,
// a five-character SQLSTATE that says what kind of failure it was, and the extended result
// code as the native error.
#pragma once

#include <sqlite3.h>

#include <string>

#include "platform/data/provider.h"

namespace platform::data::sqlite {

inline constexpr const char* kProviderName = "SQLite";

ProviderError makeError(int extendedCode, std::string message);

// Throws ProviderException for the connection's last failure (rc is the failing call's code,
// used when the connection has none).
[[noreturn]] void throwError(sqlite3* db, int rc);

}  // namespace platform::data::sqlite

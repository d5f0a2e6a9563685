#include "platform/data/postgres/error.h"

#include "platform/data/types.h"

namespace platform::data::postgres {

namespace {

// libpq's messages end in a newline and may carry several lines (DETAIL, HINT); Errors shows
// the first one.
std::string firstLine(const char* text) {
  std::string s = text ? text : "";
  const size_t nl = s.find('\n');
  if (nl != std::string::npos) s.erase(nl);
  const std::string prefix = "ERROR:  ";
  if (s.compare(0, prefix.size(), prefix) == 0) s.erase(0, prefix.size());
  return s;
}

}  // namespace

int32_t packedSqlState(const std::string& sqlState) {
  uint32_t packed = 0;
  for (size_t i = 0; i < sqlState.size() && i < 5; ++i)
    packed |= (static_cast<uint32_t>(sqlState[i] - '0') & 0x3F) << (6 * i);
  return static_cast<int32_t>(packed);
}

ProviderError providerError(const std::string& sqlState, const std::string& message) {
  ProviderError e;
  e.description = message;
  e.number = kProviderError;
  e.source = kProviderName;
  e.sqlState = sqlState;
  e.nativeError = packedSqlState(sqlState);
  return e;
}

ProviderError resultError(const PGresult* result, const PGconn* connection) {
  const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
  const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
  std::string message = primary ? primary : firstLine(result ? PQresultErrorMessage(result) : nullptr);
  if (message.empty()) message = firstLine(PQerrorMessage(connection));
  if (message.empty()) message = "The server reported a failure without a message.";
  if (result) {
    if (const char* detail = PQresultErrorField(result, PG_DIAG_MESSAGE_DETAIL))
      message += " (" + std::string(detail) + ")";
  }
  // A failure without a state comes from the client side: the connection broke.
  const bool broken = PQstatus(connection) != CONNECTION_OK;
  return providerError(state ? state : (broken ? kConnectionLost : kConnectionFailed), message);
}

void raise(ProviderError error) { throw ProviderException(std::move(error)); }

}  // namespace platform::data::postgres

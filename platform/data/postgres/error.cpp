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

// Server states whose driver state is not that of their class.
struct StateRule {
  const char* server;
  const char* driver;
};
constexpr StateRule kExactStates[] = {
    {"42P01", "42S02"},  // undefined table
    {"42703", "42S22"},  // undefined column
    {"42P07", "42S01"},  // table already exists
    {"42701", "42S21"},  // column already exists
    {"22P02", "22018"},  // text that is no value of the column's type
    {"08006", "08S01"},  // the connection broke
    {"40P01", "40001"},  // deadlock: chosen as the victim
    {"57014", "HY008"},  // cancelled
    {"55P03", "HYT00"},  // lock not available in time
};

// By class: the first two characters.
constexpr StateRule kClassStates[] = {
    {"23", "23000"},  // integrity constraints
    {"42", "42000"},  // syntax and access rules
    {"25", "25000"},  // transaction state
    {"28", "28000"},  // authorisation
    {"0A", "HYC00"},  // feature not supported
    {"08", nullptr},  // connection, data and transaction rollback states mean the same
    {"22", nullptr},  //   to the driver as to the server
    {"40", nullptr},
};

}  // namespace

std::string driverState(const std::string& serverState) {
  for (const StateRule& r : kExactStates)
    if (serverState == r.server) return r.driver;
  for (const StateRule& r : kClassStates)
    if (serverState.compare(0, 2, r.server) == 0) return r.driver ? r.driver : serverState;
  return "HY000";
}

int32_t packSqlState(const std::string& serverState) {
  uint32_t packed = 0;
  for (size_t i = 0; i < serverState.size() && i < 5; ++i)
    packed |= (static_cast<uint32_t>(serverState[i] - '0') & 0x3F) << (6 * i);
  return static_cast<int32_t>(packed);
}

std::string unpackSqlState(int32_t packed) {
  std::string state;
  for (int i = 0; i < 5; ++i) state += static_cast<char>(((static_cast<uint32_t>(packed) >> (6 * i)) & 0x3F) + '0');
  return state;
}

ProviderError providerError(const std::string& serverState, const std::string& message) {
  ProviderError e;
  e.description = message;
  e.number = kProviderError;
  e.source = kProviderName;
  e.sqlState = driverState(serverState);
  e.nativeError = packSqlState(serverState);
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
  // A failure without a state comes from the client side: mostly a broken connection.
  const bool broken = PQstatus(connection) != CONNECTION_OK;
  return providerError(state ? state : (broken ? kConnectionLost : kClientFailure), message);
}

void raise(ProviderError error) { throw ProviderException(std::move(error)); }

}  // namespace platform::data::postgres

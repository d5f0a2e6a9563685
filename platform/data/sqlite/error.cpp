#include "platform/data/sqlite/error.h"

#include "platform/data/types.h"

namespace platform::data::sqlite {

namespace {

bool contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// The SQLSTATE classes SQL Server reports for the same kinds of failure.
std::string sqlState(int extendedCode, const std::string& message) {
  switch (extendedCode & 0xFF) {
    case SQLITE_CONSTRAINT: return "23000";
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return "HYT00";
    case SQLITE_CANTOPEN:
    case SQLITE_NOTADB: return "08001";
    case SQLITE_TOOBIG: return "22001";
    case SQLITE_MISMATCH: return "22018";
    case SQLITE_RANGE: return "07009";
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH: return "42000";
    case SQLITE_ERROR:
      if (contains(message, "no such table")) return "42S02";
      if (contains(message, "no such column")) return "42S22";
      if (contains(message, "already exists")) return "42S01";
      return "42000";
    default: return "HY000";
  }
}

}  // namespace

ProviderError makeError(int extendedCode, std::string message) {
  ProviderError e;
  e.sqlState = sqlState(extendedCode, message);
  e.description = std::move(message);
  e.number = kProviderError;
  e.source = kProviderName;
  e.nativeError = extendedCode;
  return e;
}

void throwError(sqlite3* db, int rc) {
  int code = rc;
  std::string message = sqlite3_errstr(rc);
  if (db && sqlite3_errcode(db) != SQLITE_OK) {
    code = sqlite3_extended_errcode(db);
    message = sqlite3_errmsg(db);
  }
  throw ProviderException(makeError(code, std::move(message)));
}

}  // namespace platform::data::sqlite

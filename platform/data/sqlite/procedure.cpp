#include "platform/data/sqlite/procedure.h"

#include <vector>

#include "platform/data/sqlite/error.h"
#include "platform/value.h"

namespace platform::data::sqlite {

namespace {

bool wordChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '#' ||
         c == '$' || static_cast<unsigned char>(c) >= 0x80;
}

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

[[noreturn]] void malformed(const std::string& message) { throw ProviderException(makeError(SQLITE_ERROR, message)); }

// Reads SQL text piece by piece: quoted texts and names and comments come as one piece each,
// so that nothing inside them is taken for a keyword or a parameter.
class Scanner {
 public:
  explicit Scanner(std::string_view s) : s_(s) {}

  bool atEnd() const { return i_ >= s_.size(); }
  size_t position() const { return i_; }

  // The next piece, advancing past it.
  std::string_view next() {
    const size_t start = i_;
    const char c = s_[i_];
    size_t j = i_ + 1;
    if (blank(c)) {
      while (j < s_.size() && blank(s_[j])) ++j;
    } else if (c == '-' && j < s_.size() && s_[j] == '-') {
      while (j < s_.size() && s_[j] != '\n') ++j;
    } else if (c == '/' && j < s_.size() && s_[j] == '*') {
      const size_t end = s_.find("*/", j + 1);
      j = end == std::string_view::npos ? s_.size() : end + 2;
    } else if (c == '\'' || c == '"' || c == '[') {
      j = quotedEnd(c == '[' ? ']' : c);
    } else if (c == '@' || wordChar(c)) {
      while (j < s_.size() && wordChar(s_[j])) ++j;
    }
    i_ = j;
    return s_.substr(start, j - start);
  }

  // The next piece that is not blank or a comment; empty at the end.
  std::string_view nextSolid() {
    while (!atEnd()) {
      std::string_view piece = next();
      if (!blank(piece[0]) && !piece.starts_with("--") && !piece.starts_with("/*")) return piece;
    }
    return {};
  }

 private:
  // End of a quoted run opened at i_; a doubled closing quote stands for itself.
  size_t quotedEnd(char close) const {
    for (size_t j = i_ + 1; j < s_.size(); ++j) {
      if (s_[j] != close) continue;
      if (j + 1 < s_.size() && s_[j + 1] == close) {
        ++j;
        continue;
      }
      return j + 1;
    }
    return s_.size();
  }

  std::string_view s_;
  size_t i_ = 0;
};

bool isParameter(std::string_view piece) { return piece.size() > 1 && piece[0] == '@'; }

}  // namespace

std::string procedureKey(std::string_view name) {
  std::string key;
  for (char c : name)
    if (c != '[' && c != ']' && c != '"') key += c;
  key = upperCase(key);
  if (key.rfind("DBO.", 0) == 0) key.erase(0, 4);
  return key;
}

bool parseCreateProcedure(std::string_view sql, ProcedureDefinition& out) {
  Scanner scan(sql);
  if (!equalsNoCase(scan.nextSolid(), "CREATE")) return false;
  const std::string_view kind = scan.nextSolid();
  if (!equalsNoCase(kind, "PROCEDURE") && !equalsNoCase(kind, "PROC")) return false;

  // The name, possibly with its owner: everything up to the parameters or AS.
  std::string name;
  std::string_view piece = scan.nextSolid();
  while (!piece.empty() && !isParameter(piece) && piece != "(" && !equalsNoCase(piece, "AS")) {
    name += piece;
    piece = scan.nextSolid();
  }
  if (name.empty()) malformed("CREATE PROCEDURE names no procedure.");

  // The declared parameters, in order; their types and defaults are not needed.
  std::vector<std::string> parameters;
  while (!piece.empty() && !equalsNoCase(piece, "AS")) {
    if (isParameter(piece)) parameters.push_back(upperCase(piece));
    piece = scan.nextSolid();
  }
  if (piece.empty()) malformed("CREATE PROCEDURE " + name + " has no AS before its body.");

  // The body, each parameter replaced by its number.
  std::string body;
  while (!scan.atEnd()) {
    piece = scan.next();
    if (!isParameter(piece)) {
      body += piece;
      continue;
    }
    size_t n = 0;
    while (n < parameters.size() && parameters[n] != upperCase(piece)) ++n;
    if (n == parameters.size())
      malformed("Must declare the scalar variable \"" + std::string(piece) + "\" (procedure " + name + ").");
    body += "?" + std::to_string(n + 1);
  }
  if (trimBlanks(body).empty()) malformed("CREATE PROCEDURE " + name + " has no body.");

  out.name = procedureKey(name);
  out.body = std::move(body);
  out.parameterCount = static_cast<int>(parameters.size());
  return true;
}

const char* storeProcedureSql() {
  return "CREATE TABLE IF NOT EXISTS _PROCEDURES (NAME TEXT NOT NULL PRIMARY KEY, BODY TEXT NOT NULL, "
         "PARAMETERS INT NOT NULL); "
         "INSERT OR REPLACE INTO _PROCEDURES (NAME, BODY, PARAMETERS) VALUES (?, ?, ?)";
}

bool loadProcedure(sqlite3* db, const std::string& key, std::string& body, int& parameterCount) {
  // A database that has never stored a procedure has no table for them.
  if (sqlite3_table_column_metadata(db, "main", kProcedureTable, "BODY", nullptr, nullptr, nullptr, nullptr,
                                    nullptr) != SQLITE_OK)
    return false;
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(db, "SELECT BODY, PARAMETERS FROM _PROCEDURES WHERE NAME = ?", -1, &stmt, nullptr);
  if (rc != SQLITE_OK) throwError(db, rc);
  sqlite3_bind_text(stmt, 1, key.c_str(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
  rc = sqlite3_step(stmt);
  const bool found = rc == SQLITE_ROW;
  if (found) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    body = text ? text : "";
    parameterCount = sqlite3_column_int(stmt, 1);
  }
  sqlite3_finalize(stmt);
  if (!found && rc != SQLITE_DONE) throwError(db, rc);
  return found;
}

}  // namespace platform::data::sqlite

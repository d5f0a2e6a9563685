// Stored procedures on SQLite, which has none of its own.
//
// A procedure is a parameterised statement kept under its name, and found in one of two places:
//  - the process: registerProcedure (provider.h), for bodies a program brings along with it;
//    these come first;
//  - the database itself: a schema script writes the procedure as SQL Server does,
//
//      CREATE PROCEDURE GetPrice @PRODID INT, @BPID INT, ... AS SELECT ... WHERE PRODUCTID = @PRODID
//
//    and the provider keeps the body in its own table _PROCEDURES of that database, with each
//    declared parameter written as its numbered placeholder (?1, ?2, ...), so that a body may
//    use a parameter more than once. A call binds its parameters in the order of the
//    declaration and must pass exactly the declared number. The table belongs to the provider:
//    it is not reported among the database's tables.
#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>

namespace platform::data::sqlite {

inline constexpr const char* kProcedureTable = "_PROCEDURES";

struct ProcedureDefinition {
  std::string name;    // as procedureKey() gives it
  std::string body;    // the statement, parameters as ?1, ?2, ...
  int parameterCount = 0;
};

// "[dbo].[GetPrice]", "dbo.GetPrice" and "GETPRICE" name one procedure.
std::string procedureKey(std::string_view name);

// Whether `sql` is a CREATE PROCEDURE (or CREATE PROC) statement; fills `out` when it is.
// Throws ProviderException when it is one but cannot be read, or its body uses a parameter it
// does not declare.
bool parseCreateProcedure(std::string_view sql, ProcedureDefinition& out);

// The script that stores a definition in the database, making the table on first use; its
// three placeholders take the name, the body and the parameter count.
const char* storeProcedureSql();

// The body and parameter count stored in the database under `key`; false when there is none.
bool loadProcedure(sqlite3* db, const std::string& key, std::string& body, int& parameterCount);

}  // namespace platform::data::sqlite

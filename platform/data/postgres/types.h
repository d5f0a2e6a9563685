// Type mapping between PostgreSQL and the data layer. The sales tables are declared with the
// server's counterparts of the SQL Server types the business code was written for (see
// schema/postgres): integer, smallint, double precision, numeric(19,4) for MONEY,
// timestamp(0) for DATETIME, varchar(n) for NVARCHAR(n), and the domain FLAG (a smallint) for
// BIT, since flags are written as 0 and 1. A column reports the field type and reads as the
// Variant the embedded provider gives for the same SQL Server declaration, so the business
// code cannot tell the two databases apart. The server keeps all text as Unicode, so text
// columns report the national types.
#pragma once

#include <libpq-fe.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/data/provider.h"

namespace platform::data::postgres {

// Fills type, definedSize, precision and scale of `column` from a type OID and type modifier
// (PQftype/PQfmod, or pg_attribute's atttypid/atttypmod). `domain` names the domain a table
// column was declared with, if any; `type` is then the domain's base type. `computed` is
// true for a result column that comes from no table column. Unknown types read as text.
void describeType(Oid type, int typmod, std::string_view domain, bool computed, ColumnInfo& column);

// The value of a column of field type `type` from the server's text form.
Variant valueFromText(int32_t type, std::string_view text);
// The values of row `row` of `result`, one per column, of field types `types`, built in place
// at the end of `values`. NULL reads as Null.
void appendRowValues(std::vector<Variant>& values, const PGresult* result, int row, const std::vector<int32_t>& types);

// The text form of a parameter value, or nothing for SQL NULL (Null, Empty and Missing).
// Objects and arrays fail with Type mismatch (13); text holding a NUL character, which the
// server cannot store, fails with 3001.
std::optional<std::string> parameterText(const Variant& value);

}  // namespace platform::data::postgres

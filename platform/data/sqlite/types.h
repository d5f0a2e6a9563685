// Type mapping between SQLite and the data layer. SQLite keeps whatever a column's declared
// type says only as a hint, so the declared type (written in the SQL Server names of the
// sales schema: INT, MONEY, NVARCHAR(50), DATETIME, ...) decides the field type, and values
// are read and written in the form that type implies: dates as 'YYYY-MM-DD HH:MM:SS' text,
// flags as 0/1, money as a number.
#pragma once

#include <sqlite3.h>

#include <string_view>

#include "platform/data/provider.h"

namespace platform::data::sqlite {

// Fills type, definedSize, precision and scale of `column` from a declared type such as
// "NVARCHAR(50)" or "DECIMAL(18,4)". An empty declaration leaves the type 0 (unknown): the
// column's values then decide it.
void describeDeclaredType(std::string_view declared, ColumnInfo& column);

// The value of result column i as the column's type reads it. A column of unknown type takes
// the type of the first value that is not Null.
Variant readValue(sqlite3_stmt* stmt, int i, ColumnInfo& column);

// Binds a value in its storage form. Fails with 13 for objects and arrays.
void bindValue(sqlite3_stmt* stmt, int index, const Variant& value);

}  // namespace platform::data::sqlite

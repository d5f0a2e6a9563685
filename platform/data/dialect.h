// Rewrites of the business SQL, which is written in the SQL Server dialect, into what an
// engine understands. Each provider picks the rewrites its engine needs and nothing more.
//
// The rewrites work on tokens, so nothing inside a quoted text, a quoted name or a comment is
// ever touched.
#pragma once

#include <string>
#include <string_view>

namespace platform::data {

struct DialectOptions {
  bool limitForTop = true;            // SELECT TOP n ... -> SELECT ... LIMIT n
  bool stripOwnerPrefix = true;       // dbo.BASKET, [dbo].[BASKET] -> BASKET, [BASKET]
  bool stripNationalPrefix = true;    // N'text' -> 'text'
  bool ifNullForIsNull = false;       // ISNULL(a, b) -> IFNULL(a, b)
  bool numberedPlaceholders = false;  // ? -> $1, $2, ...
  bool lowerQuotedNames = false;      // "BASKET", [BASKET] -> "basket", for engines that fold unquoted names to lower case
};

// `placeholders`, when given, receives the number of "?" placeholders.
std::string translateSql(std::string_view sql, const DialectOptions& options, int* placeholders = nullptr);

// An identifier in double quotes, inner quotes doubled: safe for any table or column name.
std::string quoteIdentifier(std::string_view name);

// A table name as the business code writes it ("dbo.BASKET", "[BASKET]") without the owner
// and the quotes.
std::string plainTableName(std::string_view name);

}  // namespace platform::data

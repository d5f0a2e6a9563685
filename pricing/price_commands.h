// What the pricing operations share: the columns of the price tables as typed command
// parameters, the record copy of the lookups, and the release of a connection in a handler.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/data/connection.h"
#include "platform/data/recordset.h"
#include "pricing/pricing.h"

namespace merxa::pricing {

inline constexpr const char* kSource = "Merxa.Pricing";

// A column of the price tables and the value its "?" takes.
using ColumnValue = std::pair<std::string_view, Variant>;

// Runs `sql` as a text command on `cn`, each "?" bound to a parameter named after the
// column's property and typed as the column (integer adInteger, date-time adDBTimeStamp,
// currency code adWChar of 3, amounts adNumeric with the column's precision and scale).
// Returns the rows, or null with `noRecords` (execute option 128).
platform::data::RecordsetPtr runCommand(const platform::data::ConnectionPtr& cn, const std::string& sql,
                                        const std::vector<ColumnValue>& parameters, bool noRecords);

// The record's property that a column of the price tables holds.
const Variant& propertyOf(const PriceRecord& record, std::string_view column);

// Record copy: the current row into `record` as the lookups take it (dates as Dates, the
// amounts as Doubles, a null discount as 0, a null expiry date as Null). BusinessPartnerID is
// left to each lookup.
void copyRecord(platform::data::Recordset& rs, PriceRecord& record);

// What a handler holds on to before it reports: when `cn` is still open, the text of its
// errors, and it is closed; otherwise the empty text.
std::string releaseConnection(platform::data::ConnectionPtr& cn);

}  // namespace merxa::pricing

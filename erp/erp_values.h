// Reading the values callers pass to the ERP components and the rows of its tables.
#pragma once

#include <string>

#include "erp/erp_database.h"
#include "platform/data/recordset.h"

namespace erp {

// The text of a value; Null and Empty are "".
std::string textOf(const Variant& value);
// The same without surrounding blanks.
std::string trimmedText(const Variant& value);

// A date as callers send it: a Date, a text the platform reads as one, "yyyymmdd" or
// "yyyy/mm/dd" (release 4.0c), a date object of release 5.0c (getYear, getMonth, getDate);
// nothing (Empty, Null, blanks) is today. The time of day is
// dropped. False when the value is no date.
bool readDate(const Variant& value, platform::Date& out);

double roundCents(double amount);

// The item (ITEMCODE, DESCRIPTION, SALESUNIT, TAXCLASS, WAREHOUSE, ...) of an item code as
// sent, blank project segments removed; an empty recordset when the ERP has no such item.
platform::data::RecordsetPtr itemRow(ErpSession& db, const std::string& itemCode);

}  // namespace erp

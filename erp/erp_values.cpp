#include "erp/erp_values.h"

#include <cctype>
#include <cmath>

#include "enterprise/sql_encoder.h"

namespace erp {

std::string textOf(const Variant& value) {
  if (value.isNull() || value.isEmpty()) return {};
  return value.toString();
}

std::string trimmedText(const Variant& value) { return platform::trimBlanks(textOf(value)); }

namespace {

bool allDigits(const std::string& s) {
  for (unsigned char c : s)
    if (!std::isdigit(c)) return false;
  return !s.empty();
}

// The day of a year, month and day, checked to be a real one.
bool dateOf(int year, int month, int day, platform::Date& out) {
  if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31) return false;
  out = platform::Date::fromParts(year, month, day);
  int y, m, d, h, mi, s;
  out.toParts(y, m, d, h, mi, s);
  return m == month && d == day;  // 31 April would have become 1 May
}

// "yyyymmdd" or "yyyy/mm/dd", checked to be a real day.
bool readCompactDate(const std::string& text, platform::Date& out) {
  std::string digits;
  if (text.size() == 8 && allDigits(text)) {
    digits = text;
  } else if (text.size() == 10 && text[4] == '/' && text[7] == '/') {
    digits = text.substr(0, 4) + text.substr(5, 2) + text.substr(8, 2);
    if (!allDigits(digits)) return false;
  } else {
    return false;
  }
  return dateOf(std::stoi(digits.substr(0, 4)), std::stoi(digits.substr(4, 2)), std::stoi(digits.substr(6, 2)), out);
}

}  // namespace

bool readDate(const Variant& value, platform::Date& out) {
  if (value.type() == platform::VarType::Object && !value.isNothing()) {
    // A date object of release 5.0c: the year since 1900, the month from 0, the day.
    const platform::ObjectPtr date = value.toObject();
    return dateOf(date->call("getYear").toLong() + 1900, date->call("getMonth").toLong() + 1,
                  date->call("getDate").toLong(), out);
  }
  if (value.type() == platform::VarType::Date) {
    out = value.toDate().dateOnly();
    return true;
  }
  const std::string text = trimmedText(value);
  if (text.empty()) {
    out = platform::Date::today();
    return true;
  }
  if (readCompactDate(text, out)) return true;
  if (!platform::parseDateText(text, out)) return false;
  out = out.dateOnly();
  return true;
}

double roundCents(double amount) { return std::round(amount * 100.0) / 100.0; }

platform::data::RecordsetPtr itemRow(ErpSession& db, const std::string& itemCode) {
  return db.query("SELECT ITEMCODE, DESCRIPTION, SALESUNIT, PRICEUNIT, TAXCLASS, WAREHOUSE FROM ITEM WHERE ITEMCODE = " +
                  enterprise::sqlText(platform::trimBlanks(itemCode)));
}

}  // namespace erp

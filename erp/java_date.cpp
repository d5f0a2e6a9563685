#include "erp/java_date.h"

#include "platform/value.h"

namespace erp {

JavaDate::JavaDate() {
  int year, month, day, hour, minute, second;
  platform::Date::today().toParts(year, month, day, hour, minute, second);
  year_ = year - 1900;
  month_ = month - 1;
  day_ = day;
}

const platform::DispatchTable& JavaDate::dispatch() const {
  static const platform::DispatchTable table = platform::Members<JavaDate>("java.util.Date")
                                                   .method("getYear", &JavaDate::getYear)
                                                   .method("getMonth", &JavaDate::getMonth)
                                                   .method("getDate", &JavaDate::getDate)
                                                   .method("setYear", &JavaDate::setYear)
                                                   .method("setMonth", &JavaDate::setMonth)
                                                   .method("setDate", &JavaDate::setDate);
  return table;
}

}  // namespace erp

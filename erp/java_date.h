// "java:java.util.Date": the date object release 5.0c's components take, as the ERP's Java
// bridge hands it out: the year since 1900, the month from 0, the day of the month. A new one
// holds today.
#pragma once

#include <cstdint>

#include "platform/object.h"

namespace erp {

class JavaDate : public platform::Object {
 public:
  JavaDate();
  const platform::DispatchTable& dispatch() const override;

  int32_t getYear() const { return year_; }
  int32_t getMonth() const { return month_; }
  int32_t getDate() const { return day_; }
  void setYear(int16_t year) { year_ = year; }
  void setMonth(int16_t month) { month_ = month; }
  void setDate(int16_t day) { day_ = day; }

 private:
  int32_t year_ = 0, month_ = 0, day_ = 1;
};

}  // namespace erp

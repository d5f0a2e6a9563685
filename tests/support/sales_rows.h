// Reading and writing the sales database directly, beside the classes under test.
#pragma once

#include <string>

#include "common/lib_sales.h"

namespace testsupport {

inline platform::data::RecordsetPtr rowsOf(const std::string& sql) {
  return merxa::Sls_GetDisconnectedRecordset(sql, merxa::Sls_ConnectionString());
}

// The first column of the first row of `sql`, or Null when there is no row.
inline platform::Variant valueOf(const std::string& sql) {
  auto rs = rowsOf(sql);
  return rs->empty() ? platform::Variant::null() : rs->field(0)->Value();
}

inline void runOnSales(const std::string& sql) {
  auto cn = merxa::Sls_GetOpenConnection(merxa::Sls_ConnectionString());
  cn->executeNoRecords(sql);
  merxa::Sls_CloseConnection(cn);
}

}  // namespace testsupport

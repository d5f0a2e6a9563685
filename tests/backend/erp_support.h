// Reading and writing the ERP stand-in's database directly, beside the components under test.
#pragma once

#include <string>

#include "platform/data/connection.h"
#include "platform/data/recordset.h"
#include "tests/support/sales_fixture.h"

namespace backendtest {

// The first column of the first row of `sql`, or Null when there is no row.
inline platform::Variant erpValue(const std::string& sql) {
  auto cn = platform::makeObject<platform::data::Connection>();
  cn->open(testsupport::erpConnectionString());
  auto rs = platform::makeObject<platform::data::Recordset>();
  rs->open(sql, cn, platform::data::adOpenStatic, platform::data::adLockReadOnly);
  const platform::Variant v = rs->empty() ? platform::Variant::null() : rs->field(0)->Value();
  cn->Close();
  return v;
}

inline void runOnErp(const std::string& sql) {
  auto cn = platform::makeObject<platform::data::Connection>();
  cn->open(testsupport::erpConnectionString());
  cn->executeNoRecords(sql);
  cn->Close();
}

}  // namespace backendtest

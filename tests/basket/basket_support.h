// Shared steps of the basket tests.
#pragma once

#include <string>

#include "basket/basket.h"
#include "basket/sales_document.h"
#include "common/lib_sales.h"
#include "platform/data/recordset.h"
#include "tests/support/sales_fixture.h"

namespace baskettest {

using platform::Variant;

// A demo customer with addresses, currency and carrier.
inline int32_t demoPartner() { return testsupport::demoPartnerId(); }

// Number of rows `sql` counts.
inline int32_t countOf(const std::string& sql) {
  auto rs = merxa::Sls_GetDisconnectedRecordset(sql, merxa::Sls_ConnectionString());
  return rs->field(0)->Value().toLong();
}

inline int32_t linesStored(const std::string& basketId) {
  return countOf("SELECT COUNT(*) FROM BASKETLINE WHERE BASKETID = '" + basketId + "'");
}

inline std::string idOf(const platform::DictionaryPtr& doc) {
  return merxa::documentHeader(doc)->value("BASKETID").toString();
}

// Adds a line in memory, the way the web layer fills one.
inline void addLine(const platform::DictionaryPtr& doc, int32_t lineNr, int32_t sku, double quantity) {
  auto lines = merxa::documentLines(doc);
  lines->addNew();
  lines->setValue("BASKETID", Variant(idOf(doc)));
  lines->setValue("BASKETLINENR", Variant(lineNr));
  lines->setValue("SKU", Variant(sku));
  lines->setValue("QUANTITY", Variant(quantity));
  lines->setValue("REQUESTDATE", Variant(platform::Date::fromParts(2026, 12, 24)));
  lines->setValue("PRODUCTCONFIGURABLE", Variant(false));
}

}  // namespace baskettest

// Shared steps of the quotation tests: baskets as the pages fill them, and reading back what
// was stored.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "basket/basket.h"
#include "basket/sales_document.h"
#include "common/lib_sales.h"
#include "platform/data/recordset.h"
#include "platform/data/testing.h"
#include "platform/error.h"
#include "quotation/quotation.h"
#include "tests/support/sales_fixture.h"

namespace quotationtest {

using platform::Date;
using platform::DictionaryPtr;
using platform::Variant;
using platform::data::RecordsetPtr;

inline RecordsetPtr rowsOf(const std::string& sql) {
  return merxa::Sls_GetDisconnectedRecordset(sql, merxa::Sls_ConnectionString());
}

inline int32_t countOf(const std::string& sql) { return rowsOf(sql)->field(0)->Value().toLong(); }

inline void run(const std::string& sql) {
  auto cn = merxa::Sls_GetOpenConnection(merxa::Sls_ConnectionString());
  cn->executeNoRecords(sql);
  merxa::Sls_CloseConnection(cn);
}

// Runs `operation` with its n-th statement failing; whether it failed.
template <class Operation>
bool failsAt(int n, Operation&& operation) {
  platform::data::StatementFailure failure(n);
  try {
    operation();
  } catch (const platform::ComError&) {
    return true;
  }
  return false;
}

inline Date inDays(int days) { return Date{Date::today().serial + days}; }

inline std::string basketIdOf(const DictionaryPtr& doc) {
  return merxa::documentHeader(doc)->value("BASKETID").toString();
}

// A stored basket of `partner` with its header filled as the pages fill it.
inline DictionaryPtr basketOf(merxa::Basket& basket, const std::string& user, int32_t partner,
                              const char* customerCode, Variant kiroId = Variant(1)) {
  auto doc = basket.Create(user, partner);
  auto header = merxa::documentHeader(doc);
  header->setValue("BASKETNAME", Variant("  Spring order "));
  header->setValue("CUSTOMERCODE", Variant(customerCode));
  header->setValue("USERLOCALE", Variant(1033));
  header->setValue("KIROID", kiroId);
  return doc;
}

// Adds a basket line; `fields` override the plain defaults.
inline void addLine(const DictionaryPtr& doc, int32_t lineNr, int32_t sku, const char* partNumber, double quantity,
                    std::vector<std::pair<const char*, Variant>> fields = {}) {
  auto lines = merxa::documentLines(doc);
  lines->addNew();
  fields.insert(fields.begin(), {{"BASKETID", Variant(basketIdOf(doc))}, {"BASKETLINENR", Variant(lineNr)},
                                 {"SKU", Variant(sku)}, {"PARTNUMBER", Variant(partNumber)},
                                 {"QUANTITY", Variant(quantity)}, {"REQUESTDATE", Variant(inDays(10))},
                                 {"PRODUCTCONFIGURABLE", Variant(false)}});
  for (const auto& [field, value] : fields) lines->setValue(field, value);
}

// The demonstration shop's quotations are left out: each test counts and remembers only the
// quotations it makes.
inline void clearDemoQuotations() {
  run("DELETE FROM QUOTATIONLINE");
  run("DELETE FROM QUOTATIONHEADER");
}

template <class Base>
class WithoutDemoQuotations : public Base {
 protected:
  void SetUp() override {
    Base::SetUp();
    clearDemoQuotations();
  }
};
using QuotationTest = WithoutDemoQuotations<testsupport::SalesTest>;
using QuotationErpTest = WithoutDemoQuotations<testsupport::ErpTest>;

}  // namespace quotationtest

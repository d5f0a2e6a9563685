// The stored basket the order benchmarks submit: customer 1001 (billing 101, shipping 102),
// ERP instance 1, every line priced at 12.5 for 2 units on 24 December.
#pragma once

#include <cstdio>
#include <string>

#include "common/encoding.h"
#include "platform/data/connection.h"
#include "tests/support/sales_fixture.h"

namespace bench {

// A new basket identifier of 32 characters: `prefix` and a running number.
inline std::string nextBasketId(const char* prefix) {
  static int counter = 0;
  char id[33];
  std::snprintf(id, sizeof id, "%s%0*d", prefix, static_cast<int>(32 - std::string(prefix).size()), ++counter);
  return id;
}

struct BasketLine {
  const char* unit;
  const char* date;         // as the database stores it
  const char* partNumber;   // Null when null
  const char* taxCode;      // Null when null
  bool sameSku;             // every line product 4711, else 4701, 4702, ...
};

inline std::string literalOrNull(const char* text) { return text ? merxa::SqlLiteralText(text) : "NULL"; }

inline void storeBasket(const std::string& id, int lines, const BasketLine& line) {
  const std::string basket = merxa::SqlLiteralText(id);
  auto cn = platform::makeObject<platform::data::Connection>();
  cn->open(testsupport::connectionString());
  cn->BeginTrans();
  cn->executeNoRecords(
      "INSERT INTO BASKETHEADER (BASKETID, USERID, BUSINESSPARTNERID, BASKETNAME, BASKETDATE, BILLINGADDRESSID, "
      "SHIPPINGADDRESSID, CURRENCYCODE, CARRIERCODE, KIROID, DISCOUNTPERC, TOTALNETAMOUNT, DISCOUNTTOTAL, SUBTOTAL, "
      "TOTAL) VALUES (" + basket + ", 'U1', 1001, 'Bench order', '2026-12-01 00:00:00', 101, 102, 'EUR', 'ROAD', 1, 0, "
      "1250, 0, 1250, 1250)");
  for (int nr = 1; nr <= lines; ++nr)
    cn->executeNoRecords(
        "INSERT INTO BASKETLINE (BASKETID, BASKETLINENR, SKU, QUANTITY, REQUESTDATE, ADDRESSID, PRODUCTCONFIGURABLE, "
        "PRODUCTUNITCODE, PRODUCTPRICE, DISCOUNTPERC, DISCOUNTAMOUNT, LINEDISCOUNTAMOUNT, ORDERDISCOUNTAMOUNT, "
        "LINEAMOUNT, PARTNUMBER, TAXCODE) VALUES (" + basket + ", " + std::to_string(nr) + ", " +
        std::to_string(line.sameSku ? 4711 : 4700 + nr) + ", 2, '" + line.date + "', 102, 0, '" + line.unit +
        "', 12.5, 0, 0, 0, 0, 25, " + literalOrNull(line.partNumber) + ", " + literalOrNull(line.taxCode) + ")");
  cn->CommitTrans();
  cn->Close();
}

}  // namespace bench

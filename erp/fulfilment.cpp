#include "erp/fulfilment.h"

#include <cmath>
#include <map>

#include "enterprise/sql_encoder.h"
#include "erp/erp_database.h"
#include "platform/error.h"

namespace erp {

using enterprise::sqlDate;
using enterprise::sqlDouble;
using enterprise::sqlLong;
using enterprise::sqlText;

namespace {

constexpr const char* kSource = "ERP.Fulfilment";

[[noreturn]] void refuse(const std::string& why) { platform::raiseError(kFulfilmentRefused, kSource, why); }

int32_t nextNumber(ErpSession& db, const char* range) {
  db.execute("UPDATE NUMBERRANGE SET LASTNUMBER = LASTNUMBER + 1 WHERE RANGENAME = " + sqlText(range));
  return db.query("SELECT LASTNUMBER FROM NUMBERRANGE WHERE RANGENAME = " + sqlText(range))->value("LASTNUMBER").toLong();
}

double numberOf(const Variant& v) { return v.isNull() || v.isEmpty() ? 0.0 : v.toDouble(); }

// Amounts as the ERP books them: to the cent.
double cents(double amount) { return std::round(amount * 100.0) / 100.0; }

void requireOrder(ErpSession& db, const std::string& order) {
  if (db.query("SELECT SALESORDER FROM SALESORDER WHERE SALESORDER = " + sqlText(order))->empty())
    refuse("Sales order '" + order + "' does not exist");
}

}  // namespace

std::string shipOrder(const std::string& order, const std::vector<ShipmentLine>& lines, platform::Date date) {
  ErpSession db;
  requireOrder(db, order);
  // What each position still has to ship.
  std::map<int32_t, double> open;
  for (auto rows = db.query("SELECT L.POSITIONNUMBER, L.ORDEREDQUANTITY, (SELECT SUM(S.DELIVEREDQUANTITY) FROM SHIPMENT S "
                            "WHERE S.SALESORDER = L.SALESORDER AND S.POSITIONNUMBER = L.POSITIONNUMBER) AS SHIPPED "
                            "FROM SALESORDERLINE L WHERE L.SALESORDER = " +
                            sqlText(order) + " ORDER BY L.POSITIONNUMBER");
       !rows->eof(); rows->MoveNext())
    open[rows->value("POSITIONNUMBER").toLong()] =
        numberOf(rows->value("ORDEREDQUANTITY")) - numberOf(rows->value("SHIPPED"));

  std::map<int32_t, double> shipping;
  if (lines.empty()) {
    for (const auto& [position, quantity] : open)
      if (quantity > 0) shipping[position] = quantity;
    if (shipping.empty()) refuse("Sales order '" + order + "' has nothing left to ship");
  } else {
    for (const ShipmentLine& line : lines) {
      if (!open.count(line.position))
        refuse("Sales order '" + order + "' has no position " + std::to_string(line.position));
      if (!(line.quantity > 0)) refuse("A shipped quantity must be greater than 0");
      shipping[line.position] += line.quantity;
    }
    for (const auto& [position, quantity] : shipping)
      if (quantity > open[position] + 1e-9)
        refuse("Position " + std::to_string(position) + " of sales order '" + order + "' has " +
               platform::Variant(open[position]).toString() + " left to ship");
  }

  db.begin();
  const std::string shipment = std::to_string(nextNumber(db, "SHIPMENT"));
  for (const auto& [position, quantity] : shipping)
    db.execute("INSERT INTO SHIPMENT (SHIPMENTNUMBER, SALESORDER, POSITIONNUMBER, DELIVEREDQUANTITY, DELIVEREDDATE) "
               "VALUES (" + sqlText(shipment) + ", " + sqlText(order) + ", " + sqlLong(position) + ", " +
               sqlDouble(quantity) + ", " + sqlDate(date) + ")");
  db.commit();
  return shipment;
}

std::vector<std::string> invoiceOrder(const std::string& order, platform::Date date) {
  ErpSession db;
  requireOrder(db, order);
  struct Billed {
    int32_t position;
    double amount, discount, tax;
  };
  std::map<std::string, std::vector<Billed>> byShipment;
  for (auto rows = db.query(
           "SELECT S.SHIPMENTNUMBER, S.POSITIONNUMBER, S.DELIVEREDQUANTITY, L.ORDEREDQUANTITY, L.AMOUNT, "
           "L.DISCOUNTAMOUNT, T.TAXPERC FROM SHIPMENT S INNER JOIN SALESORDERLINE L ON L.SALESORDER = S.SALESORDER "
           "AND L.POSITIONNUMBER = S.POSITIONNUMBER LEFT JOIN TAXCODE T ON T.TAXCODE = L.TAXCODE "
           "WHERE S.SALESORDER = " + sqlText(order) +
           " AND NOT EXISTS (SELECT 1 FROM INVOICE V WHERE V.SALESORDER = S.SALESORDER AND V.SHIPMENTNUMBER = "
           "S.SHIPMENTNUMBER AND V.POSITIONNUMBER = S.POSITIONNUMBER) ORDER BY S.SHIPMENTNUMBER, S.POSITIONNUMBER");
       !rows->eof(); rows->MoveNext()) {
    const double ordered = numberOf(rows->value("ORDEREDQUANTITY"));
    const double share = ordered > 0 ? numberOf(rows->value("DELIVEREDQUANTITY")) / ordered : 0.0;
    const double amount = cents(numberOf(rows->value("AMOUNT")) * share);
    byShipment[rows->value("SHIPMENTNUMBER").toString()].push_back(
        {rows->value("POSITIONNUMBER").toLong(), amount, cents(numberOf(rows->value("DISCOUNTAMOUNT")) * share),
         cents(amount * numberOf(rows->value("TAXPERC")) / 100.0)});
  }
  if (byShipment.empty()) refuse("Sales order '" + order + "' has no shipment left to invoice");

  std::vector<std::string> invoices;
  db.begin();
  for (const auto& [shipment, lines] : byShipment) {
    double goods = 0, tax = 0;
    for (const Billed& b : lines) {
      goods += b.amount;
      tax += b.tax;
    }
    const std::string invoice = std::to_string(nextNumber(db, "INVOICE"));
    // Every row carries the invoice's totals, as the ERP's invoice register keeps them.
    for (const Billed& b : lines)
      db.execute("INSERT INTO INVOICE (INVOICENUMBER, SALESORDER, POSITIONNUMBER, INVOICEDATE, SHIPMENTNUMBER, "
                 "LINEAMOUNT, LINEDISCOUNTAMOUNT, TAXAMOUNT, GOODSAMOUNT, COSTSERVICEAMOUNT, INVOICEAMOUNT) VALUES (" +
                 sqlText(invoice) + ", " + sqlText(order) + ", " + sqlLong(b.position) + ", " + sqlDate(date) + ", " +
                 sqlText(shipment) + ", " + sqlDouble(b.amount) + ", " + sqlDouble(b.discount) + ", " +
                 sqlDouble(cents(tax)) + ", " + sqlDouble(cents(goods)) + ", 0, " + sqlDouble(cents(goods + tax)) + ")");
    invoices.push_back(invoice);
  }
  db.commit();
  return invoices;
}

}  // namespace erp

namespace erp {

const platform::DispatchTable& FulfilmentDesk::dispatch() const {
  static const platform::DispatchTable table = platform::Members<FulfilmentDesk>("ErpOperator.Fulfilment")
                                                   .method("Ship", &FulfilmentDesk::Ship)
                                                   .method("Invoice", &FulfilmentDesk::Invoice);
  return table;
}

std::string FulfilmentDesk::Ship(const std::string& order, const Variant& lines, platform::Date date) {
  std::vector<ShipmentLine> shipment;
  if (!lines.isEmpty()) {
    const platform::SafeArray& items = lines.array();
    if (items.items.size() % 2 != 0) refuse("Positions and quantities come in pairs");
    for (size_t i = 0; i + 1 < items.items.size(); i += 2)
      shipment.push_back({items.items[i].toLong(), items.items[i + 1].toDouble()});
  }
  return shipOrder(order, shipment, date);
}

Variant FulfilmentDesk::Invoice(const std::string& order, platform::Date date) {
  platform::SafeArray numbers;
  for (const std::string& n : invoiceOrder(order, date)) numbers.items.emplace_back(n);
  return Variant(std::move(numbers));
}

}  // namespace erp

#include "order/order.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "basket/sales_document.h"
#include "common/encoding.h"
#include "common/error_handling.h"
#include "common/lib_sales.h"
#include "manager/manager.h"
#include "order/order_status.h"

namespace merxa {

using platform::Date;
using platform::ObjectPtr;
using platform::data::Recordset;
using platform::data::RecordsetPtr;
namespace ado = platform::data;

namespace {

// The columns of an address record that an order keeps a frozen copy of.
constexpr const char* kAddressColumns[] = {"COUNTRYCODE", "NAME1",   "NAME2",         "STREET1", "STREET2",
                                           "CITY1",       "CITY2",   "STATEPROVINCE", "ZIPCODE", "PHONE",
                                           "FAX",         "COUNTRYNAME", "SHORTDESCRIPTION"};

// The columns of one row to insert, each with the literal of its value, in statement order.
using Row = std::vector<std::pair<const char*, std::string>>;

std::string insertStatement(const char* table, const Row& row) {
  std::string columns, values;
  for (const auto& [column, literal] : row) {
    if (!columns.empty()) {
      columns += ", ";
      values += ", ";
    }
    columns += column;
    values += literal;
  }
  return std::string("INSERT INTO ") + table + " (" + columns + ") VALUES (" + values + ")";
}

void execute(const ConnectionPtr& cn, const std::string& sql) {
  Variant affected;
  cn->Execute(sql, affected, Variant(static_cast<int>(ado::adExecuteNoRecords)));
}

// Whether the document is a quotation ("origin" 1); anything else is a basket.
bool isQuotation(const DictionaryPtr& document) { return documentEntry(document, "origin").toLong() == 1; }

// The column of the current row, or Empty when the document's table has no such column: a
// quotation comes from tables without the basket's order type, payment, tax and freight
// columns, and for its order those are simply not filled in.
Variant optional(const Recordset& rs, std::string_view column) {
  const int index = rs.columnIndex(column);
  return index < 0 ? Variant() : rs.valueAt(index);
}

bool filled(const Variant& v) { return !v.isNull() && !v.isEmpty(); }

std::string text(const Variant& v) { return SqlLiteralValue(v); }
std::string number(const Variant& v) { return SqlLiteralDouble(v.toDouble()); }
std::string whole(const Variant& v) { return SqlLiteralLong(v.toLong()); }
std::string date(const Variant& v) { return SqlLiteralDate(v.toDate()); }

std::string orNull(const Variant& v, std::string (*literal)(const Variant&)) { return filled(v) ? literal(v) : "NULL"; }
std::string orZero(const Variant& v) { return filled(v) ? number(v) : "0"; }

// Writes `id` into the QUOTATIONID of the header and of every line.
void nameQuotationDocument(const RecordsetPtr& header, const RecordsetPtr& lines, const Variant& id) {
  header->setValue("QUOTATIONID", id);
  if (!lines->empty())
    for (lines->MoveFirst(); !lines->eof(); lines->MoveNext()) lines->setValue("QUOTATIONID", id);
}

// The address a line ships to: its own, or the order's shipping address when it has none.
Variant lineAddress(const Recordset& lines, const Variant& shippingAddress) {
  const Variant own = optional(lines, "ADDRESSID");
  return filled(own) ? own : shippingAddress;
}

}  // namespace

const platform::DispatchTable& Order::dispatch() const {
  static const platform::DispatchTable table =
      platform::Members<Order>("Merxa.Order")
          .method("SubmitBasket", &Order::SubmitBasket)
          .method("Restore", &Order::Restore)
          .method("OrdersExist", &Order::OrdersExist)
          .method("GetAddress", &Order::GetAddress)
          .method("UpdateOrderStatus", &Order::UpdateOrderStatus)
          .method("GetBPStoredInDB", &Order::GetBPStoredInDB)
          .method("CreateSOatBackend", &Order::createSOatBackendCall, 2);
  return table;
}

void Order::SubmitBasket(const Variant& iBasket) {
  guarded("Order.SubmitBasket", [&] {
    const DictionaryPtr document = documentOf(iBasket);
    const bool quotation = isQuotation(document);
    RecordsetPtr header = documentHeader(document);
    RecordsetPtr lines = documentLines(document);

    std::string sourceId;
    if (!quotation) {
      sourceId = header->value("BASKETID").toString();
    } else {
      // A quotation can be ordered more than once: each order gets an identifier of its own.
      sourceId = header->value("QUOTATIONID").toString();
      nameQuotationDocument(header, lines, Variant(Sls_CreateGUID()));
    }

    try {
      ScopedConnection cn;
      ScopedTransaction tx(cn.get());
      InsertAddresses(document, cn.get());
      InsertOrderHeader(document, cn.get(), sourceId);
      InsertOrderLines(document, cn.get());
      if (!quotation) {
        const std::string basketId = SqlLiteralValue(Variant(sourceId));
        execute(cn.get(), "DELETE FROM BASKETLINE WHERE BASKETID = " + basketId);
        execute(cn.get(), "DELETE FROM BASKETHEADER WHERE BASKETID = " + basketId);
      } else {
        UpdateQuotation(sourceId, cn.get());
      }
      tx.commit();
    } catch (...) {
      // Nothing was stored: the document names its quotation again, so that trying once more
      // orders that quotation rather than an order that does not exist.
      if (quotation) nameQuotationDocument(header, lines, Variant(sourceId));
      throw;
    }

    // An order without an ERP instance has no instance settings to follow: it waits for export.
    const Variant kiroId = header->value("KIROID");
    if (!filled(kiroId)) return;
    std::string exportType = "EXPORTMESSAGETYPE";
    platform::makeObject<Manager>()->GetKiroOrderProcessParam(kiroId.toLong(), exportType);
    if (exportType != "2") return;
    // The order is stored whatever happens now: a hand-over that fails leaves it pending for
    // the instance's next export, and the submission still succeeded.
    try {
      CreateSOatBackend(0, document);
    } catch (...) {
      LogWarning("Order.SubmitBasket", Variant("Order " + header->value(quotation ? "QUOTATIONID" : "BASKETID").toString() +
                                               " waits for the next export"));
    }
  });
}

void Order::InsertAddresses(const DictionaryPtr& document, const ConnectionPtr& cn) {
  std::string sql;
  guarded(
      "Order.InsertAddresses",
      [&] {
        RecordsetPtr header = documentHeader(document);
        RecordsetPtr lines = documentLines(document);
        const std::string orderId = header->value(isQuotation(document) ? "QUOTATIONID" : "BASKETID").toString();

        // Each address once, in the order of first use.
        std::vector<int32_t> addresses;
        auto use = [&](const Variant& address) {
          const int32_t id = address.toLong();
          if (std::find(addresses.begin(), addresses.end(), id) == addresses.end()) addresses.push_back(id);
        };
        const Variant shippingAddress = header->value("SHIPPINGADDRESSID");
        use(header->value("BILLINGADDRESSID"));
        use(shippingAddress);
        if (!lines->empty())
          for (lines->MoveFirst(); !lines->eof(); lines->MoveNext()) use(lineAddress(*lines, shippingAddress));

        ObjectPtr partner = Sls_GetComponent("CorvoCommon.BusinessPartner");
        for (const int32_t id : addresses) {
          sql = "SELECT * FROM ADDRESSHISTORY WHERE ORDERID = " + SqlLiteralText(orderId) +
                " AND ADDRESSID = " + SqlLiteralLong(id);
          auto history = platform::makeObject<Recordset>();
          history->open(sql, cn, ado::adOpenKeyset, ado::adLockOptimistic);
          if (history->empty()) {
            RecordsetPtr address = partner->call("GetAddress", {Variant(id)}).as<Recordset>();
            history->addNew();
            history->setValue("ORDERID", Variant(orderId));
            history->setValue("ADDRESSID", Variant(id));
            for (const char* column : kAddressColumns) history->setValue(column, address->value(column));
            const Variant code = partner->call("GetKiroAddressCodeFromAddressID", {Variant(id)}).toString();
            if (Sls_HasValue(code)) history->setValue("KIROADDRESSCODE", code);
            history->update();
          }
          history->Close();
        }
      },
      [&] { return ConnectionErrorsText(cn) + " executing: '" + sql + "'"; });
}

void Order::InsertOrderHeader(const DictionaryPtr& document, const ConnectionPtr& cn, const std::string& sourceId) {
  std::string sql;
  guarded(
      "Order.InsertOrderHeader",
      [&] {
        const bool quotation = isQuotation(document);
        RecordsetPtr header = documentHeader(document);
        const Recordset& h = *header;
        requireStorableText(h, "the header");

        // A payment method that is not filled in is 1, in the document as in the order.
        Variant paymentMethod = optional(h, "PAYMENTMETHOD");
        if (!filled(paymentMethod)) {
          paymentMethod = Variant(1);
          if (h.columnIndex("PAYMENTMETHOD") >= 0) header->setValue("PAYMENTMETHOD", paymentMethod);
        }
        const Variant calculateTax = optional(h, "CALCULATETAX");

        const Row row{
            {"ORDERID", text(h.value(quotation ? "QUOTATIONID" : "BASKETID"))},
            {"CURRENCYCODE", text(h.value("CURRENCYCODE"))},
            {"USERID", text(h.value("USERID"))},
            {"SHIPPINGADDRESSID", whole(h.value("SHIPPINGADDRESSID"))},
            {"BILLINGADDRESSID", whole(h.value("BILLINGADDRESSID"))},
            {"BUSINESSPARTNERID", whole(h.value("BUSINESSPARTNERID"))},
            {"CARRIERCODE", text(h.value("CARRIERCODE"))},
            {"ORDERLISTNAME", text(h.value(quotation ? "CUSTOMERREFERENCE" : "BASKETNAME"))},
            {"ORDERSTATUS", SqlLiteralLong(ToBeProcessed)},
            {"ORDERDATE", SqlLiteralDate(quotation ? Date::today() : h.value("BASKETDATE").toDate())},
            {"ORDERTYPE", text(optional(h, "ORDERTYPE"))},
            {"HEADERTEXT", text(h.value(quotation ? "COMMENTS" : "BASKETTEXT"))},
            {"SALESORDERNR", SqlLiteralText("")},
            {"QUOTATIONID", quotation ? SqlLiteralText(sourceId) : "NULL"},
            {"DISCOUNTPERC", number(h.value("DISCOUNTPERC"))},
            {"CUSTOMERPONR", text(optional(h, "CUSTOMERPONUMBER"))},
            {"ACKNOWLEDGEMENTURL", text(optional(h, "ACKNOWLEDGEMENTURL"))},
            {"KIROID", orNull(h.value("KIROID"), whole)},
            {"FREIGHTTOTAL", orNull(optional(h, "FREIGHTTOTAL"), number)},
            {"WEBPAYMENTMETHOD", whole(paymentMethod)},
            {"FREIGHTTAX", orNull(optional(h, "FREIGHTTAXTOTAL"), number)},
            {"CALCULATETAX", filled(calculateTax) ? SqlLiteralLong(calculateTax.toInteger()) : "0"},
            {"CURRENCYDECIMALS", orNull(optional(h, "CURRENCYDECIMALS"), whole)},
            {"CUSTOMERCODE", text(h.value("CUSTOMERCODE"))},
            {"CUSTOMERNAME", text(h.value("CUSTOMERNAME"))},
            {"FREIGHTTAXCODE", text(optional(h, "FREIGHTTAXCODE"))},
            {"FREIGHTTAXCODEDESCRIPTION", text(optional(h, "FREIGHTTAXCODEDESCRIPTION"))},
            {"FREIGHTTAXPERC", orNull(optional(h, "FREIGHTTAXPERC"), number)},
            {"SUBTOTAL", orNull(h.value("SUBTOTAL"), number)},
            {"TAXTOTAL", orNull(optional(h, "TAXTOTAL"), number)},
            {"TOTAL", orNull(optional(h, "TOTAL"), number)},
            {"TOTALNETAMOUNT", orNull(h.value("TOTALNETAMOUNT"), number)},
            {"DISCOUNTTOTAL", orNull(h.value("DISCOUNTTOTAL"), number)},
            {"CURRENCYSYMBOL", text(h.value("CURRENCYSYMBOL"))},
        };
        sql = insertStatement("ORDERHEADER", row);
        execute(cn, sql);
      },
      [&] { return ConnectionErrorsText(cn) + " executing: '" + sql + "'"; });
}

void Order::InsertOrderLines(const DictionaryPtr& document, const ConnectionPtr& cn) {
  std::string sql;
  guarded(
      "Order.InsertOrderLines",
      [&] {
        const bool quotation = isQuotation(document);
        RecordsetPtr lines = documentLines(document);
        if (lines->empty()) return;
        const Variant shippingAddress = documentHeader(document)->value("SHIPPINGADDRESSID");
        const Recordset& l = *lines;

        int32_t lineNr = 1;
        for (lines->MoveFirst(); !lines->eof(); lines->MoveNext(), ++lineNr) {
          requireStorableText(l, "line " + std::to_string(lineNr));
          // A line discount given as a percentage is a unit amount on a quotation; a basket
          // line carries its own amount.
          const double discountPerc = l.value("DISCOUNTPERC").toDouble();
          Variant discountAmount;
          if (discountPerc == 0) discountAmount = l.value("DISCOUNTAMOUNT");
          else if (!quotation) discountAmount = l.value("LINEDISCOUNTAMOUNT");
          else discountAmount = Variant(l.value("PRODUCTPRICE").toDouble() * discountPerc / 100);

          const Variant configId = optional(l, "PRODUCTCONFIGID");
          const std::string trimmedConfigId = filled(configId) ? platform::trimBlanks(configId.toString()) : "";
          const bool configured = !trimmedConfigId.empty();

          const Row row{
              {"ORDERID", text(l.value(quotation ? "QUOTATIONID" : "BASKETID"))},
              {"LINENR", SqlLiteralLong(lineNr)},
              {"PRODUCTID", number(l.value("SKU"))},
              {"UNITCODE", text(optional(l, "PRODUCTUNITCODE"))},
              {"ADDRESSID", whole(lineAddress(l, shippingAddress))},
              {"QUANTITY", number(l.value("QUANTITY"))},
              {"PRICE", number(l.value("PRODUCTPRICE"))},
              {"DISCOUNTPERC", SqlLiteralDouble(discountPerc)},
              {"DISCOUNTAMOUNT", number(discountAmount)},
              {"AMOUNT", number(l.value("LINEAMOUNT"))},
              {"CONFIGID", configured ? SqlLiteralText(trimmedConfigId) : "NULL"},
              {"CONFIGCOMPLETE", configured ? "1" : "0"},
              {"LINETEXT", orNull(optional(l, "LINETEXT"), text)},
              {"REQUESTDATE", orNull(optional(l, "REQUESTDATE"), date)},
              {"ALLOCATIONDATE", "NULL"},
              {"LINETAX", orZero(optional(l, "TAXAMOUNT"))},
              {"LINEFREIGHT", orZero(optional(l, "FREIGHTAMOUNT"))},
              {"TAXCODE", orNull(optional(l, "TAXCODE"), text)},
              {"TAXPERCENTAGE", orZero(optional(l, "TAXPERCENTAGE"))},
              {"TAXCODEDESCRIPTION", orNull(optional(l, "TAXCODEDESCRIPTION"), text)},
              {"LINEFREIGHTTAX", orZero(optional(l, "FREIGHTTAXAMOUNT"))},
              {"LINESTATUS", SqlLiteralLong(NotAllocated)},
              {"ORDERDISCOUNT", number(l.value(quotation ? "DISCOUNTAMOUNT" : "ORDERDISCOUNTAMOUNT"))},
              {"PARTNUMBER", orNull(optional(l, "PARTNUMBER"), text)},
          };
          sql = insertStatement("ORDERLINE", row);
          execute(cn, sql);
        }
      },
      [&] { return ConnectionErrorsText(cn) + " executing: '" + sql + "'"; });
}

void Order::UpdateQuotation(const std::string& quotationId, const ConnectionPtr& cn) {
  guarded("Order.UpdateQuotation", [&] {
    execute(cn, "UPDATE QUOTATIONHEADER SET COPIEDTOORDER = 1 WHERE QUOTATIONID = " + SqlLiteralText(quotationId));
  });
}


}  // namespace merxa

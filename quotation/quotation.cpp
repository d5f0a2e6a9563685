#include "quotation/quotation.h"

#include <vector>

#include "basket/sales_document.h"
#include "common/encoding.h"
#include "common/error_handling.h"
#include "common/formatting.h"
#include "common/lib_sales.h"
#include "common/site_user_product.h"
#include "platform/data/recordset.h"

namespace merxa {

namespace ado = platform::data;

namespace {

bool hasText(const Variant& v) { return !v.isNull() && !v.isEmpty(); }

// A text column's literal: the trimmed text, NULL when the field holds nothing.
std::string trimmedOrNull(const Variant& v) {
  return hasText(v) ? SqlLiteralText(platform::trimBlanks(v.toString())) : "NULL";
}

// The current row's value, Empty when the document's table has no such column (a basket's
// lines carry no description).
Variant valueOrEmpty(const RecordsetPtr& rs, std::string_view name) {
  return rs->columnIndex(name) < 0 ? Variant() : rs->value(name);
}

// A flag column's literal; a line that leaves the flag Null has it off, as pricing reads it.
std::string flagOf(const Variant& v) { return SqlLiteralFlag(v.isNull() || v.isEmpty() ? 0 : v.toByte()); }

bool isBasketDocument(const RecordsetPtr& header) { return header->field(0)->Name() == "BASKETID"; }

std::string documentId(const RecordsetPtr& header) {
  return header->value(isBasketDocument(header) ? "BASKETID" : "QUOTATIONID").toString();
}

Date addDays(Date d, int32_t days) { return Date{d.serial + days}; }

}  // namespace

const platform::DispatchTable& Quotation::dispatch() const {
  static const platform::DispatchTable table =
      platform::Members<Quotation>("Merxa.Quotation")
          .method("Create", &Quotation::Create)
          .method("Save", &Quotation::Save)
          .method("Show", &Quotation::Show, 1)
          .method("GetLines", &Quotation::GetLines)
          .method("CopyQuotation", &Quotation::CopyQuotation, 1)
          .method("Delete", &Quotation::Delete)
          .method("DeleteLine", &Quotation::DeleteLine)
          .method("CheckQuotationLinesPresent", &Quotation::CheckQuotationLinesPresent)
          .method("GetBPStoredInDB", &Quotation::GetBPStoredInDB)
          .method("ConvertToXML", &Quotation::ConvertToXML)
          .method("Run", &Quotation::Run)
          .method("SendNotificationMail", &Quotation::SendNotificationMail)
          .method("fillLabelsArray", &Quotation::fillLabelsArray)
          .method("getToBeNotifiedQuotations", &Quotation::getToBeNotifiedQuotations)
          .method("UpdateNotificationStatus", &Quotation::UpdateNotificationStatus)
          .property("RemindersSent", &Quotation::RemindersSent);
  return table;
}

// ---- creation -----------------------------------------------------------------------------

void Quotation::Create(const Variant& i_oBasket) {
  ConnectionPtr cn;
  guarded(
      "Quotation.Create",
      [&] {
        DictionaryPtr document = documentOf(i_oBasket);
        const Variant basketId = documentHeader(document)->value("BASKETID");
        ScopedConnection scoped;
        cn = scoped.get();
        ScopedTransaction tx(cn);
        if (!CreateQuotation(document, cn)) return;  // rolled back by the scope
        const std::string id = SqlLiteralValue(basketId);
        cn->executeNoRecords("DELETE FROM BASKETLINE WHERE BASKETID = " + id);
        cn->executeNoRecords("DELETE FROM BASKETHEADER WHERE BASKETID = " + id);
        tx.commit();
      },
      [&] { return cn ? ConnectionErrorsText(cn) : std::string(); });
}

bool Quotation::CreateQuotation(const DictionaryPtr& document, const ConnectionPtr& cn) {
  return guarded("Quotation.CreateQuotation", [&] {
    GetPriceInfo(document);
    InsertQuotationHeader(document, cn);
    InsertQuotationLines(document, cn);
    return true;
  });
}

void Quotation::InsertQuotationHeader(const DictionaryPtr& document, const ConnectionPtr& cn) {
  std::string sql;
  guarded(
      "Quotation.InsertQuotationHeader",
      [&] {
        RecordsetPtr header = documentHeader(document);
        requireStorableText(*header, "header");
        const std::string partner = header->value("BUSINESSPARTNERID").toString();
        const bool basket = isBasketDocument(header);
        const Variant reference = header->value(basket ? "BASKETNAME" : "CUSTOMERREFERENCE");
        const Variant comments = header->value(basket ? "BASKETTEXT" : "COMMENTS");
        const std::string currency = GetPropertyValue("Currency", partner);

        sql = "INSERT INTO QUOTATIONHEADER (QUOTATIONID, CUSTOMERREFERENCE, BILLINGADDRESSID, SHIPPINGADDRESSID, "
              "CREATIONDATE, USERID,USERLOCALE, PRICINGMETHOD, CARRIERCODE, BUSINESSPARTNERID, CUSTOMERCODE, "
              "CUSTOMERNAME, CURRENCYCODE,CURRENCYSYMBOL, HOMECURRENCYCODE, KIROID, EXPIRYDATE,  "
              "NOTIFICATIONNEEDED, NOTIFICATIONDATE, COMMENTS, NOTIFICATIONSENT, COPIEDTOORDER, "
              "DISCOUNTPERC,DISCOUNTTOTAL, TOTALNETAMOUNT, SUBTOTAL) VALUES (";
        sql += SqlLiteralText(documentId(header)) + ", ";
        sql += SqlLiteralText(hasText(reference) ? platform::trimBlanks(reference.toString()) : "") + ", ";
        sql += SqlLiteralLong(header->value("BILLINGADDRESSID").toLong()) + ", ";
        sql += SqlLiteralLong(header->value("SHIPPINGADDRESSID").toLong()) + ", ";
        sql += SqlLiteralDate(Date::today()) + ", ";
        sql += SqlLiteralValue(header->value("USERID")) + ", ";
        sql += SqlLiteralLong(header->value("USERLOCALE").toLong()) + ", ";
        sql += SqlLiteralLong(Variant(GetPropertyValue("PricingMethod", partner)).toLong()) + ", ";
        sql += SqlLiteralValue(header->value("CARRIERCODE")) + ", ";
        sql += SqlLiteralLong(header->value("BUSINESSPARTNERID").toLong()) + ", ";
        sql += trimmedOrNull(header->value("CUSTOMERCODE")) + ", ";
        sql += trimmedOrNull(header->value("CUSTOMERNAME")) + ", ";
        sql += SqlLiteralText(currency) + ", ";
        sql += SqlLiteralText(Sls_GetCurrencySymol(currency)) + ", ";
        sql += SqlLiteralText(GetPropertyValue("HomeCurrency", "")) + ", ";
        sql += SqlLiteralLong(header->value("KIROID").toLong()) + ", ";
        const QuotationExpiry expiry = GetExpiryDate(document, cn);
        sql += SqlLiteralDate(expiry.expiryDate) + ", ";
        sql += SqlLiteralFlag(expiry.notify ? 1 : 0) + ", ";
        sql += (expiry.notificationDate.isNull() ? std::string("NULL") : SqlLiteralDate(expiry.notificationDate.toDate())) + ", ";
        sql += SqlLiteralText(hasText(comments) ? comments.toString() : "") + ", ";
        sql += "0, 0, ";
        sql += SqlLiteralDouble(header->value("DISCOUNTPERC").toDouble()) + ", ";
        sql += SqlLiteralDouble(header->value("DISCOUNTTOTAL").toDouble()) + ", ";
        sql += SqlLiteralDouble(header->value("TOTALNETAMOUNT").toDouble()) + ", ";
        sql += SqlLiteralDouble(header->value("SUBTOTAL").toDouble()) + ") ";
        cn->executeNoRecords(sql);
      },
      [&] { return ConnectionErrorsText(cn) + " Executing: '" + sql + "'"; });
}

QuotationExpiry Quotation::expiryFor(const QuotationSettings& settings, const Variant& productExpiry, Date today) {
  QuotationExpiry out;
  const Date byPeriod = addDays(today, settings.expirationPeriod);
  out.expiryDate = (!hasText(productExpiry) || productExpiry.toDate().serial > byPeriod.serial)
                       ? byPeriod
                       : productExpiry.toDate().dateOnly();
  out.notify = settings.notify;
  out.notificationDate = Variant::null();
  if (settings.notify) {
    Date reminder = addDays(out.expiryDate, -settings.notificationPeriod);
    if (reminder.serial < today.serial) reminder = today;
    out.notificationDate = Variant(reminder);
  }
  return out;
}

QuotationExpiry Quotation::GetExpiryDate(const DictionaryPtr& document, const ConnectionPtr& cn) {
  RecordsetPtr header = documentHeader(document);
  RecordsetPtr lines = documentLines(document);
  const QuotationSettings settings = GetQuotationSettings(header->value("BUSINESSPARTNERID").toString(), cn);
  // A quotation without lines has no products to expire by; it is not made.
  if (lines->RecordCount() <= 0) platform::raiseVb(platform::vb::SubscriptOutOfRange);
  std::vector<Variant> skus;
  for (lines->MoveFirst(); !lines->eof(); lines->MoveNext()) skus.push_back(lines->value("SKU"));
  const Variant productExpiry = GetMinProductProperty(Variant::array(std::move(skus)), "PRODUCTEXPIRYDATE");
  return expiryFor(settings, productExpiry, Date::today());
}

QuotationSettings Quotation::GetQuotationSettings(const std::string& businessPartnerId, const ConnectionPtr& cn) {
  QuotationSettings settings;
  RecordsetPtr rs = cn->execute(
      "SELECT EXPIRATIONPERIOD, NOTIFY, NOTIFICATIONPERIOD FROM CUSTOMERSETTING WHERE BUSINESSPARTNERID= " +
      SqlLiteralLong(businessPartnerIdOf(businessPartnerId, "Quotation.GetQuotationSettings")));
  if (rs->empty()) {
    std::string name = "Expiration Period";
    settings.expirationPeriod = Variant(Sls_GetParameterValue(name)).toLong();
    name = "Send Notification";
    settings.notify = Variant(Sls_GetParameterValue(name)).toBool();
    name = "Notification Period Before Expiry Date";
    settings.notificationPeriod = Variant(Sls_GetParameterValue(name)).toLong();
  } else {
    // A customer's row overrides all three defaults, also where its periods are empty.
    if (hasText(rs->value("EXPIRATIONPERIOD"))) settings.expirationPeriod = rs->value("EXPIRATIONPERIOD").toLong();
    settings.notify = rs->value("NOTIFY").toBool();
    if (hasText(rs->value("NOTIFICATIONPERIOD")))
      settings.notificationPeriod = rs->value("NOTIFICATIONPERIOD").toLong();
  }
  Sls_CloseRecordSet(rs);
  return settings;
}

void Quotation::InsertQuotationLines(const DictionaryPtr& document, const ConnectionPtr& cn) {
  std::string sql;
  guarded(
      "Quotation.InsertQuotationLines",
      [&] {
        RecordsetPtr header = documentHeader(document);
        RecordsetPtr lines = documentLines(document);
        const bool basket = isBasketDocument(header);
        const std::string id = SqlLiteralText(documentId(header));
        const std::string currency =
            SqlLiteralText(GetPropertyValue("Currency", header->value("BUSINESSPARTNERID").toString()));
        const Date today = Date::today();
        int32_t lineNumber = 1;
        for (lines->MoveFirst(); !lines->eof(); lines->MoveNext(), ++lineNumber) {
          requireStorableText(*lines, "line " + std::to_string(lineNumber));
          const int32_t sku = lines->value("SKU").toLong();
          std::string requestDate = "NULL";
          if (hasText(lines->value("REQUESTDATE"))) {
            Date d = lines->value("REQUESTDATE").toDate();
            if (d.serial < today.serial) d = today;
            requestDate = SqlLiteralDate(d);
          }
          double discountAmount = lines->value("DISCOUNTAMOUNT").toDouble();
          const double discountPercent = lines->value("DISCOUNTPERC").toDouble();
          if (discountPercent != 0) {
            // A basket line keeps the discount its page worked out; one the page left open
            // keeps the amount its pricing just gave.
            const Variant pageDiscount = basket ? lines->value("LINEDISCOUNTAMOUNT") : Variant::null();
            if (!basket)
              discountAmount = lines->value("PRODUCTPRICE").toDouble() * discountPercent / 100;
            else if (hasText(pageDiscount))
              discountAmount = pageDiscount.toDouble();
          }
          sql = "INSERT INTO QUOTATIONLINE (QUOTATIONID, LINENUMBER, SKU, PARTNUMBER, REQUESTDATE, PARTDESCRIPTION, "
                "QUANTITY, PRODUCTUNITCODE, PRODUCTCONFIGURABLE, PRODUCTCONFIGID,PRODUCTCONFIGCOMPLETE, CURRENCY, "
                "PRODUCTPRICE, COPIEDTOORDER, DISCOUNTPERC, DISCOUNTAMOUNT, LINEAMOUNT, LINETEXT) VALUES (";
          sql += id + ", " + SqlLiteralLong(lineNumber) + ", " + SqlLiteralLong(sku) + ", ";
          sql += trimmedOrNull(lines->value("PARTNUMBER")) + ", " + requestDate + ", ";
          sql += trimmedOrNull(valueOrEmpty(lines, "PARTDESCRIPTION")) + ", ";
          sql += SqlLiteralLong(lines->value("QUANTITY").toLong()) + ", ";
          sql += SqlLiteralValue(GetProductProperty(sku, "UNITCODE")) + ", ";
          sql += flagOf(lines->value("PRODUCTCONFIGURABLE")) + ", ";
          sql += trimmedOrNull(lines->value("PRODUCTCONFIGID")) + ", ";
          sql += flagOf(lines->value("PRODUCTCONFIGCOMPLETE")) + ", ";
          sql += currency + ", " + SqlLiteralDouble(lines->value("PRODUCTPRICE").toDouble()) + ", 0, ";
          sql += SqlLiteralDouble(discountPercent) + ", " + SqlLiteralDouble(discountAmount) + ", ";
          sql += SqlLiteralDouble(lines->value("LINEAMOUNT").toDouble()) + ", ";
          sql += SqlLiteralValue(lines->value("LINETEXT")) + ")";
          cn->executeNoRecords(sql);
        }
      },
      [&] { return ConnectionErrorsText(cn) + " Executing: '" + sql + "'"; });
}

// ---- writing back a loaded quotation -------------------------------------------------------

bool Quotation::Save(Variant& i_oQuotation) {
  ConnectionPtr cn;
  return guarded(
      "Merxa.Quotation.Save",
      [&] {
        DictionaryPtr document = documentOf(i_oQuotation);
        ScopedConnection scoped;
        cn = scoped.get();
        if (QuantityChanged(cn, document)) RecalculateTotals(document);
        ScopedTransaction tx(cn);
        writeThrough(documentHeader(document), cn);
        writeThrough(documentLines(document), cn);
        tx.commit();
        return true;
      },
      [&] { return cn ? ConnectionErrorsText(cn) : std::string(); });
}

}  // namespace merxa

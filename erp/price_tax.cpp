#include "erp/price_tax.h"

#include <cmath>

#include "enterprise/sql_encoder.h"
#include "erp/erp_values.h"

namespace erp {

using enterprise::sqlDate;
using enterprise::sqlText;
using platform::Date;

namespace {

// The customer's row, or an empty recordset.
platform::data::RecordsetPtr customerRow(ErpSession& db, const std::string& code) {
  return db.query("SELECT CURRENCYCODE, COUNTRYCODE, PRICELIST, DISCOUNTPERC, CALCULATETAX FROM CUSTOMER "
                  "WHERE CUSTOMERCODE = " + sqlText(code));
}

void answerPrice(ErpSession& db, PriceTaxAnswer& answer, const platform::data::RecordsetPtr& customer,
                 const std::string& customerCode, const std::string& item, std::string currency, Date date,
                 double lineQuantity) {
  if (currency.empty()) currency = textOf(customer->value("CURRENCYCODE"));
  const std::string validOn = " AND CURRENCYCODE = " + sqlText(currency) + " AND EFFECTIVEDATE <= " + sqlDate(date) +
                              " ORDER BY EFFECTIVEDATE DESC";
  auto agreed = db.query("SELECT TOP 1 UNITPRICE, DISCOUNTPERC FROM CUSTOMERITEMPRICE WHERE CUSTOMERCODE = " +
                         sqlText(customerCode) + " AND ITEMCODE = " + sqlText(item) + validOn);
  platform::Variant discount = customer->value("DISCOUNTPERC");
  if (!agreed->empty()) {
    answer.unitPrice = agreed->value("UNITPRICE").toDouble();
    if (!agreed->value("DISCOUNTPERC").isNull()) discount = agreed->value("DISCOUNTPERC");
  } else {
    auto listed = db.query("SELECT TOP 1 UNITPRICE FROM PRICELISTLINE WHERE PRICELIST = " +
                           sqlText(textOf(customer->value("PRICELIST"))) + " AND ITEMCODE = " + sqlText(item) + validOn);
    if (listed->empty()) {
      answer.errorCode = kNoPrice;
      return;
    }
    answer.unitPrice = listed->value("UNITPRICE").toDouble();
  }
  answer.discountPercentage = discount.isNull() ? 0.0 : discount.toDouble();
  answer.totalDiscountAmount = roundCents(answer.unitPrice * lineQuantity * answer.discountPercentage / 100.0);
}

void answerTax(ErpSession& db, PriceTaxAnswer& answer, const platform::data::RecordsetPtr& customer,
               const std::string& taxClass, std::string country, const std::string& shippingAddress,
               double lineAmount) {
  if (country.empty() && !shippingAddress.empty()) {
    auto address = db.query("SELECT COUNTRYCODE FROM CUSTOMERADDRESS WHERE ADDRESSCODE = " + sqlText(shippingAddress));
    if (!address->empty()) country = textOf(address->value("COUNTRYCODE"));
  }
  if (country.empty()) country = textOf(customer->value("COUNTRYCODE"));
  auto tax = db.query("SELECT T.TAXCODE, T.DESCRIPTION, T.TAXPERC, T.TAXTYPE FROM TAXRULE R INNER JOIN TAXCODE T "
                      "ON T.TAXCODE = R.TAXCODE WHERE R.COUNTRYCODE = " + sqlText(country) +
                      " AND R.TAXCLASS = " + sqlText(taxClass));
  if (tax->empty()) {
    answer.errorCode = kNoTaxCode;
    return;
  }
  answer.taxCode = textOf(tax->value("TAXCODE"));
  answer.taxCodeDescription = textOf(tax->value("DESCRIPTION"));
  answer.taxPercentage = tax->value("TAXPERC").toDouble();
  answer.taxType = tax->value("TAXTYPE").toInteger();
  const platform::Variant taxed = customer->value("CALCULATETAX");
  answer.calculateTax = taxed.isNull() ? 1 : taxed.toInteger();
  answer.taxAmount = answer.calculateTax ? roundCents(lineAmount * answer.taxPercentage / 100.0) : 0.0;
}

}  // namespace

const platform::DispatchTable& PriceTaxAnswer::dispatch() const {
  static const platform::DispatchTable table =
      platform::Members<PriceTaxAnswer>("GetPriceAndTax.PriceTax")
          .method("GetErrorCode", &PriceTaxAnswer::GetErrorCode)
          .method("getUnitPrice", &PriceTaxAnswer::getUnitPrice)
          .method("getDiscountPercentage", &PriceTaxAnswer::getDiscountPercentage)
          .method("getTotDiscountAmount", &PriceTaxAnswer::getTotDiscountAmount)
          .method("getTaxAmount", &PriceTaxAnswer::getTaxAmount)
          .method("getTaxPercentage", &PriceTaxAnswer::getTaxPercentage)
          .method("getTaxCode", &PriceTaxAnswer::getTaxCode)
          .method("getTaxType", &PriceTaxAnswer::getTaxType)
          .method("getTaxCodeDescription", &PriceTaxAnswer::getTaxCodeDescription)
          .method("getCalculateTax", &PriceTaxAnswer::getCalculateTax);
  return table;
}

const platform::DispatchTable& PriceTaxManager::dispatch() const {
  static const platform::DispatchTable table = members<PriceTaxManager>("GetPriceAndTax.PriceTaxManager")
                                                   .method("GetPriceAndOrTax", &PriceTaxManager::GetPriceAndOrTax);
  return table;
}

std::shared_ptr<PriceTaxAnswer> PriceTaxManager::GetPriceAndOrTax(
    Variant& option, Variant& customer, Variant& partNumber, Variant& currency, Variant& date, Variant& lineQuantity,
    Variant& orderQuantity, Variant& unit, Variant& billingAddress, Variant& shippingAddress, Variant& country,
    Variant& lineAmount, Variant& discountPercentage) {
  requireInitialized("GetPriceAndOrTax");
  auto answer = platform::makeObject<PriceTaxAnswer>();
  const int32_t what = option.toLong();
  if (what != 1 && what != 2) {
    answer->errorCode = kBadOption;
    return answer;
  }
  Date on;
  if (!readDate(date, on)) {
    answer->errorCode = kBadDate;
    return answer;
  }
  ErpSession db;
  const std::string customerCode = trimmedText(customer);
  auto customerData = customerRow(db, customerCode);
  if (customerData->empty()) {
    answer->errorCode = kUnknownCustomer;
    return answer;
  }
  auto item = itemRow(db, textOf(partNumber));
  if (item->empty()) {
    answer->errorCode = kUnknownItem;
    return answer;
  }
  const std::string itemCode = textOf(item->value("ITEMCODE"));
  if (what == 1)
    answerPrice(db, *answer, customerData, customerCode, itemCode, trimmedText(currency), on, lineQuantity.toDouble());
  else
    answerTax(db, *answer, customerData, textOf(item->value("TAXCLASS")), trimmedText(country),
              trimmedText(shippingAddress), lineAmount.toDouble());
  return answer;
}

}  // namespace erp

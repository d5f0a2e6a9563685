// Pricing of a quotation's lines and totals: when it is made (GetPriceInfo) and when a page
// saves a loaded quotation whose quantities or dates changed (QuantityChanged).
#include <cstdio>

#include "basket/sales_document.h"
#include "common/encoding.h"
#include "common/error_handling.h"
#include "common/lib_sales.h"
#include "common/merxa_error.h"
#include "platform/data/recordset.h"
#include "quotation/quotation.h"

namespace merxa {

using platform::Args;
using platform::CallKind;
using platform::ObjectPtr;

namespace {

// The text of a field; a Null or Empty field gives "".
std::string textOf(const Variant& v) { return v.isNull() || v.isEmpty() ? std::string() : v.toString(); }

bool isConfigured(const RecordsetPtr& lines) {
  const Variant v = lines->value("PRODUCTCONFIGURABLE");
  return !v.isNull() && !v.isEmpty() && v.toBool();
}

Date requestDateOf(const RecordsetPtr& lines) {
  const Variant d = lines->value("REQUESTDATE");
  return d.isNull() || d.isEmpty() ? Date::today() : d.toDate();
}

void store(const RecordsetPtr& lines, const LinePrice& price) {
  lines->setValue("PRODUCTPRICE", Variant(price.unitPrice));
  lines->setValue("DISCOUNTAMOUNT", Variant(price.discountAmount));
  lines->setValue("DISCOUNTPERC", Variant(price.discountPercent));
  lines->setValue("LINEAMOUNT", Variant(price.lineAmount));
}

// Whether two values differ; a comparison with Null counts as no difference.
bool differs(const Variant& a, const Variant& b) {
  if (a.isNull() || b.isNull()) return false;
  return platform::compareValues(a, b) != 0;
}

}  // namespace

Variant FormatKiroDate(const Variant& date) {
  int y, m, d, h, mi, s;
  date.toDate().toParts(y, m, d, h, mi, s);
  char text[16];
  std::snprintf(text, sizeof text, "%04d%02d%02d", y, m, d);
  return Variant(std::string(text));
}

// A header that holds no pricing method (a basket whose page did not fill it in) is priced by
// the customer's method, which is also the one the quotation stores.
int32_t Quotation::pricingMethod(const RecordsetPtr& header, const std::string& partner) {
  const Variant v = header->value("PRICINGMETHOD");
  if (!v.isNull() && !v.isEmpty()) return v.toLong();
  return Variant(GetPropertyValue("PricingMethod", partner)).toLong();
}

std::string Quotation::GetPropertyValue(const std::string& propertyName, const std::string& businessPartnerId) {
  return guarded("Quotation.GetPropertyValue", [&]() -> std::string {
    Variant partner(businessPartnerId);
    if (!platform::trimBlanks(businessPartnerId).empty()) partner = Variant(partner.toLong());
    if (propertyName == "Discount")
      return Sls_GetComponent("CorvoCommon.BusinessPartner")->call("GetDiscountPercentage", {partner}).toString();
    if (propertyName == "PricingMethod")
      return Sls_GetComponent("CorvoCommon.BusinessPartner")->call("GetPricingMethod", {partner}).toString();
    if (propertyName == "Currency")
      return platform::trimBlanks(
          Sls_GetComponent("CorvoCommon.BusinessPartner")->call("GetCurrency", {partner}).toString());
    if (propertyName == "HomeCurrency") {
      const Variant home = Sls_GetComponent("CorvoCommon.Currency")->call("GetHomeCurrency");
      return home.as<platform::Dictionary>()->Item(Variant("CURRENCYCODE")).toString();
    }
    // An unknown property has no value to give.
    return Variant().toString();
  });
}

void Quotation::GetPriceInfo(const DictionaryPtr& document) {
  guarded("Quotation.GetPriceInfo", [&] {
    RecordsetPtr header = documentHeader(document);
    RecordsetPtr lines = documentLines(document);
    const std::string partner = header->value("BUSINESSPARTNERID").toString();
    const std::string currency = textOf(header->value("CURRENCYCODE"));
    const std::string homeCurrency = textOf(header->value("HOMECURRENCYCODE"));
    const int32_t method = pricingMethod(header, partner);
    double total = 0;
    for (lines->MoveFirst(); !lines->eof(); lines->MoveNext()) {
      if (isConfigured(lines)) {
        priceConfiguredLine(lines, currency, homeCurrency);
      } else if (method == WebPricing) {
        store(lines, CalculateWebPricing(partner, currency, lines->value("SKU").toLong(),
                                         lines->value("QUANTITY").toLong(), requestDateOf(lines)));
      } else {
        store(lines, CalculateKiroPricing(document));
      }
      total += lines->value("LINEAMOUNT").toDouble();
    }
    const double discount = Variant(GetPropertyValue("Discount", partner)).toDouble();
    header->setValue("TOTALNETAMOUNT", Variant(total));
    header->setValue("DISCOUNTPERC", Variant(discount));
    header->setValue("DISCOUNTTOTAL", Variant(total * discount / 100));
    header->setValue("SUBTOTAL", Variant(total - total * discount / 100));
  });
}

void Quotation::priceConfiguredLine(const RecordsetPtr& lines, const std::string& currency,
                                    const std::string& homeCurrency) {
  CalcualteConfigurablePricing(lines, currency, homeCurrency);
  lines->setValue("DISCOUNTAMOUNT", Variant(0.0));
  lines->setValue("DISCOUNTPERC", Variant(0.0));
  lines->setValue("LINEAMOUNT",
                  Variant(lines->value("PRODUCTPRICE").toDouble() * lines->value("QUANTITY").toDouble()));
}

void Quotation::RecalculateTotals(const DictionaryPtr& document) {
  RecordsetPtr header = documentHeader(document);
  RecordsetPtr lines = documentLines(document);
  double total = 0;
  for (lines->MoveFirst(); !lines->eof(); lines->MoveNext()) total += lines->value("LINEAMOUNT").toDouble();
  const double discount =
      Variant(GetPropertyValue("Discount", header->value("BUSINESSPARTNERID").toString())).toDouble() * total / 100;
  header->setValue("TOTALNETAMOUNT", Variant(total));
  header->setValue("DISCOUNTTOTAL", Variant(discount));
  header->setValue("SUBTOTAL", Variant(total - discount));
}

bool Quotation::QuantityChanged(const ConnectionPtr& cn, const DictionaryPtr& document) {
  return guarded("Merxa.Quotation.QuantityChanged()", [&] {
    RecordsetPtr header = documentHeader(document);
    RecordsetPtr lines = documentLines(document);
    const std::string partner = header->value("BUSINESSPARTNERID").toString();
    const std::string currency = textOf(header->value("CURRENCYCODE"));
    const int32_t method = pricingMethod(header, partner);
    // Paired row by row with the document's lines, which Show loads in the same order.
    RecordsetPtr stored = cn->execute("SELECT QUANTITY, REQUESTDATE FROM QUOTATIONLINE WHERE QUOTATIONID = " +
                                      SqlLiteralValue(header->value("QUOTATIONID")) + " ORDER BY LINENUMBER");
    bool changed = false;
    if (!lines->empty()) lines->MoveFirst();
    for (; !stored->eof() && !lines->eof(); stored->MoveNext(), lines->MoveNext()) {
      const bool quantity = differs(lines->value("QUANTITY"), stored->value("QUANTITY"));
      const bool date = differs(lines->value("REQUESTDATE"), stored->value("REQUESTDATE"));
      if (isConfigured(lines)) {
        priceConfiguredLine(lines, currency, textOf(header->value("HOMECURRENCYCODE")));
        changed = true;
      } else if (method == WebPricing) {
        if (quantity) {
          lines->setValue("LINEAMOUNT", Variant((lines->value("PRODUCTPRICE").toDouble() -
                                                 lines->value("DISCOUNTAMOUNT").toDouble()) *
                                                lines->value("QUANTITY").toDouble()));
          changed = true;
        }
        if (date) {
          store(lines, CalculateWebPricing(partner, currency, lines->value("SKU").toLong(),
                                           lines->value("QUANTITY").toLong(), requestDateOf(lines)));
          changed = true;
        }
      } else if (quantity || date) {
        store(lines, CalculateKiroPricing(document));
        changed = true;
      }
    }
    Sls_CloseRecordSet(stored);
    return changed;
  });
}

LinePrice Quotation::CalculateWebPricing(const std::string& businessPartnerId, const std::string& currencyCode,
                                         int32_t productId, int32_t quantity, Date requestDate) {
  return guarded("Quotation.CalculateWebPricing", [&] {
    LinePrice price;
    ObjectPtr pricing = Sls_GetComponent("Merxa.Pricing");
    Args args{Variant(productId), Variant(Variant(businessPartnerId).toLong()), Variant(requestDate),
              Variant(currencyCode)};
    if (!pricing->invoke("GetWebPrice", CallKind::Method, args).toBool()) return price;  // no price: all 0
    price.unitPrice = pricing->call("Price").toDouble();
    const Variant amount = pricing->call("DiscountAmount");
    const Variant percent = pricing->call("DiscountPercent");
    price.discountAmount = amount.isNull() ? 0 : amount.toDouble();
    price.discountPercent = percent.isNull() ? 0 : percent.toDouble();
    // The percentage wins over a stored amount.
    if (price.discountPercent != 0) price.discountAmount = price.unitPrice * price.discountPercent / 100;
    price.lineAmount = (price.unitPrice - price.discountAmount) * quantity;
    return price;
  });
}

LinePrice Quotation::CalculateKiroPricing(const DictionaryPtr& document) {
  return guarded(
      "Quotation.CalculateKiroPricing",
      [&] {
        RecordsetPtr header = documentHeader(document);
        RecordsetPtr lines = documentLines(document);
        if (header->value("KIROID").isNull())
          raiseMerxa(KIROIDNotFound, "Quotation.CalculateKiroPricing", "Kiro Instance not found");
        const int32_t kiroId = header->value("KIROID").toLong();
        const int32_t sku = lines->value("SKU").toLong();
        // The ERP prices by the quantity of the item over the whole quotation.
        int32_t orderQuantity = 0;
        RecordsetPtr all = lines->Clone(Variant::missing());
        for (all->MoveFirst(); !all->eof(); all->MoveNext())
          if (all->value("SKU").toLong() == sku) orderQuantity += all->value("QUANTITY").toLong();

        ObjectPtr instance = Sls_GetComponent("CorvoBackend.Selector")->call("GetInstance", {Variant(kiroId)}).toObject();
        const Variant settings = instance->call("GetSettings");
        const std::string componentId =
            settings.as<platform::Dictionary>()->Item(Variant("componentid")).toString();
        if (componentId.empty())
          raiseMerxa(KIROIDNotFound, "Quotation.CalculateKiroPricing", "Kiro Instance not found");
        ObjectPtr action = Sls_GetComponent("Merxalink.PriceTax");
        Args init{Variant(platform::lowerCase(instance->call("GetTovoType").toString())), Variant(componentId),
                  Variant()};
        action->invoke("InitializeAction", CallKind::Method, init);

        const int32_t lineQuantity = lines->value("QUANTITY").toLong();
        Args ask{Variant(1),
                 Variant(platform::trimBlanks(textOf(header->value("CUSTOMERCODE")))),
                 Variant(platform::trimBlanks(textOf(lines->value("PARTNUMBER")))),
                 Variant(textOf(header->value("CURRENCYCODE"))),
                 FormatKiroDate(Variant(requestDateOf(lines))),
                 Variant(lineQuantity),
                 Variant(orderQuantity),
                 Variant(platform::trimBlanks(textOf(lines->value("PRODUCTUNITCODE")))),
                 Variant(""), Variant(""), Variant(""), Variant(0.0), Variant(0.0)};
        ask.resize(ask.size() + 10);  // the outputs
        action->invoke("GetPriceAndOrTax", CallKind::Method, ask);
        LinePrice price;
        auto number = [](const Variant& v) { return v.isNull() || v.isEmpty() ? 0.0 : v.toDouble(); };
        price.unitPrice = number(ask[13]);
        price.discountPercent = number(ask[14]);
        price.discountAmount = number(ask[15]);
        price.lineAmount = (price.unitPrice - price.discountAmount) * lineQuantity;
        action->call("CloseAction");
        return price;
      },
      [] { return std::string("Kiro Instance Not found"); });
}

void Quotation::CalcualteConfigurablePricing(const RecordsetPtr& lines, const std::string& currencyCode,
                                             const std::string& /*homeCurrencyCode*/) {
  guarded("Quotation.CalcualteConfigurablePricing", [&] {
    ObjectPtr service =
        Sls_GetComponent("CorvoConfigurator.Configurator")->call("GetConfigurationService").toObject();
    const Variant configId = lines->value("PRODUCTCONFIGID");
    if (configId.isNull()) {
      lines->setValue("PRODUCTCONFIGCOMPLETE", Variant(false));
      return;
    }
    const Variant id(configId.toString());
    const bool complete = service->call("IsComplete", {id}).toBool();
    lines->setValue("PRODUCTCONFIGCOMPLETE", Variant(complete));
    std::string priceCurrency;
    if (complete && service->call("GetPriceStatus", {id}).toLong() != 1) {
      lines->setValue("PRODUCTPRICE", service->call("GetPrice", {id}));
      priceCurrency = service->call("GetPriceCurrency", {id}).toString();
    }
    // Converted only when the configurator gave a price of its own.
    const Variant price = lines->value("PRODUCTPRICE");
    if (!priceCurrency.empty() && !price.isNull() && priceCurrency != currencyCode) {
      const Variant converted = Sls_GetComponent("CorvoCommon.Currency")
                                    ->call("ConvertAmount", {Variant(priceCurrency), Variant(currencyCode),
                                                             Variant(price.toDouble()), Variant(Date::today())});
      lines->setValue("PRODUCTPRICE", Variant(converted.toCurrency()));
    }
  });
}

}  // namespace merxa

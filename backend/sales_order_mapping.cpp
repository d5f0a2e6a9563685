// Filling the ERP's input records of one order: the sales order record, one order-line record
// per line, texts, dates, addresses, discounts, product variants and the freight line. The
// release (member Tovo type) chooses the classes created and the setter names called.
#include <algorithm>
#include <cctype>

#include "backend/order.h"
#include "common/encoding.h"
#include "common/error_handling.h"
#include "common/lib_sales.h"
#include "common/site_user_product.h"
#include "platform/error.h"
#include "platform/registry.h"

namespace merxalink {

using merxa::LogError;
using merxa::Sls_HasValue;
using platform::data::Recordset;

namespace {

// The setter names that differ between the releases.
struct Setters {
  const char* orderType;
  const char* customer;
  const char* currency;
  const char* purchaseOrder;
  int16_t origin;
  const char* carrier;
  const char* shipTo;
  const char* billTo;
  const char* linePosition;
  const char* amountDiscountClass;
  const char* amountDiscountValue;
  const char* amountDiscountSetter;
  const char* percentDiscountClass;
  const char* percentDiscountValue;
  const char* percentDiscountSetter;
  const char* addressPrefix[2];  // delivery, invoice: "setShipTo", "setBillTo"
};

constexpr Setters kRelease5{"setSalesOrderType", "setSoldToBusinessPartner", "setOrderCurrency", "setCustomerOrderNumber",
                            9, "setCarrier", "setShipToAddress", "setBillToAddress", "setCustomerOrderPosition",
                            "DiscountAmount", "setLdam_1", "setDiscountAmount", "LineDiscount", "setDisc_1",
                            "setLineDiscount", {"setShipTo", "setBillTo"}};
constexpr Setters kRelease4{"setOrderType", "setCustomer", "setCurrency", "setCustomerPurchaseOrderNumber", 4,
                            "setForwardingAgent", "setDeliveryAddress", "setPostalAddress",
                            "setCustomerPurchaseOrderLine", "DiscountAmountSalesOrders", "setDiscountAmount_1",
                            "setDiscountAmountSalesOrders", "DiscountPercentageSalesOrders", "setDiscountPercentage_1",
                            "setDiscountPercentageSalesOrders", {"setShipTo", "setBillTo"}};

const Setters& settersOf(const std::string& tovoType) { return tovoType == "tv4" ? kRelease4 : kRelease5; }

// The fields of a sales document by origin (0 basket, 1 quotation, 2 stored order).
struct OriginFields {
  const char* purchaseOrder;
  const char* paymentMethod;
  const char* referenceA;
  const char* headerText;
  const char* identifier;
  const char* position;
  const char* unit;
  const char* price;
  const char* config;
  const char* amount;
};

constexpr OriginFields kOrigins[] = {
    {"CUSTOMERPONUMBER", "PAYMENTMETHOD", "BASKETNAME", "BASKETTEXT", "BASKETID", "BASKETLINENR", "PRODUCTUNITCODE",
     "PRODUCTPRICE", "PRODUCTCONFIGID", "LINEAMOUNT"},
    {"CUSTOMERPONUMBER", "PAYMENTMETHOD", "CUSTOMERREFERENCE", "COMMENTS", "QUOTATIONID", "LINENUMBER",
     "PRODUCTUNITCODE", "PRODUCTPRICE", "PRODUCTCONFIGID", "LINEAMOUNT"},
    {"CUSTOMERPONR", "WEBPAYMENTMETHOD", "ORDERLISTNAME", "HEADERTEXT", "ORDERID", "LINENR", "UNITCODE", "PRICE",
     "CONFIGID", "AMOUNT"}};

const OriginFields* fieldsOf(int32_t origin) { return origin >= 0 && origin <= 2 ? &kOrigins[origin] : nullptr; }

// A column of the current row; Empty when the recordset has no such column.
Variant column(const Recordset& rs, std::string_view name) {
  return rs.columnIndex(name) < 0 ? Variant() : rs.value(name);
}

std::string textOf(const Variant& v) { return v.isNull() || v.isEmpty() ? std::string() : v.toString(); }

void set(const ObjectPtr& record, const char* setter, const Variant& value) { record->call(setter, {value}); }

// The written-out address fields with their setter suffixes; the last three are release 5.0c's.
struct AddressField {
  const char* column;
  const char* suffix;
};
constexpr AddressField kAddressFields[] = {
    {"NAME1", "AddressName1"},  {"NAME2", "AddressName2"},       {"STREET1", "AddressStreet1"},
    {"STREET2", "AddressStreet2"}, {"CITY1", "AddressCity1"},    {"CITY2", "AddressCity2"},
    {"COUNTRYCODE", "AddressCountry"}, {"ZIPCODE", "AddressZipCode"}, {"STATEPROVINCE", "StateProvince"},
    {"PHONE", "Telephone"},     {"FAX", "Fax"}};
constexpr size_t kRelease4AddressFields = 8;

// The date a requested-date text denotes: a date text, or "yyyymmdd". 13 when it is neither.
platform::Date dateDenoted(const std::string& text, bool& compact) {
  compact = false;
  if (platform::isDate(Variant(text))) return Variant(text).toDate().dateOnly();
  const std::string t = platform::trimBlanks(text);
  if (t.size() == 8 && std::all_of(t.begin(), t.end(), [](unsigned char c) { return std::isdigit(c); })) {
    compact = true;
    return platform::Date::fromParts(std::stoi(t.substr(0, 4)), std::stoi(t.substr(4, 2)), std::stoi(t.substr(6, 2)));
  }
  platform::raiseVb(platform::vb::TypeMismatch, "Merxalink.Order", "'" + text + "' is no date");
}

// The user reference of a web user: a text property of the membership user.
std::string userReferenceOf(const std::string& userId) {
  std::string helpEmail;
  platform::Args none;
  return textOf(merxa::Sls_CreateUserObject(userId, nullptr, helpEmail)
                    ->invoke("UserReference", platform::CallKind::PropertyGet, none));
}

}  // namespace

std::string Order::itemCodeOf(const std::string& partNumber) const {
  std::string alignment = itemAlignment_;
  std::transform(alignment.begin(), alignment.end(), alignment.begin(), [](unsigned char c) { return std::tolower(c); });
  return alignment == "left" ? partNumber + itemMask_ : itemMask_ + partNumber;
}

Variant Order::GetTextinKiroFormat(const std::string& text, int32_t kind) {
  try {
    if (!Sls_HasValue(Variant(text))) return Variant::nothing();
    const char* container = kind == 1 ? "HeaderText" : kind == 2 ? "FooterText" : kind == 3 ? "OrderLineText" : nullptr;
    if (!container) {
      LogError("Merxalink.Order.GetTextinKiroFormat()");
      return Variant::nothing();
    }
    ObjectPtr texts = createClass(container);
    for (size_t offset = 0; offset < text.size(); offset += 100) {
      ObjectPtr value = createClass("TextValue");
      value->call("SetText", {Variant(text.substr(offset, 100))});
      texts->call("addTextValue", {Variant(value)});
    }
    return Variant(texts);
  } catch (...) {
    LogError("Merxalink.Order.getTextinKiroFormat()");
    return Variant::nothing();
  }
}

Variant Order::getDateinKiroFormat(const std::string& dateText) {
  try {
    if (platform::trimBlanks(dateText).empty()) return Variant();
    bool compact = false;
    platform::Date date = dateDenoted(dateText, compact);
    // A requested date in the past is sent as today.
    if (platform::Date::today().serial > date.serial) date = platform::Date::today();
    int year, month, day, hour, minute, second;
    date.toParts(year, month, day, hour, minute, second);
    if (tovoType_ == "tv5") {
      ObjectPtr javaDate = platform::createObject("java:java.util.Date");
      javaDate->call("setDate", {Variant::integer(static_cast<int16_t>(day))});
      javaDate->call("setMonth", {Variant::integer(static_cast<int16_t>(month - 1))});
      javaDate->call("setYear", {Variant::integer(static_cast<int16_t>(year - 1900))});
      return Variant(javaDate);
    }
    char text[16];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d", year, month, day);
    return Variant(std::string(text));
  } catch (...) {
    LogError("Merxalink.Order.getDateinKiroFormat()");
    return Variant();
  }
}

int32_t Order::determineAddressInfo(const Variant& partner, const Variant& address, const std::string& kind,
                                    std::string& code) {
  try {
    ObjectPtr partners = merxa::Sls_GetComponent("CorvoCommon.BusinessPartner");
    const Variant defaultAddress =
        partners->call(kind == "INV" ? "GetPostalAddressID" : "GetShippingAddressID", {partner});
    std::string erpCode = partners->call("GetKiroAddressCodeFromAddressID", {address}).toString();
    if (tovoType_ == "tv4")
      erpCode = erpCode.size() >= 4 ? erpCode.substr(erpCode.size() - 4, 3) : std::string();
    else
      erpCode = erpCode.substr(0, 9);
    const std::string trimmed = platform::trimBlanks(erpCode);
    const bool present = tovoType_ == "tv4" ? !trimmed.empty() && trimmed != "000"
                                            : tovoType_ == "tv5" && !trimmed.empty();
    code = present ? erpCode : std::string();
    if (present) return 1;
    const bool isDefault = !defaultAddress.isNull() && !defaultAddress.isEmpty() && !address.isNull() &&
                           !address.isEmpty() && defaultAddress.toLong() == address.toLong();
    return isDefault ? 2 : 3;
  } catch (...) {
    LogError("Lib_Sales.Sls__DetermineAddressInfo()", Variant(merxa::currentError().description));
    return 0;
  }
}

void Order::FillAddressDetails(const std::string& kind, int32_t addressId, bool lineLevel) {
  try {
    RecordsetPtr address = merxa::Sls_GetDisconnectedRecordset(
        "SELECT * FROM ADDRESSHISTORY WHERE ORDERID = " + merxa::SqlLiteralValue(Variant(webOrderId_)) +
            " AND ADDRESSID = " + merxa::SqlLiteralLong(addressId),
        merxa::Sls_ConnectionString());
    if (address->empty())
      address = merxa::Sls_GetComponent("CorvoCommon.BusinessPartner")->call("GetAddress", {Variant(addressId)})
                    .as<Recordset>();
    const Setters& s = settersOf(tovoType_);
    const ObjectPtr& record = lineLevel ? orderLine_ : salesOrder_;
    const std::string prefix = s.addressPrefix[lineLevel || kind == "DEL" ? 0 : 1];
    const size_t n = tovoType_ == "tv5" ? std::size(kAddressFields) : kRelease4AddressFields;
    for (size_t i = 0; i < n; ++i) {
      const Variant value = column(*address, kAddressFields[i].column);
      if (Sls_HasValue(value)) record->call(prefix + kAddressFields[i].suffix, {value});
    }
  } catch (...) {
    LogError("Merxalink.Order.FillAddressDetails()");
  }
}

void Order::AddProductVariants(const std::string& iConfigid, const std::string& iOrderid, int16_t iLineID) {
  try {
    ObjectPtr service = platform::createObject("CorvoConfigurator.Configurator")->call("GetConfigurationService").toObject();
    const std::string description =
        service->call("GetVariantDescription", {Variant(iConfigid), Variant(iOrderid), Variant(int{iLineID})}).toString();
    std::vector<std::string> records;
    for (size_t start = 0;;) {
      const size_t at = description.find("VOP", start);
      records.push_back(description.substr(start, at == std::string::npos ? std::string::npos : at - start));
      if (at == std::string::npos) break;
      start = at + 3;
    }
    for (size_t r = 1; r < records.size(); ++r) {
      std::vector<std::string> e;
      for (size_t start = 0;;) {
        const size_t at = records[r].find(',', start);
        e.push_back(records[r].substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) break;
        start = at + 1;
      }
      if (e.size() < 8) platform::raiseVb(platform::vb::SubscriptOutOfRange, "Merxalink.Order");
      ObjectPtr line = createClass("ProductVariantLines");
      line->call("setFeatureCode", {Variant(e[4])});
      line->call("setFeatureSequenceNumber", {Variant(e[5])});
      line->call("setFeatureDescription", {Variant(e[6])});
      line->call("setOptionValue", {Variant(e[7])});
      if (!variants_) variants_ = createClass("ProductVariants");
      variants_->call("addProductVariantLines", {Variant(line)});
      orderLine_->call("setProductVariants", {Variant(variants_)});
    }
  } catch (...) {
    LogError("Merxalink.Order.AddProductVariants()");
  }
}

void Order::AddFreightLine(double freight, const RecordsetPtr& lines) {
  std::string partParameter = "FreightPartNumber", unitParameter = "Freight Unit-code";
  const std::string part = merxa::Sls_GetParameterValue(partParameter);
  const std::string unit = merxa::Sls_GetParameterValue(unitParameter);
  Variant identifier(webOrderId_);
  int32_t lineNr = 1;
  Variant address;
  if (!lines->empty()) {
    identifier = lines->field(0)->Value();
    address = column(*lines, "ADDRESSID");
    lines->MoveLast();
    lineNr = lines->field(1)->Value().toLong() + 1;
  }
  lines->addNew();
  lines->field(0)->SetValue(identifier);
  lines->field(1)->SetValue(Variant(lineNr));
  for (const auto& [name, value] :
       std::vector<std::pair<const char*, Variant>>{{"PARTNUMBER", Variant(part)}, {"PRODUCTUNITCODE", Variant(unit)},
                                                    {"UNITCODE", Variant(unit)}, {"REQUESTDATE", Variant(platform::Date::today())},
                                                    {"QUANTITY", Variant(1.0)}, {"PRODUCTPRICE", Variant(freight)},
                                                    {"PRICE", Variant(freight)}, {"DISCOUNTAMOUNT", Variant(0.0)},
                                                    {"ADDRESSID", address}})
    if (lines->columnIndex(name) >= 0) lines->setValue(name, value);
}

void Order::setLineAddress(const Recordset& lines, const std::string& deliveryCode, const std::string& invoiceCode) {
  const Setters& s = settersOf(tovoType_);
  // A line without an address of its own ships where the order ships, as it is stored.
  Variant address = column(lines, "ADDRESSID");
  if (address.isNull() || address.isEmpty()) address = column(*header_, "SHIPPINGADDRESSID");
  auto same = [&](const char* headerColumn) {
    const Variant h = column(*header_, headerColumn);
    return !address.isNull() && !address.isEmpty() && !h.isNull() && !h.isEmpty() && h.toLong() == address.toLong();
  };
  if (same("SHIPPINGADDRESSID") && Sls_HasValue(Variant(deliveryCode))) {
    set(orderLine_, s.shipTo, Variant(deliveryCode));
  } else if (same("BILLINGADDRESSID") && Sls_HasValue(Variant(invoiceCode))) {
    set(orderLine_, s.shipTo, Variant(invoiceCode));
  } else {
    std::string code;
    const int32_t found = determineAddressInfo(column(*header_, "BUSINESSPARTNERID"), address, "DEL", code);
    if (found == 2 || found == 3)
      FillAddressDetails("DEL", address.toLong(), true);
    else
      set(orderLine_, s.shipTo, Variant(code));
  }
}

void Order::BuildInputValuesforQ50c(const RecordsetPtr& lines, int32_t origin) {
  try {
    if (!salesOrder_ || !salesOrders_ || !orderLines_)
      platform::raiseVb(platform::vb::ObjectNotSet, "Merxalink.Order", "The order's records were not created");
    const Setters& s = settersOf(tovoType_);
    const OriginFields* o = fieldsOf(origin);
    const Recordset& h = *header_;

    Variant purchaseOrder, paymentMethod;
    if (o) {
      purchaseOrder = column(h, o->purchaseOrder);
      paymentMethod = column(h, o->paymentMethod);
    }
    Variant footer;
    if (Sls_HasValue(paymentMethod) && paymentMethod.toDouble() == 2) {
      std::string parameter = "InvoiceText";
      footer = GetTextinKiroFormat(
          merxa::Sls_GetComponent("Merxa.SalesParameter")->call("GetParameterValue", {Variant(parameter)}).toString(), 2);
    }

    set(salesOrder_, s.orderType, column(h, "ORDERTYPE"));
    set(salesOrder_, s.customer, column(h, "CUSTOMERCODE"));
    set(salesOrder_, s.currency, column(h, "CURRENCYCODE"));
    if (Sls_HasValue(purchaseOrder)) set(salesOrder_, s.purchaseOrder, Variant(purchaseOrder.toString()));
    set(salesOrder_, "setOrigin", Variant::integer(s.origin));
    const Variant calculateTax = column(h, "CALCULATETAX");
    if (tovoType_ == "tv4")
      set(salesOrder_, "setCalculateTax", Variant(calculateTax.isNull() || calculateTax.toDouble() != 0 ? 1 : 2));
    else
      set(salesOrder_, "setCalculateTax", calculateTax);
    if (Sls_HasValue(column(h, "CARRIERCODE"))) set(salesOrder_, s.carrier, column(h, "CARRIERCODE"));
    set(salesOrder_, "setOrderDiscount", column(h, "DISCOUNTPERC"));
    set(salesOrder_, "setReferenceB", Variant(userReferenceOf(textOf(column(h, "USERID")))));

    Variant knownNumber;
    if (o) {
      const Variant referenceA = column(h, o->referenceA);
      if (Sls_HasValue(referenceA)) set(salesOrder_, "setReferenceA", Variant(referenceA.toString()));
      const Variant headerText = GetTextinKiroFormat(textOf(column(h, o->headerText)), 1);
      if (!headerText.isNothing()) set(salesOrder_, "setHeaderText", headerText);
      if (origin == 2) {
        knownNumber = column(h, "SALESORDERNR");
        if (Sls_HasValue(knownNumber)) set(salesOrder_, "setSalesOrder", knownNumber);
      }
      webOrderId_ = textOf(column(h, o->identifier));
    }
    if (!footer.isNothing() && !footer.isEmpty()) set(salesOrder_, "setFooterText", footer);
    logReference_ = " KIROId : " + textOf(column(h, "KIROID")) + ", For WebOrder: " +
                    (o ? textOf(column(h, o->referenceA)) : std::string()) + "(" + webOrderId_ + ")";

    // Addresses: by the ERP's code where it has one, else written out.
    const Variant partner = column(h, "BUSINESSPARTNERID");
    const Variant shipping = column(h, "SHIPPINGADDRESSID");
    const Variant billing = column(h, "BILLINGADDRESSID");
    std::string deliveryCode, invoiceCode, code;
    int32_t found = determineAddressInfo(partner, shipping, "DEL", code);
    if (found == 2 || found == 3) {
      FillAddressDetails("DEL", shipping.toLong(), false);
    } else {
      set(salesOrder_, s.shipTo, Variant(code));
      deliveryCode = code;
    }
    if (textOf(billing) != textOf(shipping)) {
      found = determineAddressInfo(partner, billing, "INV", code);
      if (found == 2 || found == 3) {
        FillAddressDetails("INV", billing.toLong(), false);
      } else {
        set(salesOrder_, s.billTo, Variant(code));
        invoiceCode = code;
      }
    } else {
      // One address for both: the invoice goes where the goods go.
      set(salesOrder_, s.billTo, Variant(deliveryCode));
      invoiceCode = deliveryCode;
    }
    salesOrders_->call("insertSalesOrdersAt", {Variant(salesOrder_), salesOrders_->call("sizeSalesOrders")});

    // The freight goes once with an order: not again with the lines of an order the ERP holds.
    const Variant freight = column(h, "FREIGHTTOTAL");
    if (!freight.isNull() && !freight.isEmpty() && freight.toDouble() > 0 && !Sls_HasValue(knownNumber))
      AddFreightLine(freight.toDouble(), lines);

    if (!lines || lines->empty() || !o) return;
    int32_t ordinal = 0;
    for (lines->MoveFirst(); !lines->eof(); lines->MoveNext()) {
      ++ordinal;
      Recordset& l = *lines;
      orderLine_ = createClass("SalesOrderLines");
      variants_.reset();
      const Variant requested = getDateinKiroFormat(textOf(column(l, "REQUESTDATE")));
      if (tovoType_ == "tv4") {
        set(orderLine_, "setPlannedDeliveryDate1", requested);
        set(orderLine_, "setPlannedReceiptDate", requested);
      } else {
        set(orderLine_, "setPlannedDeliveryDate", requested);
      }
      const Variant discountAmount = column(l, "DISCOUNTAMOUNT");
      const Variant discountPerc = column(l, "DISCOUNTPERC");
      if (Sls_HasValue(discountAmount) && discountAmount.toDouble() > 0) {
        ObjectPtr discount = createClass(s.amountDiscountClass);
        set(discount, s.amountDiscountValue, discountAmount);
        set(orderLine_, s.amountDiscountSetter, Variant(discount));
      } else if (Sls_HasValue(discountPerc) && discountPerc.toDouble() > 0) {
        ObjectPtr discount = createClass(s.percentDiscountClass);
        set(discount, s.percentDiscountValue, discountPerc);
        set(orderLine_, s.percentDiscountSetter, Variant(discount));
      }
      set(orderLine_, "setItem", Variant(itemCodeOf(textOf(column(l, "PARTNUMBER")))));
      set(orderLine_, "setOrderedQuantity", column(l, "QUANTITY"));
      set(orderLine_, "setTaxCode", column(l, "TAXCODE"));
      if (Sls_HasValue(column(l, "LINETEXT")))
        set(orderLine_, "setOrderLineText", GetTextinKiroFormat(textOf(column(l, "LINETEXT")), 3));
      setLineAddress(l, deliveryCode, invoiceCode);

      // Baskets and quotations are stored with their lines numbered 1, 2, 3 in document
      // order whatever their own numbers; the stored number is the one the ERP confirms.
      const int32_t position = origin == 2 ? column(l, o->position).toLong() : ordinal;
      if (origin != 2 && column(l, o->config).isNull()) l.setValue(o->config, Variant(""));
      if (origin == 0 && column(l, o->amount).isNull()) l.setValue(o->amount, Variant(0));
      if (origin == 2 && column(l, o->config).isNull()) l.setValue(o->config, Variant(""));
      set(orderLine_, "setSalesUnit", Variant(platform::trimBlanks(textOf(column(l, o->unit)))));
      set(orderLine_, "setPrice", column(l, o->price));
      set(orderLine_, "setAmount", column(l, o->amount));
      const std::string config = platform::trimBlanks(textOf(column(l, o->config)));
      if (origin == 2 && Sls_HasValue(knownNumber)) set(orderLine_, "setSalesOrder", knownNumber);
      set(orderLine_, s.linePosition, Variant(position));
      if (Sls_HasValue(Variant(config)))
        AddProductVariants(config, webOrderId_, static_cast<int16_t>(position));
      orderLines_->call("insertSalesOrderLinesAt", {Variant(orderLine_), orderLines_->call("sizeSalesOrderLines")});
    }
  } catch (...) {
    LogError("Merxalink.Order.BuildInputValuesforQ50c()");
  }
}

}  // namespace merxalink

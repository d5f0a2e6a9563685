// Basket.ConvertToXML: the sales document as the XML text the pages transform into an order
// form or a copy of an order. Every header and line column becomes an element named after the
// column, so the page's style sheet decides what is shown; the form's captions come from the
// caller's message manager, numbers and dates are formatted for the header's USERLOCALE.
#include <algorithm>
#include <bit>
#include <cmath>
#include <map>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "basket/basket.h"
#include "basket/sales_document.h"
#include "common/error_handling.h"
#include "common/formatting.h"
#include "common/lib_sales.h"
#include "common/merxa_error.h"

namespace merxa {

using platform::ObjectPtr;
using platform::data::RecordsetPtr;
namespace ado = platform::data;

namespace {

// Header columns written with a caption in their label attribute.
const std::map<std::string, const char*, std::less<>> kHeaderLabels = {
    {"CUSTOMERNAME", "SLBSA3557"},   {"CURRENCYCODE", "SLBSA3560"},  {"DISCOUNTPERC", "SLBSA3561"},
    {"CARRIERCODE", "SLBSA3562"},    {"CUSTOMERPONUMBER", "SLBSA3563"}, {"TOTALNETAMOUNT", "SLBSA3572"},
    {"DISCOUNTTOTAL", "SLBSA3573"},  {"SUBTOTAL", "SLBSA3574"},      {"FREIGHTTOTAL", "SLBSA3575"},
    {"FREIGHTTAXTOTAL", "SLBSA3576"}, {"TOTAL", "SLBSA3577"}};

// Basket and quotation columns that share one element, with the element's caption.
struct SharedElement {
  const char* element;
  const char* caption;
};
const std::map<std::string, SharedElement, std::less<>> kSharedElements = {
    {"BASKETDATE", {"ORDERDATE", "SLBSA3558"}},         {"CREATIONDATE", {"ORDERDATE", "SLBSA3558"}},
    {"BASKETNAME", {"CUSTOMERREFERENCE", "SLBSA3559"}}, {"CUSTOMERREFERENCE", {"CUSTOMERREFERENCE", "SLBSA3559"}},
    {"BASKETTEXT", {"COMMENTS", "SLBSA3564"}},          {"COMMENTS", {"COMMENTS", "SLBSA3564"}}};

// The column captions of the lines table, written after the header.
const std::pair<const char*, const char*> kColumnCaptions[] = {
    {"ProductsLabel", "SLBSA3578"},   {"QtyLabel", "SLBSA3579"},         {"UnitLabel", "SLBSA3580"},
    {"ReqDateLabel", "SLBSA3581"},    {"ItemLabel", "SLBSA3582"},        {"DescriptionLabel", "SLBSA3583"},
    {"UnitPriceLabel", "SLBSA3584"},  {"DiscountLabel", "SLBSA3585"},    {"NetAmountLabel", "SLBSA3586"},
    {"TaxCodeLabel", "SLBSA3587"},    {"FreightCostsLabel", "SLBSA3588"}, {"AddressLabel", "SLBSA3589"}};

// Address columns written with a caption; SHORTDESCRIPTION's depends on the address kind.
const std::map<std::string, const char*, std::less<>> kAddressLabels = {
    {"NAME1", "SLBSA3567"}, {"STREET1", "SLBSA3568"}, {"CITY1", "SLBSA3569"},
    {"COUNTRYCODE", "SLBSA3570"}, {"ZIPCODE", "SLBSA3571"}};

bool isOneOf(const std::string& name, std::initializer_list<const char*> names) {
  for (const char* n : names)
    if (name == n) return true;
  return false;
}

bool isDateType(int32_t type) { return type == ado::adDate || type == ado::adDBDate || type == ado::adDBTimeStamp; }

double numberOrZero(const Variant& v) { return v.isNull() || v.isEmpty() ? 0.0 : v.toDouble(); }

// A value is read back from its formatted text by its sign and digits only, since the text
// carries the customer's separators, not the platform's.
bool readsAsPositive(const std::string& formatted) {
  if (formatted.find('-') != std::string::npos || formatted.find("\xE2\x88\x92") != std::string::npos)
    return false;  // a minus sign, ASCII or U+2212
  return formatted.find_first_of("123456789") != std::string::npos;
}

// A number as a key of the memos: 0 and -0 alike, as they compare equal.
struct NumberHash {
  size_t operator()(double number) const noexcept {
    const uint64_t bits = number == 0 ? 0 : std::bit_cast<uint64_t>(number);
    const uint64_t mixed = bits * 0x9E3779B97F4A7C15ull;
    return static_cast<size_t>(mixed ^ (mixed >> 32));
  }
};

// One conversion: the caller's message manager and caption locale, the show-tax flag and the
// header's formatting locale. The routines append to `text` as they go.
//
// Within one conversion a caption, a formatted date or number and an address are asked for
// once and reused: an order form repeats them on every line (the same request date, zero
// discounts, one or two addresses), and the answers cannot change while the text is built.
class BasketXmlWriter {
 public:
  BasketXmlWriter(ObjectPtr messageManager, std::string captionLocale, bool showTax, int lines)
      : caption(std::move(messageManager), std::move(captionLocale)), showTax_(showTax) {
    numbers_.reserve(16 + 4 * static_cast<size_t>(std::max(0, lines)));  // a line's price and amounts
  }

  std::string text;

  void ConvertHeaderToXML(const RecordsetPtr& header, const RecordsetPtr& lines);
  void ConvertLinesToXML(const RecordsetPtr& header, const RecordsetPtr& lines);

 private:
  void ConvertAddressToXML(const std::string& kind, int32_t addressId);
  std::string SpecifyTax(const RecordsetPtr& lines, int16_t locale);

  void element(const char* name, const char* code) {
    text.append("<").append(name).append(">").append(caption(code)).append("</").append(name).append(">");
  }
  // The header's USERLOCALE, which drives every number and date.
  int32_t userLocale() {
    if (!userLocale_) userLocale_ = header_->value("USERLOCALE").toLong();
    return *userLocale_;
  }
  // The number as the locale writes it with its decimals, made safe for XML; each number
  // of a conversion is formatted once.
  const std::string& decimals(const Variant& value) {
    const double number = value.toDouble();
    auto [it, added] = numbers_.try_emplace(number);
    if (added) {
      if (!priceDecimals_) priceDecimals_.emplace(dataFunctions(), static_cast<int16_t>(userLocale()));
      appendXMLText(it->second, (*priceDecimals_)(Variant(number)));
    }
    return it->second;
  }
  // Appends the text of a column's value by its type, made safe for XML: amounts and dates
  // for the locale.
  void appendBaseText(const Variant& value, int32_t type) {
    if (type == ado::adCurrency) return appendXMLText(text, Sls_FormatPrice(value, false, userLocale(), dataFunctions(), 8));
    if (isDateType(type)) {
      const platform::Date date = value.toDate();
      auto [it, added] = dates_.try_emplace(date.serial);
      if (added) appendXMLText(it->second, Sls_FormatDate(date, userLocale()));
      text += it->second;
    } else if (value.type() == platform::VarType::Double) {  // quantities and percentages repeat too
      auto [it, added] = doubleTexts_.try_emplace(value.rawDouble());
      if (added) appendXMLText(it->second, value.toString());
      text += it->second;
    } else if (value.isString()) {
      appendXMLText(text, value.rawString());
    } else {
      appendXMLText(text, value.toString());
    }
  }
  std::string carrierName(const Variant& code);
  const ObjectPtr& dataFunctions() {
    if (!dataFunctions_) dataFunctions_ = Sls_DataFunctions();
    return dataFunctions_;
  }

  DocumentCaptions caption;
  bool showTax_;
  RecordsetPtr header_;
  ObjectPtr dataFunctions_;  // the thread's
  std::optional<int32_t> userLocale_;
  std::optional<PriceDecimals> priceDecimals_;  // for the header's locale
  // As written into the text, by value (a date by its serial number).
  std::unordered_map<double, std::string, NumberHash> dates_, numbers_, doubleTexts_;
  std::map<int32_t, RecordsetPtr> addresses_;  // as the address book answered; null: unknown
  std::map<std::pair<std::string, int32_t>, std::string> renderedAddresses_;  // by kind and identifier
};

bool CheckTaxPercentage(double base, double percentage, double part) {
  if (base == 0) return false;
  const double difference = std::fabs(part / base * 100 - percentage);
  return std::nearbyint(difference * 100) / 100 <= 0.01;
}

void BasketXmlWriter::ConvertHeaderToXML(const RecordsetPtr& header, const RecordsetPtr& lines) {
  guarded("Merxa.Basket.ConvertHeaderToXML", [&] {
    header_ = header;
    const auto columnValue = [&](const char* name) {
      return header->columnIndex(name) < 0 ? 0.0 : numberOrZero(header->value(name));
    };
    const double freightTotal = columnValue("FREIGHTTOTAL");
    const double freightTaxTotal = columnValue("FREIGHTTAXTOTAL");

    element("WebOrderTitle", "SLBSA3554");
    element("WebOrderSubTitle", "SLBSA3555");
    element("CopyOrderTitle", "SLBSA3590");
    element("CopyOrderSubTitle", "SLBSA3591");
    text += "<OrderHeader WebOrderLabel='" + caption("SLBSA3556") + "' CopyOrderLabel='" + caption("SLBSA3592") + "'>";

    for (int i = 0; i < header->columnCount(); ++i) {
      const std::string& name = header->columnInfo(i).name;
      const Variant& value = header->valueAt(i);
      std::string closing = name;

      if (const auto label = kHeaderLabels.find(name); label != kHeaderLabels.end()) {
        text += "<" + name + " label = '" + caption(label->second) + "'>";
      } else if (const auto shared = kSharedElements.find(name); shared != kSharedElements.end()) {
        closing = shared->second.element;
        text += "<" + closing + " label = '" + caption(shared->second.caption) + "'>";
      } else {
        text += "<" + name + ">";
      }

      if (!value.isNull()) {
        if (isOneOf(name, {"TOTALNETAMOUNT", "DISCOUNTTOTAL", "SUBTOTAL", "FREIGHTTOTAL", "TOTAL", "DISCOUNTPERC"}))
          text += decimals(value);
        else if (name == "FREIGHTTAXTOTAL")
          text += showTax_ ? decimals(value) : "0";
        else if (name == "FREIGHTTAXPERC")
          text += freightTotal != 0 && CheckTaxPercentage(freightTotal, value.toDouble(), freightTaxTotal)
                      ? decimals(value)
                      : decimals(Variant(0.0));
        else if (name == "CARRIERCODE")
          appendXMLText(text, carrierName(value));
        else if (name != "TAXTOTAL")
          appendBaseText(value, header->columnInfo(i).type);

        if (name == "TAXTOTAL") {
          // Escaping leaves a number's sign and digits as they are.
          const std::string& content = decimals(value);
          text += content;
          text += "</" + name + ">";
          // Where the tax breakdown would follow, a document that hides its tax shows
          // 0, as it does for the tax amounts themselves.
          if (!showTax_) text += "0";
          else if (readsAsPositive(content)) text += SpecifyTax(lines, static_cast<int16_t>(userLocale()));
        }
        if (name == "SHIPPINGADDRESSID") ConvertAddressToXML("SHIPPING", value.toLong());
        if (name == "BILLINGADDRESSID") ConvertAddressToXML("BILLING", value.toLong());
        if (name == "TAXTOTAL") continue;  // closed above
      }
      text += "</" + closing + ">";
    }

    text += "</OrderHeader>";
    for (const auto& [element, code] : kColumnCaptions) this->element(element, code);
  });
}

std::string BasketXmlWriter::carrierName(const Variant& code) {
  ObjectPtr partner = Sls_GetComponent("CorvoCommon.BusinessPartner");
  auto carriers = partner->call("GetTransportCarrier", {code}).as<ado::Recordset>();
  std::string name = code.toString();
  if (!carriers->empty() && Sls_HasValue(carriers->value("CARRIERNAME"))) name = carriers->value("CARRIERNAME").toString();
  Sls_CloseRecordSet(carriers);
  return name;
}

void BasketXmlWriter::ConvertLinesToXML(const RecordsetPtr& header, const RecordsetPtr& lines) {
  guarded("Merxa.Basket.ConvertLinesToXML", [&] {
    header_ = header;
    text += "<OrderLines>";
    if (!lines->empty()) {
      // What each column becomes, worked out once for all lines. Between two values the text
      // is fixed (a closing and an opening tag), so it is written in one piece.
      enum class Content { AsTyped, Decimals, TaxDecimals };
      struct Column {
        std::string lead;   // the previous column's closing tag, unless an address followed it, and this one's opening tag
        std::string close;  // before an address only
        int32_t type;
        Content content;
        bool address;
      };
      std::vector<Column> columns;
      std::string pendingClose;
      for (int i = 0; i < lines->columnCount(); ++i) {
        const std::string& name = lines->columnInfo(i).name;
        const std::string element = name == "DISCOUNTAMOUNT" ? "LINEDISCOUNTAMOUNT" : name;
        Column c{pendingClose + "<" + element + ">", {}, lines->columnInfo(i).type, Content::AsTyped,
                 name == "ADDRESSID"};
        if (name == "LINETEXT") c.lead = pendingClose + "<" + name + " label='" + caption("SLBSA3564") + "'>";
        if (isOneOf(name, {"PRODUCTPRICE", "LINEAMOUNT", "FREIGHTAMOUNT", "LINEDISCOUNTAMOUNT", "ORDERDISCOUNTAMOUNT",
                           "DISCOUNTPERC", "DISCOUNTAMOUNT"}))
          c.content = Content::Decimals;
        else if (name == "TAXAMOUNT" || name == "FREIGHTTAXAMOUNT")
          c.content = Content::TaxDecimals;
        pendingClose = "</" + element + ">";
        if (c.address) c.close = std::exchange(pendingClose, std::string());
        columns.push_back(std::move(c));
      }
      const std::string lineEnd = pendingClose + "</OrderLine>";
      std::optional<Variant> orderAddress;  // read when a line has no address of its own
      std::unordered_map<int32_t, const std::string*> lineAddresses;  // as rendered for the lines
      for (lines->MoveFirst(); !lines->eof(); lines->MoveNext()) {
        text += "<OrderLine>";
        for (size_t i = 0; i < columns.size(); ++i) {
          const Column& c = columns[i];
          const Variant& value = lines->valueAt(static_cast<int>(i));
          text += c.lead;
          if (!value.isNull()) {
            if (c.content == Content::Decimals) text += decimals(value);
            else if (c.content == Content::TaxDecimals) text += showTax_ ? decimals(value) : "0";
            else appendBaseText(value, c.type);
          }
          if (c.address) {
            text += c.close;
            // A line without an address of its own is shipped to the order's shipping
            // address, so that is the address its form shows.
            if (value.isNull() && !orderAddress) orderAddress = header->value("SHIPPINGADDRESSID");
            const Variant& address = value.isNull() ? *orderAddress : value;
            if (!address.isNull()) {
              // Lines share an address or two: each is rendered once and then copied.
              const int32_t id = address.toLong();
              if (const auto known = lineAddresses.find(id); known != lineAddresses.end()) {
                text += *known->second;
              } else {
                ConvertAddressToXML("SHIPPING", id);
                lineAddresses.emplace(id, &renderedAddresses_.at({"SHIPPING", id}));
              }
            }
          }
        }
        text += lineEnd;
      }
    }
    text += "</OrderLines>";
  });
}

void BasketXmlWriter::ConvertAddressToXML(const std::string& kind, int32_t addressId) {
  guarded("Merxa.Basket.ConvertAddressToXML", [&] {
    auto [known, added] = addresses_.try_emplace(addressId);
    if (added) {
      ObjectPtr partner = Sls_GetComponent("CorvoCommon.BusinessPartner");
      try {
        known->second = partner->call("GetAddress", {Variant(addressId)}).as<ado::Recordset>();
      } catch (const platform::ComError& e) {
        // The address book answers an unknown address with this error: no address elements.
        if (e.number != GetBusinessPartner) throw;
      }
    }
    auto [rendered, first] = renderedAddresses_.try_emplace({kind, addressId});
    if (first) {
      std::string& xml = rendered->second;
      const RecordsetPtr& address = known->second;
      if (address && !address->empty()) {
        address->MoveFirst();
        for (int i = 0; i < address->columnCount(); ++i) {
          const std::string& name = address->columnInfo(i).name;
          xml.append("<").append(kind).append(name);
          if (name == "SHORTDESCRIPTION") {
            xml.append(" label ='").append(caption(kind == "SHIPPING" ? "SLBSA3566" : "SLBSA3565")).append("'");
          } else if (const auto label = kAddressLabels.find(name); label != kAddressLabels.end()) {
            xml.append(" label ='").append(caption(label->second)).append("'");
          }
          xml += ">";
          const Variant& value = address->valueAt(i);
          if (!value.isNull()) appendXMLText(xml, value.toString());
          xml.append("</").append(kind).append(name).append(">");
        }
      }
    }
    text += rendered->second;
  });
}

std::string BasketXmlWriter::SpecifyTax(const RecordsetPtr& lines, int16_t locale) {
  return guarded("Basket.SpecifyTax", [&] {
    struct TaxCode {
      std::string code;
      Variant percentage, description;
      double amount = 0, base = 0;
    };
    std::vector<TaxCode> codes;  // in order of first appearance
    if (!lines->empty()) {
      const auto column = [&](const char* name) {
        const int index = lines->columnIndex(name);
        if (index < 0) lines->field(name);  // raises the recordset's error for a missing column
        return index;
      };
      const int code = column("TAXCODE"), percentage = column("TAXPERCENTAGE"),
                description = column("TAXCODEDESCRIPTION"), tax = column("TAXAMOUNT"), amount = column("LINEAMOUNT"),
                orderDiscount = column("ORDERDISCOUNTAMOUNT");
      for (lines->MoveFirst(); !lines->eof(); lines->MoveNext()) {
        const Variant& lineCode = lines->valueAt(code);
        if (lineCode.isNull()) continue;
        const std::string key = lineCode.toString();
        auto it = std::find_if(codes.begin(), codes.end(), [&](const TaxCode& t) { return t.code == key; });
        if (it == codes.end()) {
          codes.push_back({key, lines->valueAt(percentage), lines->valueAt(description)});
          it = codes.end() - 1;
        }
        it->amount += numberOrZero(lines->valueAt(tax));
        it->base += numberOrZero(lines->valueAt(amount)) - numberOrZero(lines->valueAt(orderDiscount));
      }
    }
    ObjectPtr dataFunctions = Sls_DataFunctions();
    std::string xml = "<TAXSPECIFIC>";
    for (const TaxCode& t : codes) {
      xml += "<TAX><TAXCODEDESCRIPTION>" + Sls_ReplaceForbiddenXMLTokens(t.description) + "</TAXCODEDESCRIPTION>";
      const double percentage = numberOrZero(t.percentage);
      if (CheckTaxPercentage(t.base, percentage, t.amount) && percentage != 0)
        xml += "<TAXPERCENTAGE>" +
               Sls_ReplaceForbiddenXMLTokens(Variant(FormatPriceDecimals(t.percentage, locale, dataFunctions))) +
               "</TAXPERCENTAGE>";
      xml += "<TAXAMOUNT>" +
             Sls_ReplaceForbiddenXMLTokens(Variant(FormatPriceDecimals(Variant(t.amount), locale, dataFunctions))) +
             "</TAXAMOUNT></TAX>";
    }
    return xml + "</TAXSPECIFIC>";
  });
}

// Whether the document's tax is shown: always for payment method 2, for payment method 1 when
// the installation's parameter ShowTaxOnInvoiceOrders is "1", never otherwise.
bool showTaxOf(const RecordsetPtr& header) {
  ObjectPtr config = Sls_GetComponent("Corvane.Configuration");
  config->call("OpenApplication", {Variant("Merxa"), Variant(0)});
  const bool parameterOn =
      config->call("GetValue", {Variant("GENERAL_PARAMETERS"), Variant("ShowTaxOnInvoiceOrders")}).toString() == "1";
  if (!header->empty()) header->MoveFirst();
  const Variant method = header->value("PAYMENTMETHOD");
  if (method.isNull()) return false;
  const int32_t m = method.toLong();
  return m == 2 || (m == 1 && parameterOn);
}

}  // namespace

std::string Basket::ConvertToXML(const Variant& iBasket, const Variant& ioMessageManager,
                                 const std::string& iUserLocale) {
  return guarded("Merxa.Basket.ConvertToXML", [&] {
    if (iBasket.isEmpty() || iBasket.isNull() || !iBasket.isObject() || iBasket.isNothing())
      raiseMerxa(MissingOrderID, "Merxa.Basket.ConvertToXML", "Basket is empty");
    const DictionaryPtr document = documentOf(iBasket);
    const RecordsetPtr header = documentHeader(document);
    const RecordsetPtr lines = documentLines(document);

    BasketXmlWriter writer(ioMessageManager.toObject(), iUserLocale, showTaxOf(header), lines->RecordCount());
    writer.text.reserve(8192 + 3072 * static_cast<size_t>(std::max(0, lines->RecordCount())));
    writer.text = "<?xml version=\"1.0\"?><Order><DocumentTypeID>WebOrder</DocumentTypeID>";
    writer.ConvertHeaderToXML(header, lines);
    writer.ConvertLinesToXML(header, lines);
    writer.text += "</Order>";
    return std::move(writer.text);
  });
}

}  // namespace merxa

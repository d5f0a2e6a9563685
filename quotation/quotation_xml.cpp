// Quotation.ConvertToXML: a loaded quotation as the XML text the quotation pages transform into
// the printable quotation. Every header and line column becomes an element named after the
// column; the captions come from the caller's message manager in the caller's language, while
// numbers and dates follow the header's USERLOCALE. A few installation parameters (logo,
// watermark, image folder) travel with it for the printout.
//
// Values and captions are written as entities where they would break the document: the pages
// must be able to parse whatever a customer typed or an editor put into the caption store.
#include <map>

#include "basket/sales_document.h"
#include "common/error_handling.h"
#include "common/formatting.h"
#include "common/lib_sales.h"
#include "common/merxa_error.h"
#include "common/site_user_product.h"
#include "platform/data/recordset.h"
#include "quotation/quotation.h"

namespace merxa {

namespace ado = platform::data;
using platform::ObjectPtr;

namespace {

// The caption groups of the document's Labels element, in the order the pages expect them.
struct Caption {
  const char* element;
  const char* code;
};
const Caption kHeaderCaptions[] = {
    {"CustomerLabel", "SLBSA3557"},          {"CustomerReferenceLabel", "SLBSA3559"},
    {"CreationDateLabel", "SLBSA6017"},      {"ExpirationDateLabel", "SLBSA6018"},
    {"CustomerInformationLabel", "SLBSA6092"}, {"PricesValidtillLabel", "SLBSA6093"},
    {"PrintedOnLabel", "SLBSA6094"},         {"QuotationRemarksLabel", "SLBSA6095"},
    {"DiscountLabel", "SLBSA3573"},          {"SubtotalLabel", "SLBSA3574"},
    {"TotalNetAmountLabel", "SLBSA3572"}};
const Caption kLineCaptions[] = {
    {"ProductsLabel", "SLBSA3578"},  {"ItemLabel", "SLBSA2006"},      {"QtyLabel", "SLBSA3579"},
    {"UnitLabel", "SLBSA3580"},      {"ReqDateLabel", "SLBSA0709"},   {"UnitPriceLabel", "SLBSA3584"},
    {"DiscountLabel", "SLBSA3585"},  {"NetAmountLabel", "SLBSA3586"}, {"ConfiguredItemLabel", "SLBSA6096"}};
const Caption kConfigurationCaptions[] = {
    {"FeatureDescription", "SLBSA6090"}, {"OptionValue", "SLBSA6091"}, {"PartiallyConfigured", "SLBSA0622"}};

bool isOneOf(const std::string& name, std::initializer_list<const char*> names) {
  for (const char* n : names)
    if (name == n) return true;
  return false;
}

// One conversion: the caller's message manager and caption language; the routines append to
// `text`. A caption is asked for once per conversion.
class QuotationXmlWriter {
 public:
  QuotationXmlWriter(ObjectPtr manager, std::string captionLocale)
      : caption(std::move(manager), std::move(captionLocale)) {}

  std::string text;

  void ConvertHeaderToXML(const RecordsetPtr& header);
  void ConvertLinesToXML(int16_t locale, const RecordsetPtr& lines);
  void AddParametersToXML(int32_t sendAsEmail);
  void AddLabelsToXML();

 private:
  const ObjectPtr& dataFunctions() {
    if (!dataFunctions_) dataFunctions_ = Sls_DataFunctions();
    return dataFunctions_;
  }
  void configurationBlock(const RecordsetPtr& lines);

  DocumentCaptions caption;
  ObjectPtr dataFunctions_;
};

void QuotationXmlWriter::ConvertHeaderToXML(const RecordsetPtr& header) {
  guarded("Merxa.Quotation.ConvertHeaderToXML", [&] {
    text += "<QuotationTitle>" + caption("SLBSA6051") + "</QuotationTitle>";
    text += "<QuotationHeader>";
    const int32_t locale = header->value("USERLOCALE").toLong();
    for (int i = 0; i < header->columnCount(); ++i) {
      const std::string& name = header->columnInfo(i).name;
      const Variant& value = header->valueAt(i);
      text += "<" + name + ">";
      // Zero counts as no value here: a quotation without discount shows an empty field.
      if (Sls_HasValue(value)) {
        std::string content = header->columnInfo(i).type == ado::adDBTimeStamp
                                  ? Sls_FormatDate(value.toDate().dateOnly(), locale)
                                  : value.toString();
        if (isOneOf(name, {"TOTALNETAMOUNT", "SUBTOTAL", "DISCOUNTTOTAL", "DISCOUNTPERC"}))
          content = FormatPriceDecimals(value, static_cast<int16_t>(locale), dataFunctions());
        appendXMLText(text, content);
      }
      text += "</" + name + ">";
    }
    text += "<CurrentDate>" + Sls_FormatDateTime(Variant(platform::Date::now()), locale) + "</CurrentDate>";
    std::vector<Variant> parts;
    for (const char* code : {"SLBSA7012", "SLBSA7000", "SLBSA7013", "SLBSA7015"})
      parts.emplace_back(caption.raw(code));
    text += "<DateFormat>" +
            Sls_XMLCaption(Sls_FormatDateTemplate(Variant::array(std::move(parts)), locale).toString()) +
            "</DateFormat>";
    text += "</QuotationHeader>";
  });
}

void QuotationXmlWriter::ConvertLinesToXML(int16_t locale, const RecordsetPtr& lines) {
  guarded("Merxa.Quotation.ConvertLinesToXML", [&] {
    text += "<QuotationLines>";
    if (!lines->empty()) {
      // From the current row on: a freshly loaded quotation stands on its first line.
      for (; !lines->eof(); lines->MoveNext()) {
        text += "<QuotationLine>";
        for (int i = 0; i < lines->columnCount(); ++i) {
          const std::string& name = lines->columnInfo(i).name;
          const Variant& value = lines->valueAt(i);
          std::string content;
          if (value.isNull() || value.isEmpty()) content.clear();
          else if (lines->columnInfo(i).type == ado::adDBTimeStamp) content = Sls_FormatDate(value.toDate().dateOnly(), locale);
          else if (isOneOf(name, {"PRODUCTPRICE", "LINEAMOUNT", "DISCOUNTAMOUNT"}))
            content = FormatPriceDecimals(value, locale, dataFunctions());
          else content = value.toString();

          if (name == "PRODUCTCONFIGURABLE") {
            text += "<" + name + " value='" + Sls_XMLCaption(content) + "'>";
            const Variant complete = lines->value("PRODUCTCONFIGCOMPLETE");
            if (!complete.isNull() && !complete.isEmpty() && complete.toBool()) configurationBlock(lines);
            text += "</" + name + ">";
          } else {
            text += "<" + name + ">";
            appendXMLText(text, content);
            text += "</" + name + ">";
          }
        }
        text += "</QuotationLine>";
      }
    }
    text += "</QuotationLines>";
  });
}

// The options of a configured line, from the configurator's description of it: records after
// the text "VOP", fields separated by ","; fields 4 to 7 are the feature code, sequence
// number, feature description and option value. The text before the first record describes
// the configuration as a whole and is not written.
void QuotationXmlWriter::configurationBlock(const RecordsetPtr& lines) {
  ObjectPtr configurator = Sls_GetComponent("CorvoConfigurator.Configurator");
  ObjectPtr service = configurator->call("GetConfigurationService").toObject();
  const std::string description =
      service
          ->call("GetVariantDescription",
                 {Variant(lines->value("PRODUCTCONFIGID").toString()), lines->value("QUOTATIONID"), lines->value("LINENUMBER")})
          .toString();
  text += "<CONFIGURATIONS>";
  size_t at = description.find("VOP");
  while (at != std::string::npos) {
    const size_t start = at + 3;
    const size_t next = description.find("VOP", start);
    const std::string record = description.substr(start, next == std::string::npos ? std::string::npos : next - start);
    std::vector<std::string> fields;
    for (size_t from = 0;;) {
      const size_t comma = record.find(',', from);
      fields.push_back(record.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
      if (comma == std::string::npos) break;
      from = comma + 1;
    }
    // A record without all its fields is one the configurator could not describe in full.
    if (fields.size() < 8) platform::raiseVb(platform::vb::SubscriptOutOfRange, "Merxa.Quotation");
    text += "<VOP>";
    const char* names[] = {"FEATURECODE", "SEQUENCENUMBER", "FEATUREDESCRIPTION", "OPTIONVALUE"};
    for (int f = 0; f < 4; ++f) {
      text += std::string("<") + names[f] + ">";
      appendXMLText(text, fields[4 + f]);
      text += std::string("</") + names[f] + ">";
    }
    text += "</VOP>";
    at = next;
  }
  text += "</CONFIGURATIONS>";
}

void QuotationXmlWriter::AddParametersToXML(int32_t sendAsEmail) {
  guarded("Merxa.Quotation.AddParametersToXML", [&] {
    const auto parameter = [](const char* key) {
      std::string name = key;
      return Sls_ReplaceForbiddenXMLTokens(Variant(Sls_GetParameterValue(name)));
    };
    text += "<Parameters>";
    text += "<ImageDirectory>" + Sls_ReplaceForbiddenXMLTokens(Variant(Sls_getSiteName() + "/Merxa/Quotation/images/")) +
            "</ImageDirectory>";
    text += "<Logo>" + parameter("Logo") + "</Logo>";
    text += "<WatermarkImage>" + parameter("Watermark Image") + "</WatermarkImage>";
    text += "<PrintConfigurations>" + parameter("Print Configurations") + "</PrintConfigurations>";
    text += "<SendAsEmail>" + std::to_string(sendAsEmail) + "</SendAsEmail>";
    text += "</Parameters>";
  });
}

void QuotationXmlWriter::AddLabelsToXML() {
  guarded("Merxa.Quotation.AddLabelsToXML", [&] {
    const auto group = [&](const char* name, const auto& captions) {
      text += std::string("<") + name + ">";
      for (const Caption& c : captions) text += std::string("<") + c.element + ">" + caption(c.code) + "</" + c.element + ">";
      text += std::string("</") + name + ">";
    };
    text += "<Labels>";
    group("QuotationHeader", kHeaderCaptions);
    group("QuotationLine", kLineCaptions);
    group("Configurations", kConfigurationCaptions);
    text += "</Labels>";
  });
}

}  // namespace

std::string Quotation::ConvertToXML(const Variant& iQuotation, const Variant& ioMessageManager,
                                    const std::string& iUserLocale) {
  return guarded("Merxa.Quotation.ConvertToXML", [&] {
    if (iQuotation.isEmpty() || iQuotation.isNull() || !iQuotation.isObject() || iQuotation.isNothing())
      raiseMerxa(MissingOrderID, "Merxa.Quotation.ConvertToXML", "Quotation is empty");
    const DictionaryPtr document = documentOf(iQuotation);
    const RecordsetPtr header = documentHeader(document);
    const RecordsetPtr lines = documentLines(document);
    // The page says whether the quotation is to be mailed; a document that does not say is
    // not one the page made.
    const Variant key("sendasemail");
    if (!document->Exists(key)) platform::raiseVb(platform::vb::TypeMismatch, "Merxa.Quotation");
    const int32_t sendAsEmail = document->Item(key).toLong();

    QuotationXmlWriter writer(ioMessageManager.toObject(), iUserLocale);
    writer.text = "<?xml version=\"1.0\"?><Quotation><DocumentTypeID>WebQuote</DocumentTypeID>";
    writer.ConvertHeaderToXML(header);
    writer.ConvertLinesToXML(static_cast<int16_t>(header->value("USERLOCALE").toLong()), lines);
    writer.AddParametersToXML(sendAsEmail);
    writer.AddLabelsToXML();
    writer.text += "</Quotation>";
    return std::move(writer.text);
  });
}

}  // namespace merxa

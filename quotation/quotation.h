// Quotation ("Merxa.Quotation"): priced offers made from baskets, kept in QUOTATIONHEADER and
// QUOTATIONLINE and handed to the pages as sales documents.
//
// A quotation takes over the identifier of the basket it is made from, and the basket's rows
// go in the same transaction that stores the quotation. Every line is priced when the
// quotation is made: configured products by the configurator, the rest by the customer's
// pricing method (the web price lists, or the ERP through "Merxalink.PriceTax").
//
// The object keeps nothing between calls but the rejected lines of its last CopyQuotation and
// the count of its last reminder run;
// every operation opens its own connection and closes it before it returns. Everything an
// operation writes is written in one transaction: a failure leaves the database as it was.
#pragma once

#include <cstdint>
#include <string>

#include "platform/data/connection.h"
#include "platform/dictionary.h"
#include "integrity/referential_integrity.h"
#include "platform/object.h"

namespace merxa {

using platform::Date;
using platform::DictionaryPtr;
using platform::Variant;
using platform::data::ConnectionPtr;
using platform::data::RecordsetPtr;

// The values of the PRICINGMETHOD column and of the customer's pricing method.
enum PricingMethod : int32_t { WebPricing = 1, KiroPricing = 2 };

// What a price calculation gives one line.
struct LinePrice {
  double unitPrice = 0;
  double discountAmount = 0;  // per unit
  double discountPercent = 0;
  double lineAmount = 0;  // (unitPrice - discountAmount) * quantity
};

// A customer's quotation settings: from its CUSTOMERSETTING row, else the installation's.
struct QuotationSettings {
  int32_t expirationPeriod = 0;  // days
  bool notify = false;
  int32_t notificationPeriod = 0;  // days before the expiry date
};

// When a new quotation expires and when its customer is reminded (Null: never).
struct QuotationExpiry {
  Date expiryDate;
  bool notify = false;
  Variant notificationDate;
};

class Quotation : public platform::Object {
 public:
  const platform::DispatchTable& dispatch() const override;
  // The second interface: IReferentialIntegrity.
  platform::ObjectPtr interfaceOf(std::string_view name) override {
    return referentialIntegrityOf(name, "Quotation");
  }

  void Create(const Variant& i_oBasket);
  bool Save(Variant& i_oQuotation);
  DictionaryPtr Show(const std::string& sQuotationID, const Variant& i_aLineID);
  DictionaryPtr GetLines(const std::string& i_sQuotationID, const Variant& i_aLineID);
  // The rejected lines by part number; Empty when an empty line list asked for nothing. When
  // a copy is stored, its identifier is put into i_oFieldValues("QUOTATIONID").
  Variant CopyQuotation(const std::string& i_sQuotationID, Variant& i_oFieldValues, const Variant& i_aLineID);
  void Delete(const Variant& i_aQuotationID);
  void DeleteLine(const std::string& i_sQuotationID, const Variant& i_aQuotationLineID);
  bool CheckQuotationLinesPresent(const std::string& sQuotationID);
  int32_t GetBPStoredInDB(Variant& i_sQuoteID);

  // The quotation as the XML text the quotation pages transform (quotation_xml.cpp).
  std::string ConvertToXML(const Variant& iQuotation, const Variant& ioMessageManager, const std::string& iUserLocale);

  // The reminder run (quotation_notification.cpp). Failures are logged, not raised; only a
  // failure to read "QuotationImplemented" reaches the caller of Run.
  Variant Run();
  Variant SendNotificationMail();
  Variant fillLabelsArray();
  RecordsetPtr getToBeNotifiedQuotations();  // null when the selection failed
  void UpdateNotificationStatus(Variant& iQuotationRs);
  // How many reminders the last Run or SendNotificationMail of this object handed over.
  int32_t RemindersSent() const { return remindersSent_; }

  // The expiry of a quotation made today for these settings, whose products expire first on
  // `productExpiry` (Null or Empty when none expires).
  static QuotationExpiry expiryFor(const QuotationSettings& settings, const Variant& productExpiry, Date today);

 protected:
  // Pricing (quotation_pricing.cpp). Virtual where the tests watch which method was used.
  void GetPriceInfo(const DictionaryPtr& document);
  bool QuantityChanged(const ConnectionPtr& cn, const DictionaryPtr& document);
  void RecalculateTotals(const DictionaryPtr& document);
  std::string GetPropertyValue(const std::string& propertyName, const std::string& businessPartnerId);
  LinePrice CalculateWebPricing(const std::string& businessPartnerId, const std::string& currencyCode,
                                int32_t productId, int32_t quantity, Date requestDate);
  LinePrice CalculateKiroPricing(const DictionaryPtr& document);
  void CalcualteConfigurablePricing(const RecordsetPtr& lines, const std::string& currencyCode,
                                    const std::string& homeCurrencyCode);

 private:
  bool CreateQuotation(const DictionaryPtr& document, const ConnectionPtr& cn);
  void InsertQuotationHeader(const DictionaryPtr& document, const ConnectionPtr& cn);
  QuotationExpiry GetExpiryDate(const DictionaryPtr& document, const ConnectionPtr& cn);
  QuotationSettings GetQuotationSettings(const std::string& businessPartnerId, const ConnectionPtr& cn);
  void InsertQuotationLines(const DictionaryPtr& document, const ConnectionPtr& cn);

  DictionaryPtr ShowQuotation(const ConnectionPtr& cn, const std::string& quotationId, const Variant& lineIds);
  void DeleteQuotationLine(const std::string& quotationId, const Variant& lineIds);
  bool QuotationLinesExist(const ConnectionPtr& cn, const std::string& quotationId);

  int32_t pricingMethod(const RecordsetPtr& header, const std::string& partner);
  // Prices the current line by the configurator, without discount.
  void priceConfiguredLine(const RecordsetPtr& lines, const std::string& currency, const std::string& homeCurrency);

  DictionaryPtr rejectedLines_;  // of the last CopyQuotation
  int32_t remindersSent_ = 0;    // by the last reminder run
};

// YYYYMMDD, the form the ERP takes dates in.
Variant FormatKiroDate(const Variant& date);

// " AND ( LINENUMBER= 2 OR  LINENUMBER= 5)" for a non-empty array of line numbers, "" for
// anything else. Each element is read as a whole number (13 when it is none), so nothing a
// caller hands in reaches the statement as text.
std::string lineNumberFilter(const Variant& lineIds);

}  // namespace merxa

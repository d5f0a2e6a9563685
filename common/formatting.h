// Lib_Sales: the text-producing routines of the XML documents and mails. Values made safe
// inside XML, numbers, prices and dates formatted for a customer's locale, currency symbols,
// date-entry templates and localised captions.
//
// The formatting itself belongs to the data-functions component ("CorvoLibrary.DataFunctions");
// these routines fix what is passed to it and what becomes of the result. Locales are Windows
// locale identifiers: numbers for formatting, their text for captions.
//
// Every routine but Sls_getI18N reports a failure through the error convention under its own
// name; Sls_getI18N only logs and returns nothing.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/dictionary.h"
#include "platform/object.h"

namespace merxa {

using platform::ObjectPtr;
using platform::Variant;

// The value as text with every "&", "<" and ">" replaced by its entity, in that order; Null
// and Empty give "". Quotes and apostrophes stay as they are: values go into element content.
std::string Sls_ReplaceForbiddenXMLTokens(const Variant& value);
// The same escaping, appended to `out`: for documents built from text already at hand.
void appendXMLText(std::string& out, std::string_view text);

// A caption written into an XML document, as element content or inside an attribute quoted
// with apostrophes. The caption store is maintained by hand, and some captions hold entity
// references on purpose ("Terms &amp; conditions"): those stay as written. Any other "&", and
// every "<" and apostrophe, becomes its entity, so that a caption can never make a document
// ill-formed.
std::string Sls_XMLCaption(const std::string& caption);

// The captions of one document in one language: each asked of the message manager once per
// document (an order form repeats them on every line) and written as Sls_XMLCaption writes it.
// The codes are the callers' literals, so they are kept by address.
class DocumentCaptions {
 public:
  DocumentCaptions(ObjectPtr manager, std::string locale) : manager_(std::move(manager)), locale_(std::move(locale)) {}
  const std::string& operator()(const char* code);
  // The caption as the manager has it, unescaped.
  Variant raw(const char* code) const;
  const std::string& locale() const { return locale_; }

 private:
  ObjectPtr manager_;
  std::string locale_;
  mutable std::optional<platform::BoundMember> getMessage_;  // bound on the first caption
  std::map<const char*, std::string> captions_;
};

// The date, or the date and time of day, as the locale writes them.
std::string Sls_FormatDate(platform::Date value, int32_t localeId);
std::string Sls_FormatDateTime(const Variant& value, int32_t localeId);

// The locale's date pattern for entry fields: the locale's writing of 31 December 2000 with
// the year replaced by parts(0) when it is written with four digits ("2000"), otherwise every
// "00" by parts(1); then "12" by parts(2) and "31" by parts(3), in square brackets. With the
// parts yyyy, yy, mm and dd: [mm/dd/yyyy] for 1033, [dd.mm.yyyy] for 1031.
Variant Sls_FormatDateTemplate(const Variant& parts, int32_t localeId);

// A price for the locale: "" for Null and Empty; with `euroPrefix` "Eur " and the number
// (FormatPriceDecimals); otherwise the locale's currency symbol, a blank and the amount in the
// locale's currency format of `style` (callers pass 8: the amount without symbol).
std::string Sls_FormatPrice(const Variant& value, bool euroPrefix, int32_t localeId, const ObjectPtr& dataFunctions,
                            int32_t style);

// The number with the locale's separators and decimals; "" for Null and Empty.
std::string FormatPriceDecimals(const Variant& value, int16_t localeId, const ObjectPtr& dataFunctions);

// FormatPriceDecimals for the many numbers of one document in one locale: the component's
// member is looked up on the first number and then called with one argument list.
class PriceDecimals {
 public:
  PriceDecimals(ObjectPtr dataFunctions, int16_t localeId);
  std::string operator()(const Variant& value);

 private:
  ObjectPtr dataFunctions_;
  std::optional<platform::BoundMember> formatNumber_;
  platform::Args args_;
};

// The symbol of a currency: the euro sign for euro currencies and currencies without a
// locale, otherwise the symbol of the currency's locale.
std::string Sls_GetCurrencySymol(const std::string& code);

// The captions of `codes` (an array of message codes) in `locale` (the user's own locale when
// it has no value), as a dictionary from code to caption. Inside a host's transaction context
// the application's message manager answers them; otherwise they are read from I18NTEXT in
// one statement. Nothing (a null pointer) when no caption exists or reading fails; both are
// logged, neither is raised.
platform::DictionaryPtr Sls_getI18N(const Variant& codes, const std::string& user, const Variant& locale);

}  // namespace merxa

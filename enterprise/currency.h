// Currencies ("CorvoCommon.Currency"): the currencies of the installation, its home currency
// and the exchange rates, read from the master-data tables CURRENCY and EXCHANGERATE of the
// sales database.
//
// Rates. A currency's RATE is what one unit of the home currency buys of it, valid from its
// RATEDATE until the currency's next rate; the home currency's rate is 1 and needs no row. An
// amount goes from one currency to another through the home currency:
//   amount / rate(from, date) * rate(to, date)
// and the result is rounded to eight decimal places, the scale of the price lists. A currency
// without a rate on the date (unknown, or rated only later) fails with kExchangeRateNotFound.
//
// Properties. A currency's properties come as a dictionary: CURRENCYCODE, CURRENCYNAME,
// CURRENCYSYMBOL, CURRENCYDECIMALS, EURO (Boolean), LOCALEID (Windows locale identifier, or
// Null) and HOMECURRENCY (Boolean). An unknown code fails with kCurrencyNotFound.
#pragma once

#include <cstdint>
#include <string>

#include "platform/dictionary.h"
#include "platform/object.h"

namespace enterprise {

constexpr int32_t kCurrencyNotFound = static_cast<int32_t>(0x80040401);
constexpr int32_t kExchangeRateNotFound = static_cast<int32_t>(0x80040402);

class Currency : public platform::Object {
 public:
  const platform::DispatchTable& dispatch() const override;

  // The home currency's properties, or Nothing when no currency is marked as home. Should
  // several be marked, the first by code is the home currency.
  platform::Variant GetHomeCurrency();
  // `amount` in `fromCurrency` expressed in `toCurrency` at the rates of `date`.
  double ConvertAmount(const std::string& fromCurrency, const std::string& toCurrency, double amount,
                       platform::Date date);
  // PRICE and DISCOUNTAMOUNT, given in the currency of `homeCurrency` (a dictionary with
  // CURRENCYCODE, as GetHomeCurrency gives it), expressed in `toCurrency`. The first two
  // arguments are by reference, as callers pass them; neither is changed.
  platform::DictionaryPtr ConvertTo(platform::Variant& homeCurrency, platform::Variant& toCurrency, double price,
                                    double discountAmount, platform::Date date);
  platform::DictionaryPtr GetCurrencyProperties(const std::string& currencyCode);
  // Ends the caller's use of the object; it holds nothing, so there is nothing to free.
  void Close() {}
};

}  // namespace enterprise

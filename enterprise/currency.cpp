#include "enterprise/currency.h"

#include <cmath>

#include "enterprise/sales_database.h"
#include "enterprise/sql_encoder.h"

namespace enterprise {

using platform::Variant;

namespace {

constexpr const char* kSource = "CorvoCommon.Currency";
constexpr const char* kColumns =
    "SELECT CURRENCYCODE, CURRENCYNAME, CURRENCYSYMBOL, CURRENCYDECIMALS, EURO, LOCALEID, HOMECURRENCY FROM CURRENCY ";

// A flag left unset is off.
Variant flag(const Variant& stored) { return Variant(!stored.isNull() && stored.toBool()); }

platform::DictionaryPtr propertiesOf(const platform::data::RecordsetPtr& rs) {
  auto properties = platform::makeObject<platform::Dictionary>();
  for (const char* name : {"CURRENCYCODE", "CURRENCYNAME", "CURRENCYSYMBOL", "CURRENCYDECIMALS", "LOCALEID"})
    properties->Add(Variant(name), rs->value(name));
  for (const char* name : {"EURO", "HOMECURRENCY"}) properties->Add(Variant(name), flag(rs->value(name)));
  return properties;
}

std::string homeCurrencyCode(SalesSession& db) {
  auto rs = db.query("SELECT TOP 1 CURRENCYCODE FROM CURRENCY WHERE HOMECURRENCY = 1 ORDER BY CURRENCYCODE");
  return rs->empty() ? std::string() : rs->value("CURRENCYCODE").toString();
}

// What one unit of the home currency buys of `code` on `date`.
double rateOf(SalesSession& db, const std::string& code, const std::string& home, platform::Date date) {
  if (code == home) return 1.0;
  auto rs = db.query("SELECT TOP 1 RATE FROM EXCHANGERATE WHERE CURRENCYCODE = " + sqlText(code) +
                     " AND RATEDATE <= " + sqlDate(date) + " ORDER BY RATEDATE DESC");
  const double rate = rs->empty() ? 0.0 : rs->value("RATE").toDouble();
  // A rate of 0 would turn every amount into 0 or infinity; it is as good as none.
  if (!(rate > 0.0))
    platform::raiseError(kExchangeRateNotFound, kSource,
                         "No exchange rate of currency '" + code + "' on " + Variant(date).toString());
  return rate;
}

// The rates of two currencies on a date, read once for any number of amounts.
struct Conversion {
  bool same;
  double from = 1.0;
  double to = 1.0;

  Conversion(const std::string& fromCurrency, const std::string& toCurrency, platform::Date date)
      : same(fromCurrency == toCurrency) {
    if (same) return;
    SalesSession db;
    const std::string home = homeCurrencyCode(db);
    from = rateOf(db, fromCurrency, home, date);
    to = rateOf(db, toCurrency, home, date);
  }
  double operator()(double amount) const {
    if (same) return amount;
    return std::round(amount / from * to * 1e8) / 1e8;
  }
};

}  // namespace

const platform::DispatchTable& Currency::dispatch() const {
  static const platform::DispatchTable table = platform::Members<Currency>(kSource)
                                                   .method("GetHomeCurrency", &Currency::GetHomeCurrency)
                                                   .method("ConvertAmount", &Currency::ConvertAmount)
                                                   .method("ConvertTo", &Currency::ConvertTo)
                                                   .method("GetCurrencyProperties", &Currency::GetCurrencyProperties)
                                                   .method("Close", &Currency::Close);
  return table;
}

Variant Currency::GetHomeCurrency() {
  auto rs = SalesSession().query(std::string(kColumns) + "WHERE HOMECURRENCY = 1 ORDER BY CURRENCYCODE");
  if (rs->empty()) return Variant::nothing();
  return Variant(propertiesOf(rs));
}

double Currency::ConvertAmount(const std::string& fromCurrency, const std::string& toCurrency, double amount,
                               platform::Date date) {
  return Conversion(fromCurrency, toCurrency, date)(amount);
}

platform::DictionaryPtr Currency::ConvertTo(Variant& homeCurrency, Variant& toCurrency, double price,
                                            double discountAmount, platform::Date date) {
  // Read without Item, which would add the key to the caller's dictionary when it is missing.
  const Variant* code = homeCurrency.as<platform::Dictionary>()->find(Variant("CURRENCYCODE"));
  if (!code) platform::raiseVb(platform::vb::InvalidProcedureCall, kSource, "The home currency has no CURRENCYCODE");
  const Conversion convert(code->toString(), toCurrency.toString(), date);
  auto result = platform::makeObject<platform::Dictionary>();
  result->Add(Variant("PRICE"), Variant(convert(price)));
  result->Add(Variant("DISCOUNTAMOUNT"), Variant(convert(discountAmount)));
  return result;
}

platform::DictionaryPtr Currency::GetCurrencyProperties(const std::string& currencyCode) {
  auto rs = SalesSession().query(std::string(kColumns) + "WHERE CURRENCYCODE = " + sqlText(currencyCode));
  if (rs->empty())
    platform::raiseError(kCurrencyNotFound, kSource, "Currency '" + currencyCode + "' does not exist");
  return propertiesOf(rs);
}

}  // namespace enterprise

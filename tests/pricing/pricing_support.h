// Shared steps of the pricing tests: price rows written straight into the tables, a record
// filled the way an administration page fills one, and a currency component that counts.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "common/merxa_error.h"
#include "platform/data/connection.h"
#include "platform/data/recordset.h"
#include "platform/dictionary.h"
#include "platform/registry.h"
#include "pricing/pricing.h"
#include "tests/support/sales_fixture.h"

namespace pricingtest {

using platform::ComError;
using platform::Date;
using platform::Variant;

// Products of the demonstration catalogue: 502 has no prices; 4711 has euro and dollar list
// prices and a customer price of 1001.
constexpr int32_t kUnpriced = 502;
constexpr int32_t kBolts = 4711;
constexpr int32_t kCustomer = 1001;

inline Date day(int y, int m, int d) { return Date::fromParts(y, m, d); }

inline platform::data::ConnectionPtr openDatabase() {
  auto cn = platform::makeObject<platform::data::Connection>();
  cn->open(testsupport::connectionString());
  return cn;
}

inline void runSql(const std::string& sql) { openDatabase()->executeNoRecords(sql); }

inline int32_t countOf(const std::string& sql) { return openDatabase()->execute(sql)->field(0)->Value().toLong(); }

// A price row in SQL text: a list price when `partner` is 0; dates as 'YYYY-MM-DD' and
// amounts as numbers, "NULL" for none.
inline void priceRow(int32_t partner, int32_t product, const std::string& from, const std::string& currency,
                     const std::string& to, const std::string& price, const std::string& percent = "NULL",
                     const std::string& amount = "NULL") {
  auto date = [](const std::string& d) { return d == "NULL" ? d : "'" + d + " 00:00:00'"; };
  const std::string values = std::to_string(product) + ", " + date(from) + ", '" + currency + "', " + date(to) +
                             ", " + price + ", " + percent + ", " + amount + ")";
  const std::string columns = "PRODUCTID, EFFECTIVEDATE, CURRENCYCODE, EXPIRYDATE, PRICE, DISCOUNTPERC, DISCOUNTAMOUNT";
  runSql(partner ? "INSERT INTO CUSTOMERPRICE (BUSINESSPARTNERID, " + columns + ") VALUES (" +
                       std::to_string(partner) + ", " + values
                 : "INSERT INTO PRODUCTPRICE (" + columns + ") VALUES (" + values);
}

// A complete, valid list price of the unpriced product from 3/1/2026, open-ended, in euros.
inline void fillValidPrice(merxa::Pricing& p) {
  p.SetProductID(Variant(kUnpriced));
  p.SetBusinessPartnerID(Variant(kCustomer));
  p.SetCurrencyCode(Variant("EUR"));
  p.SetEffectiveDate(Variant(day(2026, 3, 1)));
  p.SetExpiryDate(Variant::null());
  p.SetPrice(Variant(20.0));
  p.SetDiscountPercent(Variant(10.0));
  p.SetDiscountAmount(Variant::null());
}

// The error a call raises; one numbered 0 when it raises none.
template <class F>
ComError failureOf(F&& f) {
  try {
    f();
  } catch (const ComError& e) {
    return e;
  }
  return ComError(0, {}, {});
}

// Whether a description holds a piece of text.
#define EXPECT_HOLDS(text, piece) EXPECT_NE((text).find(piece), std::string::npos) << (text)

// Stands in for "CorvoCommon.Currency": home currency EUR (or none), and conversions that show
// which way they went (ConvertAmount doubles, ConvertTo multiplies by ten). Every object made
// and every call is noted in one log.
struct CurrencyCalls {
  int created = 0;
  bool homeDefined = true;
  bool failConvertTo = false;
  std::vector<std::string> calls;
};

class CountingCurrency : public platform::Object {
 public:
  explicit CountingCurrency(std::shared_ptr<CurrencyCalls> log) : log_(std::move(log)) {}

  const platform::DispatchTable& dispatch() const override {
    static const platform::DispatchTable table = platform::Members<CountingCurrency>("CorvoCommon.Currency")
                                                     .method("GetHomeCurrency", &CountingCurrency::GetHomeCurrency)
                                                     .method("ConvertAmount", &CountingCurrency::ConvertAmount)
                                                     .method("ConvertTo", &CountingCurrency::ConvertTo);
    return table;
  }
  Variant GetHomeCurrency() {
    log_->calls.push_back("GetHomeCurrency");
    return log_->homeDefined ? Variant(dictionary({{"CURRENCYCODE", Variant("EUR")}})) : Variant::nothing();
  }
  double ConvertAmount(const std::string& from, const std::string& to, double amount, Date) {
    log_->calls.push_back("ConvertAmount " + from + ">" + to + " " + Variant(amount).toString());
    return amount * 2;
  }
  platform::DictionaryPtr ConvertTo(Variant& home, Variant& to, double price, double discount, Date) {
    if (log_->failConvertTo) platform::raiseError(static_cast<int32_t>(0x80040402), "CorvoCommon.Currency", "no rate");
    log_->calls.push_back("ConvertTo " + home.as<platform::Dictionary>()->Item(Variant("CURRENCYCODE")).toString() +
                          ">" + to.toString() + " " + Variant(price).toString() + " " + Variant(discount).toString());
    return dictionary({{"PRICE", Variant(price * 10)}, {"DISCOUNTAMOUNT", Variant(discount * 10)}});
  }

 private:
  static platform::DictionaryPtr dictionary(std::initializer_list<std::pair<const char*, Variant>> items) {
    auto d = platform::makeObject<platform::Dictionary>();
    for (const auto& [key, value] : items) d->Add(Variant(key), value);
    return d;
  }
  std::shared_ptr<CurrencyCalls> log_;
};

// While alive, "CorvoCommon.Currency" makes counting fakes that share one log.
class CurrencyFake {
 public:
  CurrencyCalls& log() { return *log_; }

 private:
  std::shared_ptr<CurrencyCalls> log_ = std::make_shared<CurrencyCalls>();
  platform::ScopedOverride override_{"CorvoCommon.Currency", [log = log_] {
                                       ++log->created;
                                       return platform::makeObject<CountingCurrency>(log);
                                     }};
};

}  // namespace pricingtest

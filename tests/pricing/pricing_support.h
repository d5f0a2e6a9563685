// Shared steps of the pricing tests: price rows written straight into the tables, a record
// filled the way an administration page fills one, and a currency component that counts.
#pragma once

#include <gtest/gtest.h>

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

inline void runSql(const std::string& sql) {
  auto cn = openDatabase();
  cn->executeNoRecords(sql);
  cn->Close();
}

inline int32_t countOf(const std::string& sql) {
  auto cn = openDatabase();
  const int32_t n = cn->execute(sql)->field(0)->Value().toLong();
  cn->Close();
  return n;
}

// A date of a price row written as 'YYYY-MM-DD' (or "NULL") as SQL text.
inline std::string dateSql(const std::string& d) { return d == "NULL" ? d : "'" + d + " 00:00:00'"; }

// Price rows in SQL text: dates as 'YYYY-MM-DD', amounts as numbers, "NULL" for none.
inline void listPrice(int32_t product, const std::string& from, const std::string& currency, const std::string& to,
                      const std::string& price, const std::string& percent = "NULL",
                      const std::string& amount = "NULL") {
  runSql("INSERT INTO PRODUCTPRICE (PRODUCTID, EFFECTIVEDATE, CURRENCYCODE, EXPIRYDATE, PRICE, DISCOUNTPERC, "
         "DISCOUNTAMOUNT) VALUES (" +
         std::to_string(product) + ", " + dateSql(from) + ", '" + currency + "', " + dateSql(to) + ", " + price + ", " +
         percent + ", " + amount + ")");
}

inline void customerPrice(int32_t partner, int32_t product, const std::string& from, const std::string& currency,
                          const std::string& to, const std::string& price, const std::string& percent = "NULL",
                          const std::string& amount = "NULL") {
  runSql("INSERT INTO CUSTOMERPRICE (BUSINESSPARTNERID, PRODUCTID, EFFECTIVEDATE, CURRENCYCODE, EXPIRYDATE, PRICE, "
         "DISCOUNTPERC, DISCOUNTAMOUNT) VALUES (" +
         std::to_string(partner) + ", " + std::to_string(product) + ", " + dateSql(from) + ", '" + currency + "', " +
         dateSql(to) + ", " + price + ", " + percent + ", " + amount + ")");
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

// The MerxaError a call raises, or 0.
template <class F>
int32_t errorOf(F&& f) {
  try {
    f();
  } catch (const ComError& e) {
    return e.number;
  }
  return 0;
}

// Stands in for "CorvoCommon.Currency": home currency EUR (or none), and conversions that show
// which way they went: ConvertAmount doubles, ConvertTo multiplies by ten. Every call is noted.
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
    if (!log_->homeDefined) return Variant::nothing();
    auto home = platform::makeObject<platform::Dictionary>();
    home->Add(Variant("CURRENCYCODE"), Variant("EUR"));
    return Variant(home);
  }

  double ConvertAmount(const std::string& from, const std::string& to, double amount, Date) {
    log_->calls.push_back("ConvertAmount " + from + ">" + to + " " + Variant(amount).toString());
    return amount * 2;
  }

  platform::DictionaryPtr ConvertTo(Variant& home, Variant& to, double price, double discount, Date) {
    if (log_->failConvertTo) platform::raiseError(static_cast<int32_t>(0x80040402), "CorvoCommon.Currency", "no rate");
    const std::string from = home.as<platform::Dictionary>()->Item(Variant("CURRENCYCODE")).toString();
    log_->calls.push_back("ConvertTo " + from + ">" + to.toString() + " " + Variant(price).toString() + " " +
                          Variant(discount).toString());
    auto result = platform::makeObject<platform::Dictionary>();
    result->Add(Variant("PRICE"), Variant(price * 10));
    result->Add(Variant("DISCOUNTAMOUNT"), Variant(discount * 10));
    return result;
  }

 private:
  std::shared_ptr<CurrencyCalls> log_;
};

// While alive, "CorvoCommon.Currency" makes counting fakes that share one call log.
class CurrencyFake {
 public:
  CurrencyFake()
      : log_(std::make_shared<CurrencyCalls>()),
        override_("CorvoCommon.Currency", [log = log_] {
          ++log->created;
          return platform::makeObject<CountingCurrency>(log);
        }) {}
  CurrencyCalls& log() { return *log_; }

 private:
  std::shared_ptr<CurrencyCalls> log_;
  platform::ScopedOverride override_;
};

}  // namespace pricingtest

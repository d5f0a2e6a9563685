// The lookups of Pricing: the web price of a product for a customer (through the stored
// procedure GetPrice and the currency component), and the customer or list price row with an
// exact key.
#include "common/error_handling.h"
#include "common/lib_sales.h"
#include "common/merxa_error.h"
#include "platform/data/command.h"
#include "platform/dictionary.h"
#include "pricing/price_commands.h"
#include "pricing/pricing.h"

namespace merxa {

using platform::ObjectPtr;
using platform::data::ConnectionPtr;
using platform::data::RecordsetPtr;
using pricing::kSource;
namespace ado = platform::data;

namespace {

constexpr const char* kSelectCustomerPrice =
    "SELECT PRODUCTID, BUSINESSPARTNERID, CURRENCYCODE, EFFECTIVEDATE, EXPIRYDATE, PRICE, DISCOUNTPERC, "
    "DISCOUNTAMOUNT FROM CUSTOMERPRICE WHERE PRODUCTID=? AND BUSINESSPARTNERID=? AND CURRENCYCODE=? AND "
    "EFFECTIVEDATE=?";
constexpr const char* kSelectProductPrice =
    "SELECT PRODUCTID, CURRENCYCODE, EFFECTIVEDATE, EXPIRYDATE, PRICE, DISCOUNTPERC, DISCOUNTAMOUNT FROM "
    "PRODUCTPRICE WHERE PRODUCTID=? AND CURRENCYCODE=? AND EFFECTIVEDATE=?";

// The parameter of the procedure GetPrice.
ado::ParameterPtr procedureParameter(ado::Command& cmd, const char* name, ado::DataType type, int32_t size,
                                     Variant value) {
  return cmd.CreateParameter(Variant(name), Variant(static_cast<int>(type)),
                             Variant(static_cast<int>(ado::adParamInput)), Variant(static_cast<int>(size)),
                             std::move(value));
}

// An item of a dictionary the currency component handed out, read late-bound.
Variant itemOf(const Variant& dictionary, const char* key) {
  return dictionary.toObject()->call("Item", {Variant(key)});
}

}  // namespace

bool Pricing::GetWebPrice(int32_t iProductID, int32_t iBusinessPartnerID, Date iOrderDate,
                          std::string& iCurrencyCode) {
  return guarded("Pricing.GetWebPrice", [&] {
    if (!currency_) currency_ = Sls_GetComponent("CorvoCommon.Currency");
    Variant home = currency_->call("GetHomeCurrency");
    if (!home.isObject() || home.isNothing()) raiseMerxa(HomeCurrencyNotFound, kSource, "HomeCurrencyNotFound");
    const std::string homeCode = itemOf(home, "CURRENCYCODE").toString();

    // The command opens a connection of its own from the connection string; both go when the
    // command and the recordset do.
    auto cmd = platform::makeObject<ado::Command>();
    cmd->SetActiveConnection(Variant(Sls_ConnectionString()));
    cmd->SetCommandText("GetPrice");
    cmd->SetCommandType(ado::adCmdStoredProc);
    auto params = cmd->GetParameters();
    params->Append(procedureParameter(*cmd, "@PRODID", ado::adInteger, 4, Variant(iProductID)));
    params->Append(procedureParameter(*cmd, "@BPID", ado::adInteger, 4, Variant(iBusinessPartnerID)));
    params->Append(procedureParameter(*cmd, "@CURRENCY", ado::adWChar, 3, Variant(iCurrencyCode)));
    params->Append(procedureParameter(*cmd, "@HOMECURRENCY", ado::adWChar, 3, Variant(homeCode)));
    params->Append(procedureParameter(*cmd, "@ORDERDATE", ado::adDBTimeStamp, 0, Variant(iOrderDate)));
    auto rs = platform::makeObject<ado::Recordset>();
    rs->SetCursorLocation(ado::adUseClient);
    rs->Open(Variant(cmd), Variant::missing(), Variant(static_cast<int>(ado::adOpenForwardOnly)),
             Variant(static_cast<int>(ado::adLockReadOnly)), Variant(static_cast<int>(ado::adCmdStoredProc)));
    if (rs->eof()) return false;

    // The properties change only once the whole price is known, so a failing conversion
    // leaves them as they were.
    PriceRecord found = record_;
    pricing::copyRecord(*rs, found);
    found.businessPartnerId = rs->value("BUSINESSPARTNERID");
    rs->Close();
    cmd->SetActiveConnection(Variant::nothing());

    const std::string rowCurrency = found.currencyCode.toString();
    if (rowCurrency != iCurrencyCode) {
      if (rowCurrency != homeCode) {
        found.price = currency_->call("ConvertAmount", {Variant(rowCurrency), Variant(homeCode), found.price,
                                                        Variant(iOrderDate)});
        found.discountAmount = currency_->call(
            "ConvertAmount", {Variant(rowCurrency), Variant(homeCode), found.discountAmount, Variant(iOrderDate)});
      }
      // The home currency and the requested code go by reference; the dictionary comes back.
      platform::Args args{home, Variant(iCurrencyCode), found.price, found.discountAmount, Variant(iOrderDate)};
      const Variant converted = currency_->invoke("ConvertTo", platform::CallKind::Call, args);
      home = args[0];
      iCurrencyCode = args[1].toString();
      found.price = itemOf(converted, "PRICE");
      found.discountAmount = itemOf(converted, "DISCOUNTAMOUNT");
      found.currencyCode = Variant(iCurrencyCode);
    }
    record_ = found;
    return true;
  });
}

bool Pricing::GetCustomerPrice(int32_t iProductID, int32_t iBusinessPartnerID, Date iEffectiveDate,
                               const std::string& iCurrencyCode) {
  ConnectionPtr cn;
  return guarded(
      "Pricing.GetCustomerPrice",
      [&] {
        cn = Sls_GetOpenConnection(Sls_ConnectionString());
        RecordsetPtr rs = pricing::runCommand(cn, kSelectCustomerPrice,
                                              {{"PRODUCTID", Variant(iProductID)},
                                               {"BUSINESSPARTNERID", Variant(iBusinessPartnerID)},
                                               {"CURRENCYCODE", Variant(iCurrencyCode)},
                                               {"EFFECTIVEDATE", Variant(iEffectiveDate)}},
                                              false);
        if (rs->eof()) {
          Sls_CloseConnection(cn);
          raiseMerxa(CustomerPriceNotFound, kSource, "CustomerPriceNotFound");
        }
        PriceRecord found = record_;
        pricing::copyRecord(*rs, found);
        Sls_CloseConnection(cn);
        found.productId = Variant(iProductID);
        found.businessPartnerId = Variant(iBusinessPartnerID);
        found.currencyCode = Variant(iCurrencyCode);
        record_ = found;
        return true;
      },
      [&] { return pricing::releaseConnection(cn); });
}

bool Pricing::GetProductPrice(int32_t iProductID, Date iEffectiveDate, const std::string& iCurrencyCode) {
  ConnectionPtr cn;
  return guarded(
      "Pricing.GetProductPrice",
      [&] {
        cn = Sls_GetOpenConnection(Sls_ConnectionString());
        RecordsetPtr rs = pricing::runCommand(
            cn, kSelectProductPrice,
            {{"PRODUCTID", Variant(iProductID)}, {"CURRENCYCODE", Variant(iCurrencyCode)},
             {"EFFECTIVEDATE", Variant(iEffectiveDate)}},
            false);
        if (rs->eof()) {
          Sls_CloseConnection(cn);
          raiseMerxa(ProductPriceNotFound, kSource, "ProductPriceNotFound");
        }
        PriceRecord found = record_;  // BusinessPartnerID stays as it is
        pricing::copyRecord(*rs, found);
        Sls_CloseConnection(cn);
        record_ = found;
        return true;
      },
      [&] { return pricing::releaseConnection(cn); });
}

}  // namespace merxa

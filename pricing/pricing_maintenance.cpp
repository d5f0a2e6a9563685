// Price maintenance: adding, updating and deleting rows of the two price lists from the
// properties of a Pricing object.
//
// Overlap rule. A new period conflicts with every row of its key (product and currency, and
// partner) that is valid on its effective date, and with every row that starts between its
// effective date and its expiry date, both ends included; an open end counts as 12/31/9999.
// An update keeps its effective date, so only a later row can meet the new expiry date: one
// that starts on or before it conflicts. A conflict fails with EffectiveDateRange and the
// query that found it.
#include "common/encoding.h"
#include "common/error_handling.h"
#include "common/lib_sales.h"
#include "common/merxa_error.h"
#include "platform/data/recordset.h"
#include "pricing/price_commands.h"
#include "pricing/pricing.h"

namespace merxa {

using platform::ObjectPtr;
using platform::data::ConnectionPtr;
using pricing::kSource;
namespace ado = platform::data;

namespace {

enum class Write { Add, Update };

// A statement on a price table and the columns its "?" take, in order.
struct PriceStatement {
  const char* sql;
  std::vector<std::string_view> columns;
};

const PriceStatement kInsertCustomerPrice{
    "INSERT INTO CUSTOMERPRICE(BUSINESSPARTNERID, PRODUCTID, EFFECTIVEDATE, CURRENCYCODE, EXPIRYDATE, PRICE, "
    "DISCOUNTPERC, DISCOUNTAMOUNT) VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
    {"BUSINESSPARTNERID", "PRODUCTID", "EFFECTIVEDATE", "CURRENCYCODE", "EXPIRYDATE", "PRICE", "DISCOUNTPERC",
     "DISCOUNTAMOUNT"}};
const PriceStatement kInsertProductPrice{
    "INSERT INTO PRODUCTPRICE(PRODUCTID, EFFECTIVEDATE, CURRENCYCODE, EXPIRYDATE, PRICE, DISCOUNTPERC, "
    "DISCOUNTAMOUNT) VALUES (?, ?, ?, ?, ?, ?, ?)",
    {"PRODUCTID", "EFFECTIVEDATE", "CURRENCYCODE", "EXPIRYDATE", "PRICE", "DISCOUNTPERC", "DISCOUNTAMOUNT"}};
const PriceStatement kUpdateCustomerPrice{
    "UPDATE CUSTOMERPRICE SET EXPIRYDATE=?, PRICE=?, DISCOUNTPERC=?, DISCOUNTAMOUNT=? WHERE BUSINESSPARTNERID=? AND "
    "PRODUCTID=? AND EFFECTIVEDATE=? AND CURRENCYCODE=?",
    {"EXPIRYDATE", "PRICE", "DISCOUNTPERC", "DISCOUNTAMOUNT", "BUSINESSPARTNERID", "PRODUCTID", "EFFECTIVEDATE",
     "CURRENCYCODE"}};
const PriceStatement kUpdateProductPrice{
    "UPDATE PRODUCTPRICE SET EXPIRYDATE=?, PRICE=?, DISCOUNTPERC=?, DISCOUNTAMOUNT=? WHERE PRODUCTID=? AND "
    "EFFECTIVEDATE=? AND CURRENCYCODE=?",
    {"EXPIRYDATE", "PRICE", "DISCOUNTPERC", "DISCOUNTAMOUNT", "PRODUCTID", "EFFECTIVEDATE", "CURRENCYCODE"}};
const PriceStatement kDeleteCustomerPrice{
    "DELETE FROM CUSTOMERPRICE WHERE BUSINESSPARTNERID=? AND PRODUCTID=? AND EFFECTIVEDATE=? AND CURRENCYCODE=?",
    {"BUSINESSPARTNERID", "PRODUCTID", "EFFECTIVEDATE", "CURRENCYCODE"}};
const PriceStatement kDeleteProductPrice{
    "DELETE FROM PRODUCTPRICE WHERE PRODUCTID=? AND EFFECTIVEDATE=? AND CURRENCYCODE=?",
    {"PRODUCTID", "EFFECTIVEDATE", "CURRENCYCODE"}};

// Runs a statement with the record's values on a connection of its own.
void execute(ConnectionPtr& cn, const PriceStatement& statement, const PriceRecord& r) {
  std::vector<pricing::ColumnValue> parameters;
  for (std::string_view column : statement.columns) parameters.emplace_back(column, pricing::propertyOf(r, column));
  cn = Sls_GetOpenConnection(Sls_ConnectionString());
  pricing::runCommand(cn, statement.sql, parameters, true);
  Sls_CloseConnection(cn);
}

// The query that finds the rows a write of `r` would overlap. Product and partner go in as
// whole numbers: a value that is none fails here instead of reaching the SQL text.
std::string overlapQuery(const PriceRecord& r, bool customerPricing, Write write) {
  static const Variant openEnd("12/31/9999");
  const std::string p = SqlLiteralLong(r.productId.toLong());
  const std::string e = SqlLiteralDate(r.effectiveDate.toDate());
  const std::string x = SqlLiteralDate((r.expiryDate.isNull() ? openEnd : r.expiryDate).toDate());
  std::string sql = customerPricing ? "SELECT PRODUCTID FROM CUSTOMERPRICE WHERE BUSINESSPARTNERID = " +
                                          SqlLiteralLong(r.businessPartnerId.toLong()) + " AND PRODUCTID = " + p
                                    : "SELECT PRODUCTID FROM PRODUCTPRICE WHERE PRODUCTID = " + p;
  sql += " AND CURRENCYCODE = " + SqlLiteralText(r.currencyCode.toString());
  if (write == Write::Add)
    sql += " AND ((EFFECTIVEDATE <= " + e + " AND (EXPIRYDATE IS NULL OR EXPIRYDATE > " + e +
           ")) OR (EFFECTIVEDATE >= " + e + " AND (EFFECTIVEDATE <= " + x + ")))";
  else
    sql += " AND EFFECTIVEDATE > " + e + " AND EFFECTIVEDATE <= " + x;
  return sql;
}

void rejectOverlap(const PriceRecord& r, bool customerPricing, Write write) {
  const std::string sql = overlapQuery(r, customerPricing, write);
  if (Sls_RecordExists(sql, Sls_ConnectionString()))
    raiseMerxa(EffectiveDateRange, kSource, "MerxaError.EffectiveDateRange: " + sql);
}

// Whether the referential checker answered True; anything that is not a truth counts as No.
bool answeredTrue(const Variant& answer) {
  try {
    return !answer.isNull() && answer.toBool();
  } catch (const platform::ComError&) {
    return false;
  }
}

// Asks the referential checker whether the product, currency (and partner) of `r` exist.
void checkReferences(const PriceRecord& r, bool customerPricing) {
  ObjectPtr checker = Sls_GetComponent("Corvane.ReferentialChecker");
  Variant answer;
  std::string description;
  if (customerPricing) {
    answer = checker->call(
        "CheckInsert", {Variant("CUSTOMERPRICE"),
                        Variant::array({Variant("PRODUCTID"), Variant("BUSINESSPARTNERID"), Variant("CURRENCYCODE")}),
                        Variant::array({r.productId, r.businessPartnerId, r.currencyCode})});
    description = "ReferentialInsert PRODUCTID=" + r.productId.toString() +
                  ", BUSINESSPARTNERID=" + r.businessPartnerId.toString() + ", CURRENCYCODE=" + r.currencyCode.toString();
  } else {
    answer = checker->call("CheckInsert", {Variant("PRODUCTPRICE"),
                                           Variant::array({Variant("PRODUCTID"), Variant("CURRENCYCODE")}),
                                           Variant::array({r.productId, r.currencyCode})});
    description = "ReferentialInsert PRODUCTID=" + r.productId.toString() + ", CURRENCYCODE=" + r.currencyCode.toString();
  }
  if (!answeredTrue(answer)) raiseMerxa(ReferentialInsert, kSource, description);
}

}  // namespace

bool Pricing::AddPricing(bool iCustomerPricing) {
  ConnectionPtr cn;
  return guarded(
      "Pricing.AddPricing",
      [&] {
        validatePricing(record_, iCustomerPricing);
        rejectOverlap(record_, iCustomerPricing, Write::Add);
        checkReferences(record_, iCustomerPricing);
        execute(cn, iCustomerPricing ? kInsertCustomerPrice : kInsertProductPrice, record_);
        return true;
      },
      [&] { return pricing::releaseConnection(cn); });
}

bool Pricing::UpdatePricing(bool iCustomerPricing) {
  ConnectionPtr cn;
  return guarded(
      "Pricing.UpdatePricing",
      [&] {
        validatePricing(record_, iCustomerPricing);
        rejectOverlap(record_, iCustomerPricing, Write::Update);
        execute(cn, iCustomerPricing ? kUpdateCustomerPrice : kUpdateProductPrice, record_);
        return true;
      },
      [&] { return pricing::releaseConnection(cn); });
}

bool Pricing::DeletePricing(bool iCustomerPricing) {
  ConnectionPtr cn;
  return guarded(
      "Pricing.DeletePricing",
      [&] {
        validatePricingKey(record_, iCustomerPricing);
        execute(cn, iCustomerPricing ? kDeleteCustomerPrice : kDeleteProductPrice, record_);
        return true;
      },
      [&] { return pricing::releaseConnection(cn); });
}

bool Pricing::CheckExistenceUsingSQL(std::string& sql) {
  ConnectionPtr cn;
  return guarded(
      "Pricing.CheckExistenceUsingSQL",
      [&] {
        cn = Sls_GetOpenConnection(Sls_ConnectionString());
        auto rs = platform::makeObject<ado::Recordset>();
        rs->Open(Variant(sql), Variant(cn), Variant(static_cast<int>(ado::adOpenKeyset)),
                 Variant(static_cast<int>(ado::adLockReadOnly)), Variant(static_cast<int>(ado::adCmdText)));
        const bool found = !rs->EOF_();
        Sls_CloseConnection(cn);
        return found;
      },
      [&] { return pricing::releaseConnection(cn); });
}

}  // namespace merxa

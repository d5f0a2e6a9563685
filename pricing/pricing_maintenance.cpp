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

enum class Write { Add, Update, Delete };

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
  std::vector<std::pair<const char*, const Variant*>> fields{{"PRODUCTID", &r.productId}};
  if (customerPricing) fields.emplace_back("BUSINESSPARTNERID", &r.businessPartnerId);
  fields.emplace_back("CURRENCYCODE", &r.currencyCode);
  std::vector<Variant> names, values;
  std::string description = "ReferentialInsert ";
  for (const auto& [name, value] : fields) {
    names.emplace_back(name);
    values.push_back(*value);
    description += (names.size() > 1 ? ", " : "") + std::string(name) + "=" + value->toString();
  }
  ObjectPtr checker = Sls_GetComponent("Corvane.ReferentialChecker");
  const Variant answer = checker->call("CheckInsert", {Variant(customerPricing ? "CUSTOMERPRICE" : "PRODUCTPRICE"),
                                                       Variant::array(std::move(names)),
                                                       Variant::array(std::move(values))});
  if (!answeredTrue(answer)) raiseMerxa(ReferentialInsert, kSource, description);
}

const PriceStatement& statementFor(Write write, bool customerPricing) {
  switch (write) {
    case Write::Add: return customerPricing ? kInsertCustomerPrice : kInsertProductPrice;
    case Write::Update: return customerPricing ? kUpdateCustomerPrice : kUpdateProductPrice;
    default: return customerPricing ? kDeleteCustomerPrice : kDeleteProductPrice;
  }
}

// One maintenance operation on the record: its checks, then its statement.
bool maintain(const char* method, Write write, const PriceRecord& r, bool customerPricing) {
  ConnectionPtr cn;
  return guarded(
      method,
      [&] {
        if (write == Write::Delete) {
          validatePricingKey(r, customerPricing);
        } else {
          validatePricing(r, customerPricing);
          rejectOverlap(r, customerPricing, write);
          if (write == Write::Add) checkReferences(r, customerPricing);
        }
        execute(cn, statementFor(write, customerPricing), r);
        return true;
      },
      [&] { return pricing::releaseConnection(cn); });
}

}  // namespace

bool Pricing::AddPricing(bool iCustomerPricing) {
  return maintain("Pricing.AddPricing", Write::Add, record_, iCustomerPricing);
}

bool Pricing::UpdatePricing(bool iCustomerPricing) {
  return maintain("Pricing.UpdatePricing", Write::Update, record_, iCustomerPricing);
}

bool Pricing::DeletePricing(bool iCustomerPricing) {
  return maintain("Pricing.DeletePricing", Write::Delete, record_, iCustomerPricing);
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

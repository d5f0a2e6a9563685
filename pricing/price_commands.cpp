#include "pricing/price_commands.h"

#include <stdexcept>

#include "common/error_handling.h"
#include "common/lib_sales.h"
#include "platform/data/command.h"

namespace merxa::pricing {

namespace ado = platform::data;

namespace {

// A column of the price tables as a command parameter.
struct PriceColumn {
  std::string_view column;
  const char* parameter;  // named after the property
  int32_t type;
  int32_t size;
  uint8_t precision;
  uint8_t scale;
  Variant PriceRecord::*property;
};

constexpr PriceColumn kColumns[] = {
    {"BUSINESSPARTNERID", "BusinessPartnerID", ado::adInteger, 4, 0, 0, &PriceRecord::businessPartnerId},
    {"PRODUCTID", "ProductID", ado::adInteger, 4, 0, 0, &PriceRecord::productId},
    {"EFFECTIVEDATE", "EffectiveDate", ado::adDBTimeStamp, 0, 0, 0, &PriceRecord::effectiveDate},
    {"CURRENCYCODE", "CurrencyCode", ado::adWChar, 3, 0, 0, &PriceRecord::currencyCode},
    {"EXPIRYDATE", "ExpiryDate", ado::adDBTimeStamp, 0, 0, 0, &PriceRecord::expiryDate},
    {"PRICE", "Price", ado::adNumeric, 0, 18, 8, &PriceRecord::price},
    {"DISCOUNTPERC", "DiscountPercent", ado::adNumeric, 0, 18, 2, &PriceRecord::discountPercent},
    {"DISCOUNTAMOUNT", "DiscountAmount", ado::adNumeric, 0, 18, 8, &PriceRecord::discountAmount},
};

const PriceColumn& columnNamed(std::string_view column) {
  for (const PriceColumn& c : kColumns)
    if (c.column == column) return c;
  throw std::logic_error("not a column of the price tables: " + std::string(column));
}

Variant orZero(const Variant& v, Variant zero) { return v.isNull() ? zero : v; }

}  // namespace

ado::RecordsetPtr runCommand(const ado::ConnectionPtr& cn, const std::string& sql,
                             const std::vector<ColumnValue>& parameters, bool noRecords) {
  auto cmd = platform::makeObject<ado::Command>();
  cmd->SetActiveConnection(Variant(cn));
  cmd->SetCommandText(sql);
  cmd->SetCommandType(ado::adCmdText);
  for (const auto& [column, value] : parameters) {
    const PriceColumn& c = columnNamed(column);
    auto p = cmd->CreateParameter(Variant(c.parameter), Variant(static_cast<int>(c.type)),
                                  Variant(static_cast<int>(ado::adParamInput)), Variant(static_cast<int>(c.size)), value);
    if (c.type == ado::adNumeric) {
      p->SetPrecision(c.precision);
      p->SetNumericScale(c.scale);
    }
    cmd->GetParameters()->Append(p);
  }
  Variant affected;
  return cmd->Execute(affected, Variant::missing(),
                      noRecords ? Variant(static_cast<int>(ado::adExecuteNoRecords)) : Variant::missing());
}

const Variant& propertyOf(const PriceRecord& record, std::string_view column) {
  return record.*(columnNamed(column).property);
}

void copyRecord(ado::Recordset& rs, PriceRecord& record) {
  record.productId = rs.value("PRODUCTID");
  record.currencyCode = rs.value("CURRENCYCODE");
  record.effectiveDate = Variant(rs.value("EFFECTIVEDATE").toDate());
  const Variant expiry = rs.value("EXPIRYDATE");
  record.expiryDate = expiry.isNull() ? Variant::null() : Variant(expiry.toDate());
  record.price = Variant(rs.value("PRICE").toDouble());
  record.discountPercent = orZero(rs.value("DISCOUNTPERC"), Variant(0));
  record.discountAmount = Variant(orZero(rs.value("DISCOUNTAMOUNT"), Variant(0.0)).toDouble());
}

std::string releaseConnection(ado::ConnectionPtr& cn) {
  if (!cn || cn->State() != ado::adStateOpen) return {};
  std::string info = ConnectionErrorsText(cn);
  Sls_CloseConnection(cn);
  return info;
}

}  // namespace merxa::pricing

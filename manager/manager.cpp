#include "manager/manager.h"

#include <utility>
#include <vector>

#include "common/encoding.h"
#include "common/error_handling.h"
#include "common/lib_sales.h"
#include "common/merxa_error.h"

namespace merxa {

using platform::SafeArray;
using platform::data::Recordset;
namespace ado = platform::data;

namespace {

constexpr const char* kSource = "Merxa.Manager";

const Variant kNoRecords(static_cast<int>(ado::adExecuteNoRecords));

enum class LiteralKind { WholeNumber, Decimal, Flag, Date, Text };

LiteralKind literalKindOf(int32_t dataType) {
  switch (dataType) {
    case ado::adSmallInt:
    case ado::adInteger:
    case ado::adTinyInt:
    case ado::adUnsignedTinyInt:
    case ado::adUnsignedSmallInt:
    case ado::adUnsignedInt: return LiteralKind::WholeNumber;
    case ado::adSingle:
    case ado::adDouble:
    case ado::adCurrency:
    case ado::adDecimal:
    case ado::adNumeric: return LiteralKind::Decimal;
    case ado::adBoolean: return LiteralKind::Flag;
    case ado::adDate:
    case ado::adDBDate:
    case ado::adDBTimeStamp: return LiteralKind::Date;
    default: return LiteralKind::Text;
  }
}

bool isPlainIdentifier(std::string_view name) {
  if (name.empty()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    if (!letter && !(i > 0 && c >= '0' && c <= '9')) return false;
  }
  return true;
}

[[noreturn]] void refuse(const std::string& description) {
  platform::raiseVb(platform::vb::InvalidProcedureCall, kSource, description);
}

// The table name a statement may carry: a table the database has, named by a plain
// identifier (with or without the owner "dbo.").
const std::string& checkedTable(const std::string& table, const DictionaryPtr& types) {
  std::string_view name = table;
  if (name.size() > 4 && platform::equalsNoCase(name.substr(0, 4), "dbo.")) name.remove_prefix(4);
  if (!isPlainIdentifier(name) || types->Count() == 0)
    refuse("Table '" + table + "' is not a table of the sales database");
  return table;
}

std::string joined(const std::vector<std::string>& parts, const char* separator) {
  std::string out;
  for (const std::string& part : parts) {
    if (!out.empty()) out += separator;
    out += part;
  }
  return out;
}

}  // namespace

const platform::DispatchTable& Manager::dispatch() const {
  static const platform::DispatchTable table =
      platform::Members<Manager>(kSource)
          .method("Create", &Manager::Create)
          .method("Update", &Manager::Update)
          .method("Delete", &Manager::Delete)
          .method("GetDataTypes", &Manager::GetDataTypes)
          .method("GetCustomerSettingData", &Manager::GetCustomerSettingData)
          .method("GetRecordSet", &Manager::GetRecordSet)
          .method("GetKiroOrderProcessParam", &Manager::GetKiroOrderProcessParam)
          .method("GetDefaultOrderType", &Manager::GetDefaultOrderType);
  return table;
}

// ---- table maintenance --------------------------------------------------------------------

DictionaryPtr Manager::GetDataTypes(const std::string& iTablename, ConnectionPtr& i_oConnection) {
  return guarded("Merxa.Manager.GetDataTypes", [&] {
    if (!i_oConnection) platform::raiseVb(platform::vb::ObjectNotSet, kSource);
    RecordsetPtr columns = i_oConnection->OpenSchema(ado::adSchemaColumns,
                                           Variant::array({Variant::null(), Variant::null(), Variant(iTablename)}));
    auto types = platform::makeObject<platform::Dictionary>();
    for (; !columns->eof(); columns->MoveNext())
      types->Add(Variant(columns->value("COLUMN_NAME").toString()), Variant(columns->value("DATA_TYPE").toString()));
    columns->Close();
    return types;
  });
}

std::string Manager::EncodeFieldValue(const std::string& dataType, const std::string& value) {
  return guarded("Merxa.Manager.EncodeFieldValue", [&] {
    const Variant v(value);
    switch (literalKindOf(Variant(dataType).toLong())) {
      case LiteralKind::WholeNumber: return SqlLiteralLong(v.toLong());
      case LiteralKind::Decimal: return SqlLiteralDouble(v.toDouble());
      case LiteralKind::Flag: return SqlLiteralFlag(v.toBool() ? 1 : 0);
      case LiteralKind::Date: return SqlLiteralDate(v.toDate());
      case LiteralKind::Text: break;
    }
    return SqlLiteralText(value);
  });
}

// For each index of `names`: the column and the literal of the value at that index, for the
// columns the table has. With `nullsAsNull`, a Null value or empty text is the word Null.
std::vector<Manager::ColumnLiteral> Manager::columnLiterals(const DictionaryPtr& types, const std::string& table,
                                                            const Variant& names, const Variant& values,
                                                            UnknownColumn unknown, bool nullsAsNull,
                                                            const std::string& method) {
  std::vector<ColumnLiteral> out;
  const SafeArray& nameList = names.array();
  const SafeArray& valueList = values.array();
  for (int32_t i = 0; i <= nameList.upperBound(); ++i) {
    const std::string column = nameList.at(i).toString();
    const Variant* type = types->find(Variant(column));
    if (!type) {
      const std::string missing = "Field: " + column + " doesn't exist in table " + table;
      if (unknown == UnknownColumn::Refuse) refuse(missing);
      LogWarning(method, Variant(missing));
      continue;
    }
    const Variant& value = valueList.at(i);
    if (nullsAsNull && (value.isNull() || value.toString().empty())) out.push_back({column, "Null"});
    else out.push_back({column, EncodeFieldValue(type->toString(), value.toString())});
  }
  return out;
}

void Manager::Create(const std::string& i_sTableName, const Variant& i_aFields, const Variant& i_aFieldValues) {
  guarded("Merxa.Parameter.Create", [&] {
    ScopedConnection cn;
    ConnectionPtr connection = cn.get();
    const DictionaryPtr types = GetDataTypes(i_sTableName, connection);
    const std::string& table = checkedTable(i_sTableName, types);
    std::vector<std::string> columns, literals;
    for (ColumnLiteral& c : columnLiterals(types, table, i_aFields, i_aFieldValues, UnknownColumn::LeaveOut, false,
                                           "Merxa.Parameter.Create")) {
      columns.push_back(std::move(c.column));
      literals.push_back(std::move(c.literal));
    }
    if (columns.empty()) refuse("No column of table " + table + " to write");
    Variant affected;
    cn->Execute("INSERT INTO " + table + " (" + joined(columns, ",") + ") VALUES (" + joined(literals, ",") + ")",
                affected, kNoRecords);
  });
}

void Manager::Update(const std::string& i_sTableName, const Variant& i_aFields, const Variant& i_aFieldValues,
                     const Variant& i_aKeyFields, const Variant& i_aKeyFieldValues) {
  guarded("Merxa.Manager.Update", [&] {
    ScopedConnection cn;
    ConnectionPtr connection = cn.get();
    const DictionaryPtr types = GetDataTypes(i_sTableName, connection);
    const std::string& table = checkedTable(i_sTableName, types);
    std::vector<std::string> assignments, conditions;
    for (const ColumnLiteral& c : columnLiterals(types, table, i_aFields, i_aFieldValues, UnknownColumn::LeaveOut,
                                                 true, "Merxa.Parameter.Update"))
      assignments.push_back(c.column + "=" + c.literal);
    for (const ColumnLiteral& c : columnLiterals(types, table, i_aKeyFields, i_aKeyFieldValues,
                                                 UnknownColumn::Refuse, false, "Merxa.Parameter.Update"))
      conditions.push_back(c.column + "=" + c.literal);
    if (assignments.empty()) refuse("No column of table " + table + " to update");
    if (conditions.empty()) refuse("No key column selects the rows of table " + table + " to update");
    Variant affected;
    cn->Execute("UPDATE " + table + " SET " + joined(assignments, ",") + " WHERE " + joined(conditions, " AND "),
                affected, kNoRecords);
  });
}

void Manager::Delete(const std::string& i_sTableName, const Variant& iFields, const Variant& iFieldValues) {
  guarded("Merxa.Parameter.Delete", [&] {
    if (Exists(i_sTableName, iFields, iFieldValues))
      raiseMerxa(ReferentialDelete, kSource,
                 "Reference Exists for " + iFields.array().at(0).toString() + "=" +
                     iFieldValues.array().at(0).toString());
    ScopedConnection cn;
    ConnectionPtr connection = cn.get();
    const DictionaryPtr types = GetDataTypes(i_sTableName, connection);
    const std::string& table = checkedTable(i_sTableName, types);
    std::vector<std::string> conditions;
    for (const ColumnLiteral& c :
         columnLiterals(types, table, iFields, iFieldValues, UnknownColumn::Refuse, false, "Merxa.Parameter.Delete"))
      conditions.push_back(c.column + "=" + c.literal);
    if (conditions.empty()) refuse("No key column selects the rows of table " + table + " to delete");
    Variant affected;
    cn->Execute("DELETE FROM " + table + " WHERE (" + joined(conditions, " AND ") + ")", affected, kNoRecords);
  });
}

// ---- settings -----------------------------------------------------------------------------

RecordsetPtr Manager::GetCustomerSettingData(const std::string& i_sBPID) {
  return guarded("Merxa.Manager.GetCustomerSettingData", [&] {
    const int32_t partner = businessPartnerIdOf(i_sBPID, kSource);
    ScopedConnection cn;
    auto rs = platform::makeObject<Recordset>();
    rs->open("SELECT * FROM CUSTOMERSETTING WHERE BUSINESSPARTNERID=" + SqlLiteralText(std::to_string(partner)), cn.get(),
             ado::adOpenForwardOnly, ado::adLockReadOnly, ado::adCmdText);
    rs->detach();
    return rs->Clone(Variant(static_cast<int>(ado::adLockUnspecified)));
  });
}

RecordsetPtr Manager::GetRecordSet(const std::string& i_sQuery) {
  return guarded("Merxa.Manager.GetRecordSet", [&] {
    ScopedConnection cn;
    // A client cursor, so that the rows can be cloned and outlive the connection.
    cn->SetCursorLocation(ado::adUseClient);
    RecordsetPtr rs = cn->execute(i_sQuery);
    rs->detach();
    RecordsetPtr copy = rs->Clone(Variant(static_cast<int>(ado::adLockUnspecified)));
    rs->Close();
    return copy;
  });
}

void Manager::GetKiroOrderProcessParam(int32_t i_lKIROID, std::string& io_sProperty) {
  guarded("Merxa.Manager.GetKiroOrderProcessParam", [&] {
    // The name becomes part of the statement: only a plain column name may.
    if (!isPlainIdentifier(io_sProperty)) refuse("'" + io_sProperty + "' is not a column name");
    ScopedConnection cn;
    RecordsetPtr rs = cn->execute("SELECT " + io_sProperty + " FROM ORDEREXPORTFILE WHERE KIROID= '" +
                                  SqlLiteralLong(i_lKIROID) + "'");
    // A setting that is not filled in reads as empty, so that callers fall back to their
    // defaults rather than take the column name for its value.
    if (rs->eof()) {
      io_sProperty.clear();
    } else {
      const Variant value = rs->field(0)->Value();
      io_sProperty = value.isNull() || value.isEmpty() ? std::string() : value.toString();
    }
    rs->Close();
  });
}

std::string Manager::GetDefaultOrderType(const std::string& i_sBPID, int32_t i_sKIROID, int32_t i_KindOfOrder) {
  return guarded("Merxa.Manager.GetDefaultOrderType", [&] {
    const bool creditCard = i_KindOfOrder == CreditCardOrder;
    std::string result;
    RecordsetPtr settings = GetCustomerSettingData(i_sBPID);
    if (!settings->eof()) {
      const Variant own = settings->value(creditCard ? "CCORDERTYPE" : "ORDERTYPE");
      if (!own.isNull() && !own.isEmpty()) result = own.toString();
    }
    settings->Close();
    if (!result.empty()) return result;
    result = creditCard ? "CREDITCARDORDERTYPE" : "SALESORDERTYPE";
    GetKiroOrderProcessParam(i_sKIROID, result);
    if (creditCard && result.empty()) {
      std::string parameter = "Creditcard Ordertype for Backend";
      result = Sls_GetParameterValue(parameter);
    }
    return result;
  });
}

// ---- existence checks ---------------------------------------------------------------------

bool Manager::Exists(const std::string& entity, const Variant& keyFields, const Variant& keyValues) {
  return guarded("Manager.IReferentialIntegrity_Exists", [&] {
    if (platform::upperCase(entity) != "CUSTOMER") return false;
    const SafeArray& fields = keyFields.array();
    for (int32_t i = fields.lowerBound; i <= fields.upperBound(); ++i) {
      if (platform::upperCase(fields.at(i).toString()) != "BUSINESSPARTNERID") continue;
      const Variant& value = keyValues.array().at(i);
      const std::string literal = value.isNumber()
                                      ? SqlLiteralDouble(value.toDouble())
                                      : SqlLiteralText(std::to_string(businessPartnerIdOf(value.toString(), kSource)));
      if (CheckExistenceUsingSQL(
              "SELECT TOP 1 BUSINESSPARTNERID FROM CUSTOMERSETTING WHERE BUSINESSPARTNERID = " + literal))
        return true;
    }
    return false;
  });
}

bool Manager::CheckExistenceUsingSQL(const std::string& sql) {
  return guarded("Order.CheckExistenceUsingSQL", [&] { return Sls_RecordExists(sql, Sls_ConnectionString()); });
}

}  // namespace merxa

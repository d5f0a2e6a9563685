// Manager ("Merxa.Manager"): the generic table manager of the administration pages, and the
// answers to a few configuration questions other classes ask (customer settings, the
// order-process settings of an ERP instance, default order types).
//
// Create, Update and Delete take a table name and parallel arrays of column names and values,
// and write each value as the SQL literal of its column's data-type code, as the columns schema
// of the database reports it (GetDataTypes):
//
//   code (DATA_TYPE)                 literal written
//   2, 3, 16, 17, 18, 19             whole number; a fraction is rounded half to even (12.5 -> 12)
//   4, 5, 6, 14, 131                 decimal number, fraction kept (12.5 stays 12.5)
//   11                               flag 1 or 0 ("True"/"False" in any case, or a number: 0 is 0)
//   7, 133, 135                      date
//   129, 130 and every other code    quoted text
//
// What the two databases report for the declared types of the schema folder:
//
//   SQLite declaration      PostgreSQL declaration        code
//   INT, INTEGER            integer                       3
//   SMALLINT                smallint                      2
//   TINYINT                 TINYINT domain                17
//   BIT                     FLAG domain                   11
//   FLOAT                   double precision              5
//   DECIMAL, NUMERIC        numeric                       131
//   MONEY                   numeric(19,4)                 6
//   DATETIME                timestamp(0)                  135
//   CHAR, VARCHAR, TEXT     -                             129
//   NCHAR, NVARCHAR         char, varchar, text           130
//
// A caller's text never becomes SQL syntax: the table must be a table of the database named by
// a plain identifier, the columns are the schema's own (matched as the schema spells them), and
// every value goes through a literal routine. A value column the table does not have is left
// out and logged as a warning; a key column it does not have fails the operation, since
// leaving it out would widen the rows an Update or Delete touches.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/data/connection.h"
#include "platform/data/recordset.h"
#include "platform/dictionary.h"
#include "integrity/referential_integrity.h"
#include "platform/object.h"

namespace merxa {

using platform::DictionaryPtr;
using platform::Variant;
using platform::data::ConnectionPtr;
using platform::data::RecordsetPtr;

// What GetDefaultOrderType is asked for.
enum KindOfOrder : int32_t { CreditCardOrder = 1 };

class Manager : public platform::Object {
 public:
  const platform::DispatchTable& dispatch() const override;
  // The second interface: IReferentialIntegrity.
  platform::ObjectPtr interfaceOf(std::string_view name) override {
    return referentialIntegrityOf(name, "Manager");
  }

  void Create(const std::string& i_sTableName, const Variant& i_aFields, const Variant& i_aFieldValues);
  // Sets i_aFields to i_aFieldValues (Null or empty text writes Null) in the rows whose
  // i_aKeyFields hold i_aKeyFieldValues.
  void Update(const std::string& i_sTableName, const Variant& i_aFields, const Variant& i_aFieldValues,
              const Variant& i_aKeyFields, const Variant& i_aKeyFieldValues);
  // Deletes the rows whose iFields hold iFieldValues; refuses (ReferentialDelete) when the
  // table name is an entity that other rows still refer to.
  void Delete(const std::string& i_sTableName, const Variant& iFields, const Variant& iFieldValues);
  // Column name (as the schema spells it) -> data-type code as decimal text.
  DictionaryPtr GetDataTypes(const std::string& iTablename, ConnectionPtr& i_oConnection);
  // The CUSTOMERSETTING row of a business partner (none when it has no settings), detached.
  RecordsetPtr GetCustomerSettingData(const std::string& i_sBPID);
  // The rows of an administration page's own query, detached.
  RecordsetPtr GetRecordSet(const std::string& i_sQuery);
  // In: a column of ORDEREXPORTFILE; out: its value for the ERP instance, "" when the instance
  // has no row or the value is Null.
  void GetKiroOrderProcessParam(int32_t i_lKIROID, std::string& io_sProperty);
  // The customer's own order type for the kind of order, else the ERP instance's, else (for
  // credit-card orders) the sales parameter "Creditcard Ordertype for Backend".
  std::string GetDefaultOrderType(const std::string& i_sBPID, int32_t i_sKIROID, int32_t i_KindOfOrder);

  // The class's referential-integrity existence check: whether rows of its tables still refer
  // to the record. It knows the entity "CUSTOMER" (key field BUSINESSPARTNERID), referred to
  // by CUSTOMERSETTING.
  bool Exists(const std::string& entity, const Variant& keyFields, const Variant& keyValues);

 private:
  // What an operation does with a column the table does not have.
  enum class UnknownColumn { LeaveOut, Refuse };
  // A column and the literal of its value, as a statement assigns or compares them.
  struct ColumnLiteral {
    std::string column;
    std::string literal;
  };

  // For each index of `names` (from 0), the column and the literal of the value at the same
  // index of `values`. With `nullsAsNull`, a Null value or empty text is the word Null.
  std::vector<ColumnLiteral> columnLiterals(const DictionaryPtr& types, const std::string& table, const Variant& names,
                                            const Variant& values, UnknownColumn unknown, bool nullsAsNull,
                                            const std::string& method);
  std::string EncodeFieldValue(const std::string& dataType, const std::string& value);
  bool CheckExistenceUsingSQL(const std::string& sql);
};

}  // namespace merxa

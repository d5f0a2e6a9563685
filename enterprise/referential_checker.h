// Referential checks ("Corvane.ReferentialChecker"): before a row is inserted, whether the
// master records its fields refer to exist in the master-data tables of the sales database.
//
// The field names say what a value refers to, whatever the table:
//   PRODUCTID          a product of the catalogue (PRODUCT)
//   BUSINESSPARTNERID  a business partner (BUSINESSPARTNER)
//   CURRENCYCODE       a currency (CURRENCY)
// Names are matched without regard to letter case. Other fields refer to nothing and pass, and
// so does a Null value, which refers to nothing, as an unset foreign key. A value that cannot
// be such a key (a product number with a fraction, a text for a partner) matches no record.
#pragma once

#include <string>

#include "platform/object.h"

namespace enterprise {

class ReferentialChecker : public platform::Object {
 public:
  const platform::DispatchTable& dispatch() const override;

  // True when every master record that `fieldValues` refer to exists. `fieldNames` and
  // `fieldValues` are arrays of the same length (5, Invalid procedure call, otherwise); the
  // table name is the table the row is meant for.
  bool CheckInsert(const std::string& tableName, const platform::Variant& fieldNames,
                   const platform::Variant& fieldValues);
};

}  // namespace enterprise

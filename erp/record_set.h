// Sets of records as the ERP's sales-order components pass them: a set of sales orders, of
// order lines, the text values of a text, the variant lines of a configured product. A set
// named for its element N ("SalesOrders") answers insertNAt(record, index), addN(record),
// sizeN() and getNAt(index), indexes from 0; an index past the end appends.
#pragma once

#include <string>
#include <vector>

#include "erp/erp_database.h"

namespace erp {

class RecordSet : public platform::Object {
 public:
  // `element` is the N of the member names; `typeName` names the class in messages.
  RecordSet(const std::string& typeName, const std::string& element);
  const platform::DispatchTable& dispatch() const override;

  void insertAt(const platform::ObjectPtr& record, int32_t index);
  void add(const platform::ObjectPtr& record) { items_.push_back(record); }
  int32_t size() const { return static_cast<int32_t>(items_.size()); }
  // 9 (Subscript out of range) outside the set.
  platform::ObjectPtr at(int32_t index) const;
  const std::vector<platform::ObjectPtr>& items() const { return items_; }

 private:
  const platform::DispatchTable* table_;
  std::vector<platform::ObjectPtr> items_;
};

}  // namespace erp

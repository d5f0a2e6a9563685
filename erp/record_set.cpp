#include "erp/record_set.h"

#include <map>
#include <mutex>

namespace erp {

namespace {

platform::DispatchTable tableOf(const std::string& typeName, const std::string& element) {
  platform::DispatchTable table(typeName);
  auto& insert = table.add("insert" + element + "At");
  insert.minArgs = insert.maxArgs = 2;
  insert.call = [](platform::Object& o, platform::Args& a) {
    static_cast<RecordSet&>(o).insertAt(a[0].toObject(), a[1].toLong());
    return Variant();
  };
  auto& add = table.add("add" + element);
  add.minArgs = add.maxArgs = 1;
  add.call = [](platform::Object& o, platform::Args& a) {
    static_cast<RecordSet&>(o).add(a[0].toObject());
    return Variant();
  };
  table.add("size" + element).call = [](platform::Object& o, platform::Args&) {
    return Variant(static_cast<RecordSet&>(o).size());
  };
  auto& at = table.add("get" + element + "At");
  at.minArgs = at.maxArgs = 1;
  at.call = [](platform::Object& o, platform::Args& a) { return Variant(static_cast<RecordSet&>(o).at(a[0].toLong())); };
  return table;
}

}  // namespace

RecordSet::RecordSet(const std::string& typeName, const std::string& element) {
  // One table per kind of set, made on first use and kept for the library's life.
  static std::mutex mutex;
  static std::map<std::string, platform::DispatchTable> tables;
  std::lock_guard<std::mutex> lock(mutex);
  auto found = tables.find(typeName);
  if (found == tables.end()) found = tables.emplace(typeName, tableOf(typeName, element)).first;
  table_ = &found->second;
}

const platform::DispatchTable& RecordSet::dispatch() const { return *table_; }

void RecordSet::insertAt(const platform::ObjectPtr& record, int32_t index) {
  if (index < 0) platform::raiseVb(platform::vb::SubscriptOutOfRange, dispatch().className());
  if (index >= size()) items_.push_back(record);
  else items_.insert(items_.begin() + index, record);
}

platform::ObjectPtr RecordSet::at(int32_t index) const {
  if (index < 0 || index >= size()) platform::raiseVb(platform::vb::SubscriptOutOfRange, dispatch().className());
  return items_[static_cast<size_t>(index)];
}

}  // namespace erp

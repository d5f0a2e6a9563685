#include "erp/record.h"

#include <mutex>

#include "erp/erp_values.h"

namespace erp {

namespace {

platform::DispatchTable tableOf(const RecordKind& kind) {
  platform::DispatchTable table(kind.typeName);
  for (const std::string& field : kind.fields) {
    platform::Member& setter = table.add("set" + field);
    setter.minArgs = setter.maxArgs = 1;
    setter.call = [field](platform::Object& o, platform::Args& args) {
      static_cast<Record&>(o).set(field, args[0]);
      return Variant();
    };
    platform::Member& getter = table.add("get" + field);
    getter.call = [field](platform::Object& o, platform::Args&) { return static_cast<Record&>(o).get(field); };
    platform::Member& tester = table.add("has" + field);
    tester.call = [field](platform::Object& o, platform::Args&) { return Variant(static_cast<Record&>(o).has(field)); };
  }
  if (kind.addMembers) kind.addMembers(table);
  return table;
}

}  // namespace

const platform::DispatchTable& Record::dispatch() const {
  // One table per kind, made on first use; kinds live as long as the library.
  static std::mutex mutex;
  static std::map<const RecordKind*, platform::DispatchTable> tables;
  std::lock_guard<std::mutex> lock(mutex);
  auto found = tables.find(kind_);
  if (found == tables.end()) found = tables.emplace(kind_, tableOf(*kind_)).first;
  return found->second;
}

Variant Record::get(const std::string& field) const {
  const auto found = values_.find(field);
  return found == values_.end() ? Variant() : found->second;
}

std::string Record::text(const std::string& field) const { return trimmedText(get(field)); }

std::string Record::firstSet(std::initializer_list<const char*> fields) const {
  for (const char* field : fields)
    if (!text(field).empty()) return text(field);
  return {};
}

}  // namespace erp

#include "platform/dictionary.h"

namespace platform {

namespace {
constexpr const char* kSource = "Scripting.Dictionary";
}

const DispatchTable& Dictionary::dispatch() const {
  static const DispatchTable table = Members<Dictionary>("Scripting.Dictionary")
                                         .method("Add", &Dictionary::Add)
                                         .method("Exists", &Dictionary::Exists)
                                         .property("Item", &Dictionary::Item, &Dictionary::SetItem)
                                         .method("Remove", &Dictionary::Remove)
                                         .method("RemoveAll", &Dictionary::RemoveAll)
                                         .property("Count", &Dictionary::Count)
                                         .method("Keys", &Dictionary::Keys)
                                         .method("Items", &Dictionary::Items)
                                         .property("CompareMode", &Dictionary::CompareMode, &Dictionary::SetCompareMode)
                                         .property("Key", &Dictionary::Item, &Dictionary::SetKey)
                                         .defaultMember("Item");
  return table;
}

std::string Dictionary::hashKey(const Variant& key) const {
  switch (key.type()) {
    case VarType::Empty: return "n:0";
    case VarType::String:
      if (key.rawString().empty()) return "n:0";  // shares Empty's bucket
      return "s:" + (compareMode_ == 1 ? upperCase(key.rawString()) : key.rawString());
    case VarType::Object: return "o:" + std::to_string(reinterpret_cast<uintptr_t>(key.rawObject().get()));
    case VarType::Null: return "null";
    case VarType::Array: raiseVb(vb::TypeMismatch, kSource);
    case VarType::Boolean: return key.rawBool() ? "n:-1" : "n:0";
    case VarType::Date: return "n:" + formatDouble(key.rawDouble());
    default: return "n:" + formatDouble(key.toDouble());
  }
}

long Dictionary::indexOf(const Variant& key) const {
  auto [lo, hi] = index_.equal_range(hashKey(key));
  for (auto it = lo; it != hi; ++it) {
    const Variant& k = entries_[it->second].first;
    if (compareMode_ == 1 && k.isString() && key.isString()) {
      if (equalsNoCase(k.rawString(), key.rawString())) return static_cast<long>(it->second);
    } else if (sameKey(k, key)) {
      return static_cast<long>(it->second);
    }
  }
  return -1;
}

void Dictionary::rebuildIndex() {
  index_.clear();
  for (size_t i = 0; i < entries_.size(); ++i) index_.emplace(hashKey(entries_[i].first), i);
}

void Dictionary::Add(const Variant& key, const Variant& item) {
  if (key.isArray()) raiseVb(vb::TypeMismatch, kSource);
  if (indexOf(key) >= 0) raiseVb(vb::KeyExists, kSource);
  index_.emplace(hashKey(key), entries_.size());
  entries_.emplace_back(key, item);
}

bool Dictionary::Exists(const Variant& key) const { return indexOf(key) >= 0; }

Variant Dictionary::Item(const Variant& key) {
  const long i = indexOf(key);
  if (i >= 0) return entries_[static_cast<size_t>(i)].second;
  Add(key, Variant());
  return Variant();
}

void Dictionary::SetItem(const Variant& key, const Variant& item) {
  const long i = indexOf(key);
  if (i >= 0) entries_[static_cast<size_t>(i)].second = item;
  else Add(key, item);
}

void Dictionary::Remove(const Variant& key) {
  const long i = indexOf(key);
  if (i < 0) raiseVb(vb::ElementNotFound, kSource);
  entries_.erase(entries_.begin() + i);
  rebuildIndex();
}

void Dictionary::RemoveAll() {
  entries_.clear();
  index_.clear();
}

Variant Dictionary::Keys() const {
  std::vector<Variant> keys;
  keys.reserve(entries_.size());
  for (const auto& e : entries_) keys.push_back(e.first);
  return Variant::array(std::move(keys));
}

Variant Dictionary::Items() const {
  std::vector<Variant> items;
  items.reserve(entries_.size());
  for (const auto& e : entries_) items.push_back(e.second);
  return Variant::array(std::move(items));
}

void Dictionary::SetCompareMode(int32_t mode) {
  if (!entries_.empty()) raiseVb(vb::InvalidProcedureCall, kSource);
  compareMode_ = mode;
}

void Dictionary::SetKey(const Variant& oldKey, const Variant& newKey) {
  const long i = indexOf(oldKey);
  if (i < 0) raiseVb(vb::ElementNotFound, kSource);
  if (indexOf(newKey) >= 0) raiseVb(vb::KeyExists, kSource);
  entries_[static_cast<size_t>(i)].first = newKey;
  rebuildIndex();
}

const Variant* Dictionary::find(const Variant& key) const {
  const long i = indexOf(key);
  return i < 0 ? nullptr : &entries_[static_cast<size_t>(i)].second;
}

}  // namespace platform

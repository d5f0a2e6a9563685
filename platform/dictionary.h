// Dictionary: the scripting dictionary ("Scripting.Dictionary") that carries sales documents,
// caption sets and settings.
//
// Invariants: entries keep insertion order (a list), and a hash index finds a key's entry.
// Keys are Variants compared binary by default (case-sensitive text; numbers by value; a
// text never equals a number; Empty equals "" and 0). CompareMode 1 compares text keys
// without regard to letter case.
//
// Semantics: Add of an existing key fails with 457; reading a missing key adds it with an
// Empty item; writing a missing key adds it; Remove of a missing key fails with 32811;
// Keys and Items are 0-based arrays in insertion order.
#pragma once

#include <unordered_map>
#include <vector>

#include "platform/object.h"

namespace platform {

class Dictionary : public Object {
 public:
  const DispatchTable& dispatch() const override;

  void Add(const Variant& key, const Variant& item);
  bool Exists(const Variant& key) const;
  Variant Item(const Variant& key);                     // adds the key when missing
  void SetItem(const Variant& key, const Variant& item);  // adds or replaces
  void Remove(const Variant& key);
  void RemoveAll();
  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }
  Variant Keys() const;
  Variant Items() const;
  int32_t CompareMode() const { return compareMode_; }
  void SetCompareMode(int32_t mode);  // only while empty; 5 otherwise
  void SetKey(const Variant& oldKey, const Variant& newKey);

  // C++ helpers: the item for a text key, or null when absent (never adds).
  const Variant* find(const Variant& key) const;
  const std::vector<std::pair<Variant, Variant>>& entries() const { return entries_; }

 private:
  std::string hashKey(const Variant& key) const;
  long indexOf(const Variant& key) const;
  void rebuildIndex();

  int32_t compareMode_ = 0;
  std::vector<std::pair<Variant, Variant>> entries_;
  std::unordered_multimap<std::string, size_t> index_;
};

using DictionaryPtr = std::shared_ptr<Dictionary>;

}  // namespace platform

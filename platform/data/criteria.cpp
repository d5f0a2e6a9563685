#include "platform/data/criteria.h"

#include "platform/error.h"

namespace platform::data {

namespace {

constexpr const char* kSource = "ADODB.Recordset";

using Groups = std::vector<std::vector<Condition>>;

[[noreturn]] void malformed() { raiseVb(vb::InvalidArgument, kSource); }

bool nameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
         c == '#' || c == '@' || c == '.' || static_cast<unsigned char>(c) >= 0x80;
}

bool isWildcard(char c) { return c == '*' || c == '%'; }

class Parser {
 public:
  Parser(std::string_view text, const ColumnLookup& lookup) : s_(text), lookup_(lookup) {}

  Groups all() {
    Groups g = expr();
    blanks();
    if (i_ != s_.size()) malformed();
    return g;
  }

 private:
  void blanks() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\r' || s_[i_] == '\n')) ++i_;
  }

  bool punct(char c) {
    blanks();
    if (i_ < s_.size() && s_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }

  // A keyword, as a whole word.
  bool word(std::string_view w) {
    blanks();
    if (s_.size() - i_ < w.size() || !equalsNoCase(s_.substr(i_, w.size()), w)) return false;
    if (i_ + w.size() < s_.size() && nameChar(s_[i_ + w.size()])) return false;
    i_ += w.size();
    return true;
  }

  Groups expr() {
    Groups g = term();
    while (word("OR")) {
      Groups more = term();
      g.insert(g.end(), more.begin(), more.end());
    }
    return g;
  }

  Groups term() {
    Groups g = factor();
    while (word("AND")) {
      const Groups right = factor();
      Groups product;
      for (const auto& a : g)
        for (const auto& b : right) {
          std::vector<Condition> both = a;
          both.insert(both.end(), b.begin(), b.end());
          product.push_back(std::move(both));
        }
      g = std::move(product);
    }
    return g;
  }

  Groups factor() {
    if (punct('(')) {
      Groups g = expr();
      if (!punct(')')) malformed();
      return g;
    }
    return Groups{{clause()}};
  }

  Condition clause() {
    Condition c;
    const std::string name = columnName();
    c.column = lookup_(name);
    if (c.column < 0) raiseVb(vb::ItemNotFound, kSource);
    c.op = op();
    c.value = value();
    if (c.op == Condition::Op::Like) checkPattern(c.value);
    return c;
  }

  std::string columnName() {
    blanks();
    if (i_ < s_.size() && s_[i_] == '[') {
      const size_t close = s_.find(']', i_);
      if (close == std::string_view::npos) malformed();
      std::string name(s_.substr(i_ + 1, close - i_ - 1));
      i_ = close + 1;
      return name;
    }
    const size_t start = i_;
    while (i_ < s_.size() && nameChar(s_[i_])) ++i_;
    if (i_ == start) malformed();
    return std::string(s_.substr(start, i_ - start));
  }

  Condition::Op op() {
    blanks();
    const std::string_view rest = s_.substr(i_);
    struct Symbol {
      std::string_view text;
      Condition::Op op;
    };
    static const Symbol symbols[] = {{"<=", Condition::Op::Le}, {">=", Condition::Op::Ge}, {"<>", Condition::Op::Ne},
                                     {"=", Condition::Op::Eq},  {"<", Condition::Op::Lt},  {">", Condition::Op::Gt}};
    for (const Symbol& sym : symbols) {
      if (rest.substr(0, sym.text.size()) == sym.text) {
        i_ += sym.text.size();
        return sym.op;
      }
    }
    if (word("LIKE")) return Condition::Op::Like;
    malformed();
  }

  Variant value() {
    blanks();
    if (i_ >= s_.size()) malformed();
    const char c = s_[i_];
    if (c == '\'') return quoted();
    if (c == '#') {
      const size_t close = s_.find('#', i_ + 1);
      if (close == std::string_view::npos) malformed();
      const std::string_view inner = s_.substr(i_ + 1, close - i_ - 1);
      i_ = close + 1;
      Date d;
      if (parseDateText(inner, d)) return Variant(d);
      return Variant(inner);
    }
    if (word("TRUE")) return Variant(true);
    if (word("FALSE")) return Variant(false);
    const size_t start = i_;
    while (i_ < s_.size() && (nameChar(s_[i_]) || s_[i_] == '+' || s_[i_] == '-')) ++i_;
    double number;
    if (!parseNumberText(s_.substr(start, i_ - start), number)) malformed();  // Null included
    return Variant(number);
  }

  Variant quoted() {
    std::string text;
    for (++i_; i_ < s_.size(); ++i_) {
      if (s_[i_] != '\'') {
        text += s_[i_];
        continue;
      }
      if (i_ + 1 < s_.size() && s_[i_ + 1] == '\'') {
        text += '\'';
        ++i_;
        continue;
      }
      ++i_;
      return Variant(text);
    }
    malformed();
  }

  // Wildcards only at the end, or at both ends.
  static void checkPattern(const Variant& v) {
    if (!v.isString()) malformed();
    std::string_view p = v.rawString();
    const bool lead = !p.empty() && isWildcard(p.front());
    if (lead) p.remove_prefix(1);
    const bool trail = !p.empty() && isWildcard(p.back());
    if (trail) p.remove_suffix(1);
    if (lead && !trail) malformed();
    for (char ch : p)
      if (isWildcard(ch)) malformed();
  }

  std::string_view s_;
  size_t i_ = 0;
  const ColumnLookup& lookup_;
};

int sign(double d) { return d < 0 ? -1 : (d > 0 ? 1 : 0); }

// The field value against a criteria value, in the field's terms.
int compareTyped(const Variant& field, const Variant& literal) {
  switch (field.type()) {
    case VarType::String: {
      const int c = upperCase(field.rawString()).compare(upperCase(literal.toString()));
      return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    case VarType::Date: return sign(field.rawDouble() - literal.toDate().serial);
    case VarType::Boolean: return static_cast<int>(field.rawBool()) - static_cast<int>(literal.toBool());
    default: return sign(field.toDouble() - literal.toDouble());
  }
}

bool likeMatches(const Variant& field, const Variant& pattern) {
  const std::string text = upperCase(field.toString());
  std::string p = upperCase(pattern.rawString());
  const bool lead = !p.empty() && isWildcard(p.front());
  if (lead) p.erase(0, 1);
  const bool trail = !p.empty() && isWildcard(p.back());
  if (trail) p.pop_back();
  if (lead) return text.find(p) != std::string::npos;
  if (trail) return text.compare(0, p.size(), p) == 0;
  return text == p;
}

}  // namespace

bool Condition::matches(const Variant& fieldValue) const {
  if (fieldValue.isNull() || fieldValue.isObject() || fieldValue.isArray()) return false;
  try {
    if (op == Op::Like) return likeMatches(fieldValue, value);
    const int c = compareTyped(fieldValue, value);
    switch (op) {
      case Op::Eq: return c == 0;
      case Op::Ne: return c != 0;
      case Op::Lt: return c < 0;
      case Op::Le: return c <= 0;
      case Op::Gt: return c > 0;
      case Op::Ge: return c >= 0;
      case Op::Like: break;
    }
  } catch (const ComError&) {
    // A value the field's type cannot compare with matches nothing.
  }
  return false;
}

bool Criteria::matches(const std::vector<Variant>& row) const {
  for (const auto& group : anyOf) {
    bool all = true;
    for (const Condition& c : group) {
      if (!c.matches(row[static_cast<size_t>(c.column)])) {
        all = false;
        break;
      }
    }
    if (all) return true;
  }
  return false;
}

Criteria parseCriteria(std::string_view text, const ColumnLookup& lookup) {
  Parser p(text, lookup);
  return Criteria{p.all()};
}

std::vector<SortKey> parseSort(std::string_view text, const ColumnLookup& lookup) {
  std::vector<SortKey> keys;
  if (trimBlanks(text).empty()) return keys;
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = text.find(',', start);
    if (comma == std::string_view::npos) comma = text.size();
    std::string part = trimBlanks(text.substr(start, comma - start));
    start = comma + 1;
    if (part.empty()) malformed();
    SortKey key;
    const size_t blank = part.find_last_of(' ');
    if (blank != std::string::npos) {
      const std::string last = upperCase(part.substr(blank + 1));
      if (last == "DESC" || last == "ASC") {
        key.descending = last == "DESC";
        part = trimBlanks(part.substr(0, blank));
      }
    }
    if (part.size() >= 2 && part.front() == '[' && part.back() == ']') part = part.substr(1, part.size() - 2);
    key.column = lookup(part);
    if (key.column < 0) raiseVb(vb::ItemNotFound, kSource);
    keys.push_back(key);
  }
  return keys;
}

int compareForSort(const Variant& a, const Variant& b) {
  if (a.isNull() || b.isNull()) return a.isNull() == b.isNull() ? 0 : (a.isNull() ? -1 : 1);
  if (a.isString() && b.isString()) {
    const int c = upperCase(a.rawString()).compare(upperCase(b.rawString()));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  // Flags sort as the database stores them, False before True.
  if (a.type() == VarType::Boolean && b.type() == VarType::Boolean)
    return static_cast<int>(a.rawBool()) - static_cast<int>(b.rawBool());
  try {
    return compareValues(a, b);
  } catch (const ComError&) {
    return 0;
  }
}

}  // namespace platform::data

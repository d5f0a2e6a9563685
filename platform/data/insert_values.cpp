#include "platform/data/insert_values.h"

#include <cctype>
#include <cstdlib>

namespace platform::data {

namespace {

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool digit(char c) { return c >= '0' && c <= '9'; }

size_t skipBlanks(std::string_view s, size_t i) {
  while (i < s.size() && blank(s[i])) ++i;
  return i;
}

bool keywordAt(std::string_view s, size_t i, std::string_view word) {
  if (s.size() - i < word.size()) return false;
  for (size_t k = 0; k < word.size(); ++k) {
    const char c = s[i + k];
    if ((c >= 'a' && c <= 'z' ? c - 32 : c) != word[k]) return false;
  }
  const size_t end = i + word.size();
  return end == s.size() || !(std::isalnum(static_cast<unsigned char>(s[end])) || s[end] == '_');
}

// The end of the quoted text that starts at i (one past its closing quote), or npos.
size_t quotedEnd(std::string_view s, size_t i) {
  const char quote = s[i];
  for (++i; i < s.size(); ++i) {
    if (s[i] != quote) continue;
    if (i + 1 < s.size() && s[i + 1] == quote) {
      ++i;
      continue;
    }
    return i + 1;
  }
  return std::string_view::npos;
}

// The value of one item of the VALUES list when it is a literal that can be lifted.
bool literalValue(std::string_view item, const LiftOptions& options, Variant& out) {
  if (item.size() >= 2 && item.front() == '\'' && quotedEnd(item, 0) == item.size()) {
    std::string text;
    text.reserve(item.size() - 2);
    for (size_t i = 1; i + 1 < item.size(); ++i) {
      text += item[i];
      if (item[i] == '\'') ++i;  // '' stands for one quote
    }
    out = Variant(std::move(text));
    return true;
  }
  size_t i = item.empty() || item[0] != '-' ? 0 : 1;
  const size_t first = i;
  while (i < item.size() && digit(item[i])) ++i;
  if (i == first) return false;
  if (i == item.size()) {
    if (i - first > 10) return false;
    const long long n = std::strtoll(std::string(item).c_str(), nullptr, 10);
    if (n < INT32_MIN || n > INT32_MAX) return false;  // the engine's wider integer stays in the text
    out = Variant(static_cast<int32_t>(n));
    return true;
  }
  if (!options.decimals || item[i] != '.') return false;
  const size_t point = i++;
  while (i < item.size() && digit(item[i])) ++i;
  if (i != item.size() || i == point + 1) return false;
  size_t significant = 0, k = first;
  while (k < item.size() && (item[k] == '0' || item[k] == '.')) ++k;  // leading zeros
  for (; k < item.size(); ++k) significant += digit(item[k]) ? 1 : 0;
  if (significant > 15) return false;
  out = Variant(std::strtod(std::string(item).c_str(), nullptr));
  return true;
}

}  // namespace

bool liftInsertValues(std::string_view sql, const LiftOptions& options, LiftedInsert& out) {
  size_t i = skipBlanks(sql, 0);
  if (!keywordAt(sql, i, "INSERT")) return false;
  // Find VALUES outside quotes; give up on placeholders or a second statement before it.
  size_t values = std::string_view::npos;
  for (i += 6; i < sql.size(); ++i) {
    const char c = sql[i];
    if (c == '\'' || c == '"' || c == '[') {
      const size_t end = c == '[' ? sql.find(']', i) : quotedEnd(sql, i);
      if (end == std::string_view::npos) return false;
      i = end - (c == '[' ? 0 : 1);
    } else if (c == '?' || c == '$' || c == ';' || c == '-' || c == '/') {
      return false;
    } else if ((c == 'V' || c == 'v') && !std::isalnum(static_cast<unsigned char>(sql[i - 1])) &&
               sql[i - 1] != '_' && keywordAt(sql, i, "VALUES")) {
      values = i;
      break;
    }
  }
  if (values == std::string_view::npos) return false;
  size_t open = skipBlanks(sql, values + 6);
  if (open == sql.size() || sql[open] != '(') return false;

  out.sql.assign(sql.substr(0, open + 1));
  out.values.clear();
  size_t start = open + 1;
  int depth = 0;
  for (i = start; i < sql.size(); ++i) {
    const char c = sql[i];
    if (c == '\'' || c == '"') {
      const size_t end = quotedEnd(sql, i);
      if (end == std::string_view::npos) return false;
      i = end - 1;
      continue;
    }
    if (c == '?' || c == '$' || c == ';' || (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') || c == '/') {
      return false;
    }
    if (c == '(') {
      ++depth;
      continue;
    }
    if (depth > 0) {
      if (c == ')') --depth;
      continue;
    }
    if (c != ',' && c != ')') continue;
    // One item: sql[start, i), blanks around it kept in the text.
    size_t from = skipBlanks(sql, start), to = i;
    while (to > from && blank(sql[to - 1])) --to;
    Variant value;
    out.sql.append(sql.substr(start, from - start));
    if (literalValue(sql.substr(from, to - from), options, value)) {
      out.values.push_back(std::move(value));
      out.sql += options.numberedPlaceholders ? "$" + std::to_string(out.values.size()) : "?";
    } else {
      out.sql.append(sql.substr(from, to - from));
    }
    out.sql.append(sql.substr(to, i + 1 - to));
    start = i + 1;
    if (c == ')') break;
  }
  if (i == sql.size() || skipBlanks(sql, i + 1) != sql.size()) return false;  // a second row, or more text
  return !out.values.empty();
}

}  // namespace platform::data

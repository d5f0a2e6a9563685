#include "platform/data/dialect.h"

#include <array>
#include <map>
#include <vector>

#include "platform/value.h"

namespace platform::data {

namespace {

enum class Kind { Space, Comment, Word, Number, Text, QuotedName, Placeholder, Punct };

struct Token {
  Kind kind;
  std::string text;
};

bool wordChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '@' ||
         c == '#' || c == '$' || static_cast<unsigned char>(c) >= 0x80;
}

bool digit(char c) { return c >= '0' && c <= '9'; }

// Reads a quoted run starting at s[i] that ends with `close`, where a doubled `close` stands
// for itself. An unterminated run takes the rest of the text.
size_t quotedEnd(std::string_view s, size_t i, char close) {
  for (size_t j = i + 1; j < s.size(); ++j) {
    if (s[j] != close) continue;
    if (j + 1 < s.size() && s[j + 1] == close) {
      ++j;
      continue;
    }
    return j + 1;
  }
  return s.size();
}

std::vector<Token> tokenize(std::string_view s) {
  std::vector<Token> out;
  size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    size_t j = i + 1;
    Kind kind = Kind::Punct;
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      while (j < s.size() && (s[j] == ' ' || s[j] == '\t' || s[j] == '\r' || s[j] == '\n')) ++j;
      kind = Kind::Space;
    } else if (c == '-' && j < s.size() && s[j] == '-') {
      while (j < s.size() && s[j] != '\n') ++j;
      kind = Kind::Comment;
    } else if (c == '/' && j < s.size() && s[j] == '*') {
      const size_t end = s.find("*/", j + 1);
      j = end == std::string_view::npos ? s.size() : end + 2;
      kind = Kind::Comment;
    } else if (c == '\'') {
      j = quotedEnd(s, i, '\'');
      kind = Kind::Text;
    } else if (c == '"') {
      j = quotedEnd(s, i, '"');
      kind = Kind::QuotedName;
    } else if (c == '[') {
      j = quotedEnd(s, i, ']');
      kind = Kind::QuotedName;
    } else if (c == '?') {
      kind = Kind::Placeholder;
    } else if (digit(c)) {
      while (j < s.size() && (digit(s[j]) || s[j] == '.')) ++j;
      kind = Kind::Number;
    } else if (wordChar(c)) {
      while (j < s.size() && wordChar(s[j])) ++j;
      kind = Kind::Word;
    }
    out.push_back({kind, std::string(s.substr(i, j - i))});
    i = j;
  }
  return out;
}

bool isWord(const Token& t, std::string_view word) { return t.kind == Kind::Word && equalsNoCase(t.text, word); }

bool isPunct(const Token& t, char c) { return t.kind == Kind::Punct && t.text.size() == 1 && t.text[0] == c; }

bool isOwner(const Token& t) {
  if (isWord(t, "dbo")) return true;
  return t.kind == Kind::QuotedName && t.text.size() == 5 && equalsNoCase(t.text.substr(1, 3), "dbo");
}

bool skippable(const Token& t) { return t.kind == Kind::Space || t.kind == Kind::Comment; }

// The index of the next token that is not blank or a comment, at or after i.
size_t nextSolid(const std::vector<Token>& t, size_t i) {
  while (i < t.size() && skippable(t[i])) ++i;
  return i;
}

// If t[i] is SELECT [DISTINCT|ALL] TOP n or TOP (n), removes "TOP n" and returns n.
std::string takeTop(std::vector<Token>& t, size_t i) {
  size_t k = nextSolid(t, i + 1);
  if (k < t.size() && (isWord(t[k], "DISTINCT") || isWord(t[k], "ALL"))) k = nextSolid(t, k + 1);
  if (k >= t.size() || !isWord(t[k], "TOP")) return {};
  const size_t top = k;
  k = nextSolid(t, k + 1);
  bool parens = false;
  if (k < t.size() && isPunct(t[k], '(')) {
    parens = true;
    k = nextSolid(t, k + 1);
  }
  if (k >= t.size() || t[k].kind != Kind::Number) return {};
  std::string n = t[k].text;
  if (parens) {
    k = nextSolid(t, k + 1);
    if (k >= t.size() || !isPunct(t[k], ')')) return {};
  }
  const size_t after = nextSolid(t, k + 1);
  if (after < t.size() && (isWord(t[after], "PERCENT") || isWord(t[after], "WITH"))) return {};
  // Drop "TOP n" and the blank after it, keeping the blank before.
  t.erase(t.begin() + static_cast<std::ptrdiff_t>(top), t.begin() + static_cast<std::ptrdiff_t>(k + 1));
  if (top < t.size() && t[top].kind == Kind::Space) t.erase(t.begin() + static_cast<std::ptrdiff_t>(top));
  return n;
}

void rewriteTop(std::vector<Token>& t) {
  std::map<int, std::string> pending;  // parenthesis depth -> limit of the SELECT opened there
  int depth = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    if (isWord(t[i], "SELECT")) {
      std::string n = takeTop(t, i);
      if (!n.empty()) pending[depth] = std::move(n);
    } else if (isPunct(t[i], '(')) {
      ++depth;
    } else if (isPunct(t[i], ')')) {
      if (auto it = pending.find(depth); it != pending.end()) {
        t.insert(t.begin() + static_cast<std::ptrdiff_t>(i), Token{Kind::Word, " LIMIT " + it->second});
        pending.erase(it);
        ++i;
      }
      --depth;
    }
  }
  if (auto it = pending.find(0); it != pending.end()) {
    // Before any trailing blanks, comments and semicolons.
    size_t end = t.size();
    while (end > 0 && (skippable(t[end - 1]) || isPunct(t[end - 1], ';'))) --end;
    t.insert(t.begin() + static_cast<std::ptrdiff_t>(end), Token{Kind::Word, " LIMIT " + it->second});
  }
}

// "Name" or [Name] as "name".
std::string lowerQuotedName(const std::string& quoted) {
  if (quoted.front() == '"') return lowerCase(quoted);
  return quoteIdentifier(lowerCase(std::string_view(quoted).substr(1, quoted.size() - 2)));
}

// Whether `s` continues at `i` with `rest` (lower case) in any letter case.
bool continuesWith(std::string_view s, size_t i, std::string_view rest) {
  if (s.size() - i < rest.size()) return false;
  for (size_t k = 0; k < rest.size(); ++k)
    if ((s[i + k] | 0x20) != rest[k]) return false;
  return true;
}

// Whether any rewrite of `options` could apply. Most statements need none; they pass as they
// are, since the tokens put together again give back the very text. The test is coarse and
// takes one pass: any trace of a rewrite's trigger, even inside a quoted text, sends the
// statement the long way.
bool mayNeedRewrite(std::string_view sql, const DialectOptions& o) {
  // The characters a trigger starts with; all others are passed over at once.
  static const auto starts = [] {
    std::array<bool, 256> t{};
    for (unsigned char c : std::string_view("?\"['dDiItT")) t[c] = true;
    return t;
  }();
  for (size_t i = 0; i < sql.size(); ++i) {
    if (!starts[static_cast<unsigned char>(sql[i])]) continue;
    switch (sql[i] | 0x20) {
      case '?' | 0x20:
        if (sql[i] == '?' && o.numberedPlaceholders) return true;
        break;
      case '"':
      case '[' | 0x20:
        if ((sql[i] == '"' || sql[i] == '[') && o.lowerQuotedNames) return true;
        break;
      case '\'':
        if (o.stripNationalPrefix && i > 0 && (sql[i - 1] | 0x20) == 'n') return true;
        break;
      case 'd':
        if (o.stripOwnerPrefix && continuesWith(sql, i + 1, "bo")) return true;
        break;
      case 'i':
        if (o.ifNullForIsNull && continuesWith(sql, i + 1, "snull")) return true;
        break;
      case 't':
        if (o.limitForTop && continuesWith(sql, i + 1, "op")) return true;
        break;
      default: break;
    }
  }
  return false;
}

}  // namespace

std::string translateSql(std::string_view sql, const DialectOptions& options, int* placeholders) {
  // Placeholders are counted on tokens (a "?" in a quoted text is none).
  const bool countPlaceholders = placeholders && sql.find('?') != std::string_view::npos;
  if (!countPlaceholders && !mayNeedRewrite(sql, options)) {
    if (placeholders) *placeholders = 0;
    return std::string(sql);
  }
  std::vector<Token> t = tokenize(sql);
  std::vector<Token> kept;
  kept.reserve(t.size());
  for (size_t i = 0; i < t.size(); ++i) {
    const bool followedBy = i + 1 < t.size();
    if (options.stripNationalPrefix && isWord(t[i], "N") && followedBy && t[i + 1].kind == Kind::Text) continue;
    if (options.stripOwnerPrefix && isOwner(t[i]) && followedBy && isPunct(t[i + 1], '.') &&
        (kept.empty() || !isPunct(kept.back(), '.'))) {
      ++i;
      continue;
    }
    if (options.ifNullForIsNull && isWord(t[i], "ISNULL")) {
      const size_t k = nextSolid(t, i + 1);
      if (k < t.size() && isPunct(t[k], '(')) {
        kept.push_back({Kind::Word, "IFNULL"});
        continue;
      }
    }
    kept.push_back(std::move(t[i]));
  }
  if (options.limitForTop) rewriteTop(kept);
  std::string out;
  out.reserve(sql.size() + 16);
  int placeholder = 0;
  for (const Token& tok : kept) {
    if (tok.kind == Kind::Placeholder) ++placeholder;
    if (options.numberedPlaceholders && tok.kind == Kind::Placeholder) out += "$" + std::to_string(placeholder);
    else if (options.lowerQuotedNames && tok.kind == Kind::QuotedName) out += lowerQuotedName(tok.text);
    else out += tok.text;
  }
  if (placeholders) *placeholders = placeholder;
  return out;
}

std::string quoteIdentifier(std::string_view name) {
  std::string out = "\"";
  for (char c : name) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

std::string plainTableName(std::string_view name) {
  std::string out;
  for (char c : name)
    if (c != '[' && c != ']' && c != '"') out += c;
  if (out.size() > 4 && equalsNoCase(std::string_view(out).substr(0, 4), "dbo.")) out.erase(0, 4);
  return trimBlanks(out);
}

}  // namespace platform::data

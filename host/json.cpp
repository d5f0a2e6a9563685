#include "host/json.h"

#include <cmath>
#include <cstdio>

#include "platform/data/recordset.h"
#include "platform/dictionary.h"
#include "platform/object.h"

namespace host {

using platform::Variant;
using platform::VarType;

namespace {

class Reader {
 public:
  explicit Reader(std::string_view s) : s_(s) {}

  bool value(Variant& out) {
    skip();
    if (at('"')) return string(out);
    if (at('[')) return array(out);
    if (literal("true")) return out = Variant(true), true;
    if (literal("false")) return out = Variant(false), true;
    if (literal("null")) return out = Variant::null(), true;
    return number(out);
  }
  bool done() {
    skip();
    return pos_ == s_.size();
  }

 private:
  bool at(char c) const { return pos_ < s_.size() && s_[pos_] == c; }
  void skip() {
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\n' || s_[pos_] == '\r')) ++pos_;
  }
  bool literal(std::string_view word) {
    if (s_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }
  bool string(Variant& out) {
    std::string text;
    ++pos_;
    while (pos_ < s_.size() && s_[pos_] != '"') {
      char c = s_[pos_++];
      if (c == '\\' && pos_ < s_.size()) {
        const char e = s_[pos_++];
        switch (e) {
          case 'n': c = '\n'; break;
          case 'r': c = '\r'; break;
          case 't': c = '\t'; break;
          case 'u': {
            if (pos_ + 4 > s_.size()) return false;
            const unsigned code = static_cast<unsigned>(std::stoul(std::string(s_.substr(pos_, 4)), nullptr, 16));
            pos_ += 4;
            if (code < 0x80) {
              text += static_cast<char>(code);
            } else if (code < 0x800) {
              text += static_cast<char>(0xC0 | (code >> 6));
              text += static_cast<char>(0x80 | (code & 0x3F));
            } else {
              text += static_cast<char>(0xE0 | (code >> 12));
              text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
              text += static_cast<char>(0x80 | (code & 0x3F));
            }
            continue;
          }
          default: c = e;
        }
      }
      text += c;
    }
    if (!at('"')) return false;
    ++pos_;
    out = Variant(text);
    return true;
  }
  bool array(Variant& out) {
    ++pos_;
    std::vector<Variant> items;
    skip();
    if (at(']')) {
      ++pos_;
      out = Variant::array(std::move(items));
      return true;
    }
    for (;;) {
      Variant item;
      if (!value(item)) return false;
      items.push_back(std::move(item));
      skip();
      if (at(',')) {
        ++pos_;
        continue;
      }
      if (!at(']')) return false;
      ++pos_;
      out = Variant::array(std::move(items));
      return true;
    }
  }
  bool number(Variant& out) {
    const size_t start = pos_;
    if (at('-')) ++pos_;
    bool digits = false, fraction = false;
    while (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_]))) ++pos_, digits = true;
    if (at('.')) {
      fraction = true;
      ++pos_;
      while (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_]))) ++pos_;
    }
    if (at('e') || at('E')) {
      fraction = true;
      ++pos_;
      if (at('+') || at('-')) ++pos_;
      while (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_]))) ++pos_;
    }
    if (!digits) return false;
    // JSON numbers have no leading zeros; and a whole number too long for a double to hold
    // exactly is an identifier, not an amount: both stay text.
    const std::string_view whole = s_.substr(start, pos_ - start);
    const size_t firstDigit = whole[0] == '-' ? 1 : 0;
    if (whole.size() > firstDigit + 1 && whole[firstDigit] == '0' && std::isdigit(static_cast<unsigned char>(whole[firstDigit + 1])))
      return false;
    if (!fraction && whole.size() - firstDigit > 15) return false;
    const double d = std::strtod(std::string(s_.substr(start, pos_ - start)).c_str(), nullptr);
    if (!fraction && d >= -2147483648.0 && d <= 2147483647.0) out = Variant(static_cast<int>(d));
    else out = Variant(d);
    return true;
  }

  std::string_view s_;
  size_t pos_ = 0;
};

std::string quote(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string pad(int indent) { return std::string(static_cast<size_t>(indent) * 2, ' '); }

std::string recordsetJson(platform::data::Recordset& rs, int indent) {
  if (rs.State() != platform::data::adStateOpen) return "\"<closed recordset>\"";
  // Walk a clone so the caller's position stays where it was.
  auto walk = rs.Clone(Variant(-1));
  std::string out = "[";
  bool first = true;
  if (!walk->empty()) {
    walk->MoveFirst();
    while (!walk->eof()) {
      out += std::string(first ? "" : ",") + "\n" + pad(indent + 1) + "{";
      for (int i = 0; i < walk->columnCount(); ++i) {
        out += std::string(i ? ", " : "") + quote(walk->columnInfo(i).name) + ": " +
               toJson(walk->field(i)->Value(), indent + 1);
      }
      out += "}";
      first = false;
      walk->MoveNext();
    }
  }
  return out + (first ? "]" : "\n" + pad(indent) + "]");
}

}  // namespace

Variant parseArgument(std::string_view text) {
  Reader r(text);
  Variant v;
  if (r.value(v) && r.done()) return v;
  return Variant(std::string(text));
}

std::string toJson(const Variant& value, int indent) {
  switch (value.type()) {
    case VarType::Empty:
    case VarType::Null:
    case VarType::Error: return "null";
    case VarType::Boolean: return value.rawBool() ? "true" : "false";
    case VarType::String: return quote(value.rawString());
    case VarType::Date: return quote(value.toDate().iso());
    case VarType::Array: {
      std::string out = "[";
      const auto& items = value.array().items;
      for (size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + toJson(items[i], indent);
      return out + "]";
    }
    case VarType::Object: {
      if (value.isNothing()) return "null";
      const auto& obj = value.rawObject();
      if (auto dict = std::dynamic_pointer_cast<platform::Dictionary>(obj)) {
        std::string out = "{";
        bool first = true;
        for (const auto& [k, v] : dict->entries()) {
          out += std::string(first ? "" : ",") + "\n" + pad(indent + 1) + quote(k.toString()) + ": " +
                 toJson(v, indent + 1);
          first = false;
        }
        return out + (first ? "}" : "\n" + pad(indent) + "}");
      }
      if (auto rs = std::dynamic_pointer_cast<platform::data::Recordset>(obj)) return recordsetJson(*rs, indent);
      return quote("<" + obj->typeName() + ">");
    }
    default: {
      const double d = value.toDouble();
      if (std::isfinite(d)) return value.toString();
      return "null";
    }
  }
}

}  // namespace host

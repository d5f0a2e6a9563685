#include "host/json.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "platform/data/recordset.h"
#include "platform/dictionary.h"
#include "platform/object.h"

namespace host {

using platform::Variant;
using platform::VarType;

namespace {

// A whole number of more than 15 digits is an identifier, which a Double cannot hold
// exactly: it stays text.
bool isLongWholeNumber(std::string_view digits) {
  if (!digits.empty() && digits.front() == '-') digits.remove_prefix(1);
  return digits.size() > 15 && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// `text` without the JSON blanks around it.
std::string_view withoutBlanks(std::string_view text) {
  const size_t from = text.find_first_not_of(" \t\n\r");
  if (from == std::string_view::npos) return {};
  return text.substr(from, text.find_last_not_of(" \t\n\r") - from + 1);
}

// Whether `text` is one JSON number and nothing else.
bool isNumberLiteral(std::string_view text) {
  size_t i = 0;
  const auto digits = [&] {
    const size_t from = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    return i > from;
  };
  if (i < text.size() && text[i] == '-') ++i;
  if (!digits()) return false;
  if (i < text.size() && text[i] == '.' && (++i, !digits())) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (!digits()) return false;
  }
  return i == text.size();
}

}  // namespace

// A JSON value as a Variant: whole numbers that fit 32 bits are Longs, other numbers Doubles,
// arrays arrays, objects dictionaries.
Variant fromJson(const Json& j, const JsonObjectReader& special) {
  switch (j.type()) {
    case Json::value_t::null: return Variant::null();
    case Json::value_t::boolean: return Variant(j.get<bool>());
    case Json::value_t::string: return Variant(j.get<std::string>());
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float: {
      const std::string text = j.dump();
      if (isLongWholeNumber(text)) return Variant(text);
      const double d = j.get<double>();
      if (!std::isfinite(d)) throw std::invalid_argument("a number beyond the range of a Double");
      if (!j.is_number_float() && d >= -2147483648.0 && d <= 2147483647.0) return Variant(static_cast<int>(d));
      return Variant(d);
    }
    case Json::value_t::array: {
      std::vector<Variant> items;
      items.reserve(j.size());
      for (const Json& item : j) items.push_back(fromJson(item, special));
      return Variant::array(std::move(items));
    }
    case Json::value_t::object: {
      if (special)
        if (std::optional<Variant> v = special(j)) return std::move(*v);
      auto dict = platform::makeObject<platform::Dictionary>();
      for (const auto& [key, item] : j.items()) dict->Add(Variant(key), fromJson(item, special));
      return Variant(dict);
    }
    default: throw std::invalid_argument("a value no call can take");
  }
}

namespace {

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
  // Numbers with leading zeros are no JSON and stay text, as every other bare word does.
  if (isLongWholeNumber(text)) return Variant(std::string(text));
  Json j;
  try {
    j = Json::parse(text);
  } catch (const Json::out_of_range&) {
    // A number out of range, alone or in an array or object, is refused; a bare word that only
    // starts like one ("1E515EB4...", an identifier) is text.
    const std::string_view bare = withoutBlanks(text);
    const bool structured = !bare.empty() && (bare.front() == '[' || bare.front() == '{');
    if (structured || isNumberLiteral(bare)) throw std::invalid_argument("a number beyond the range of a Double");
    return Variant(std::string(text));
  } catch (const Json::exception&) {
    return Variant(std::string(text));  // not JSON
  }
  return fromJson(j);
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

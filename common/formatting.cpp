#include "common/formatting.h"

#include <cctype>
#include <cstdint>
#include <cstring>

#include "common/encoding.h"
#include "common/error_handling.h"
#include "common/lib_sales.h"
#include "common/site_user_product.h"
#include "platform/context.h"

namespace merxa {

namespace {

constexpr const char* kEuroSign = "\xE2\x82\xAC";  // U+20AC

void replaceAll(std::string& text, const std::string& find, const std::string& with) {
  for (size_t at = text.find(find); at != std::string::npos; at = text.find(find, at + with.size()))
    text.replace(at, find.size(), with);
}

// The length of the entity or character reference at text[at] ("&amp;", "&#8364;", "&#x20AC;"),
// or 0 when the "&" there starts none.
size_t referenceLength(const std::string& text, size_t at) {
  const size_t end = text.find(';', at);
  if (end == std::string::npos) return 0;
  const std::string body = text.substr(at + 1, end - at - 1);
  if (body == "amp" || body == "lt" || body == "gt" || body == "apos" || body == "quot") return end - at + 1;
  const bool hex = body.size() > 2 && body[0] == '#' && (body[1] == 'x' || body[1] == 'X');
  const size_t first = hex ? 2 : 1;
  if (body.size() <= first || body[0] != '#') return 0;
  for (size_t i = first; i < body.size(); ++i) {
    const auto c = static_cast<unsigned char>(body[i]);
    if (!(hex ? std::isxdigit(c) : std::isdigit(c))) return 0;
  }
  return end - at + 1;
}

// The message manager the web application keeps in its state; Nothing outside a host.
ObjectPtr applicationMessageManager(const Variant& context) {
  Variant application = context.toObject()->call("Item", {Variant("Application")});
  const Variant* manager = application.as<platform::Dictionary>()->find(Variant("I18NMessageManager"));
  if (!manager) platform::raiseVb(platform::vb::ObjectNotSet, "Lib_Sales", "The application has no message manager");
  return manager->toObject();
}

}  // namespace

std::string Sls_ReplaceForbiddenXMLTokens(const Variant& value) {
  return guarded(
      "Lib_Sales.Sls_ReplaceForbiddenXMLTokens",
      [&] {
        std::string out;
        if (!value.isNull() && !value.isEmpty()) appendXMLText(out, value.toString());
        return out;
      },
      [&] { return "failed with '" + value.toString() + "'"; });
}

namespace {

// Whether any byte of the word is `c`.
constexpr bool holdsByte(uint64_t word, unsigned char c) {
  constexpr uint64_t ones = 0x0101010101010101ull;
  const uint64_t v = word ^ (ones * c);
  return ((v - ones) & ~v & (ones << 7)) != 0;
}

// The position of the first "&", "<" or ">" in `text`, or its size when it holds none: most
// texts hold none, and are read eight bytes at a time.
size_t firstForbidden(std::string_view text) {
  const auto holdsForbidden = [](uint64_t word) {
    return holdsByte(word, '&') || holdsByte(word, '<') || holdsByte(word, '>');
  };
  size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    uint64_t word;
    std::memcpy(&word, text.data() + i, 8);
    if (holdsForbidden(word)) break;
  }
  if (i < text.size() && i + 8 > text.size()) {  // the last few bytes, padded with zeros
    uint64_t word = 0;
    std::memcpy(&word, text.data() + i, text.size() - i);
    if (!holdsForbidden(word)) return text.size();
  }
  while (i < text.size() && text[i] != '&' && text[i] != '<' && text[i] != '>') ++i;
  return i;
}

}  // namespace

void appendXMLText(std::string& out, std::string_view text) {
  size_t plain = 0;  // start of the run not yet copied
  for (size_t i = firstForbidden(text); i < text.size(); ++i) {
    const char* entity = text[i] == '&' ? "&amp;" : text[i] == '<' ? "&lt;" : text[i] == '>' ? "&gt;" : nullptr;
    if (!entity) continue;
    out.append(text, plain, i - plain).append(entity);
    plain = i + 1;
  }
  out.append(text, plain, text.size() - plain);
}

std::string Sls_XMLCaption(const std::string& caption) {
  std::string out;
  out.reserve(caption.size());
  for (size_t i = 0; i < caption.size(); ++i) {
    const char c = caption[i];
    if (c == '&') {
      const size_t length = referenceLength(caption, i);
      if (length == 0) {
        out += "&amp;";
      } else {
        out.append(caption, i, length);
        i += length - 1;
      }
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '\'') {
      out += "&apos;";
    } else {
      out += c;
    }
  }
  return out;
}

std::string Sls_FormatDate(platform::Date value, int32_t localeId) {
  return guarded(
      "Lib_Sales.Sls_FormatDate",
      [&] {
        ObjectPtr dataFunctions = Sls_GetComponent("CorvoLibrary.DataFunctions");
        return dataFunctions->call("DateTime", {Variant(value), Variant(localeId)}).toString();
      },
      [&] { return "Failed to format " + Variant(value).toString() + " for locale: " + std::to_string(localeId); });
}

std::string Sls_FormatDateTime(const Variant& value, int32_t localeId) {
  return guarded(
      "Lib_Sales.Sls_FormatDateTime",
      [&] {
        ObjectPtr dataFunctions = Sls_GetComponent("CorvoLibrary.DataFunctions");
        return dataFunctions->call("DateTime", {value, Variant(localeId), Variant(true)}).toString();
      },
      [&] { return "Failed to format " + value.toString() + " for locale: " + std::to_string(localeId); });
}

Variant Sls_FormatDateTemplate(const Variant& parts, int32_t localeId) {
  return guarded("Lib_Sales.Sls_FormatDateTemplate()", [&] {
    const platform::SafeArray& p = parts.array();
    std::string sample = Sls_FormatDate(Variant("12/31/2000").toDate(), localeId);
    if (sample.find("2000") != std::string::npos) replaceAll(sample, "2000", p.at(0).toString());
    else replaceAll(sample, "00", p.at(1).toString());
    replaceAll(sample, "12", p.at(2).toString());
    replaceAll(sample, "31", p.at(3).toString());
    return Variant("[" + sample + "]");
  });
}

std::string Sls_FormatPrice(const Variant& value, bool euroPrefix, int32_t localeId, const ObjectPtr& dataFunctions,
                            int32_t style) {
  return guarded("Sls_FormatPrice", [&] {
    if (value.isNull() || value.isEmpty()) return std::string();
    const Variant amount(value.toDouble());
    if (euroPrefix) return "Eur " + dataFunctions->call("FormatNumber", {amount, Variant(localeId)}).toString();
    return dataFunctions->call("CurrencySymbol", {Variant(localeId)}).toString() + " " +
           dataFunctions->call("FormatCurrency", {amount, Variant(localeId), Variant(style)}).toString();
  });
}

const std::string& DocumentCaptions::operator()(const char* code) {
  auto [it, added] = captions_.try_emplace(code);
  if (added) it->second = Sls_XMLCaption(raw(code).toString());
  return it->second;
}

Variant DocumentCaptions::raw(const char* code) const {
  if (!getMessage_) getMessage_.emplace(manager_, "GetMessage");
  platform::Args args{Variant(code), Variant(locale_)};
  return (*getMessage_)(args);
}

std::string FormatPriceDecimals(const Variant& value, int16_t localeId, const ObjectPtr& dataFunctions) {
  return PriceDecimals(dataFunctions, localeId)(value);
}

PriceDecimals::PriceDecimals(ObjectPtr dataFunctions, int16_t localeId)
    : dataFunctions_(std::move(dataFunctions)), args_{Variant(0.0), Variant::integer(localeId)} {}

std::string PriceDecimals::operator()(const Variant& value) {
  return guarded("Basket.FormatPriceDecimals", [&] {
    if (value.isNull() || value.isEmpty()) return std::string();
    if (!formatNumber_) formatNumber_.emplace(dataFunctions_, "FormatNumber");
    args_[0] = Variant(value.toDouble());
    return (*formatNumber_)(args_).toString();
  });
}

std::string Sls_GetCurrencySymol(const std::string& code) {
  return guarded("Lib_Sales.Sls_GetCurrencySymol", [&] {
    ObjectPtr currency = Sls_GetComponent("CorvoCommon.Currency");
    auto properties = currency->call("GetCurrencyProperties", {Variant(code)}).as<platform::Dictionary>();
    currency->call("Close");
    const Variant localeId = properties->Item(Variant("LOCALEID"));
    if (localeId.isNull() || properties->Item(Variant("EURO")).toBool()) return std::string(kEuroSign);
    return Sls_DataFunctions()->call("CurrencySymbol", {localeId}).toString();
  });
}

platform::DictionaryPtr Sls_getI18N(const Variant& codes, const std::string& user, const Variant& locale) {
  try {
    Variant captionLocale = locale;
    if (!Sls_HasValue(captionLocale)) {
      std::string helpEmail;
      captionLocale = Sls_CreateUserObject(user, nullptr, helpEmail)->call("LocaleID");
    }
    auto result = platform::makeObject<platform::Dictionary>();
    const platform::SafeArray& wanted = codes.array();

    const Variant context = platform::makeObject<platform::AppServer>()->GetObjectContext();
    if (!context.isNothing()) {
      ObjectPtr manager = applicationMessageManager(context);
      for (const Variant& code : wanted.items) {
        // A code asked for twice is answered once.
        if (!result->Exists(code)) result->Add(code, manager->call("GetMessage", {code, captionLocale}));
      }
      return result;
    }

    platform::data::RecordsetPtr rs;
    if (!wanted.items.empty()) {
      std::string sql = "Select LABEL, TEXT " + std::string(" From I18NTEXT ") +
                        " Where LOCALEID = " + SqlLiteralLong(captionLocale.toLong()) + " AND ( ";
      for (size_t i = 0; i < wanted.items.size(); ++i)
        sql += "LABEL = " + SqlLiteralText(wanted.items[i].toString()) + (i + 1 < wanted.items.size() ? " OR " : " )");
      rs = Sls_GetDisconnectedRecordset(sql, Sls_ConnectionString());
    }
    if (!rs || rs->empty()) {
      LogError("No Labels present for User/Locale:" + user + " locale: " + captionLocale.toString());
      return platform::DictionaryPtr();
    }
    for (; !rs->eof(); rs->MoveNext()) result->Add(rs->value("LABEL"), rs->value("TEXT"));
    return result;
  } catch (...) {
    LogError("Merxa.Lib_Sales.Sls_getI18N()", Variant("Reading of Labels failed"));
    return platform::DictionaryPtr();
  }
}

}  // namespace merxa

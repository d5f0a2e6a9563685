#include "enterprise/message_manager.h"

#include <cctype>

#include "enterprise/sales_database.h"
#include "enterprise/sql_encoder.h"

namespace enterprise {

using platform::Variant;

namespace {

constexpr const char* kSource = "Corvane.MessageManager";

// The locale identifier written as text ("1033"; blanks around it are allowed).
int32_t localeIdOf(const Variant& locale) {
  if (locale.isNumber()) return locale.toLong();
  const std::string text = locale.isNull() || locale.isMissing() ? std::string() : locale.toString();
  size_t first = text.find_first_not_of(' ');
  size_t last = text.find_last_not_of(' ');
  bool digits = first != std::string::npos && last - first < 9;
  for (size_t i = first; digits && i <= last; ++i) digits = std::isdigit(static_cast<unsigned char>(text[i])) != 0;
  if (!digits) platform::raiseError(kUnknownCaptionLocale, kSource, "Unknown caption locale '" + text + "'");
  return std::stoi(text.substr(first, last - first + 1));
}

}  // namespace

const platform::DispatchTable& MessageManager::dispatch() const {
  static const platform::DispatchTable table =
      platform::Members<MessageManager>(kSource).method("GetMessage", &MessageManager::GetMessage);
  return table;
}

std::string MessageManager::GetMessage(const std::string& code, const Variant& locale) {
  const Captions& captions = captionsOf(localeIdOf(locale));
  const auto found = captions.find(code);
  return found == captions.end() ? code : found->second;
}

const MessageManager::Captions& MessageManager::captionsOf(int32_t localeId) {
  const auto known = byLocale_.find(localeId);
  if (known != byLocale_.end()) return known->second;
  Captions captions;
  auto rs = SalesSession().query("SELECT LABEL, TEXT FROM I18NTEXT WHERE LOCALEID = " + sqlLong(localeId));
  for (; !rs->eof(); rs->MoveNext()) {
    const Variant text = rs->value("TEXT");
    captions.emplace(rs->value("LABEL").toString(), text.isNull() ? std::string() : text.toString());
  }
  return byLocale_.emplace(localeId, std::move(captions)).first->second;
}

}  // namespace enterprise

// Message manager ("Corvane.MessageManager"): the captions of the shop's pages and documents
// in the users' languages, kept in the table I18NTEXT of the sales database (LOCALEID, a
// Windows locale identifier; LABEL, the message code; TEXT, the caption).
//
// GetMessage(code, locale) answers the caption of `code` in `locale` (the identifier as text,
// "1031"). The first request for a locale reads all its captions in one statement and keeps
// them for the object's life; a host keeps one manager for the web application
// ("I18NMessageManager" of the application state), so captions are read once per language.
// A code without a caption in the locale answers the code itself, which shows on the page
// what is missing; a locale that is not a number fails with kUnknownCaptionLocale.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/object.h"

namespace enterprise {

constexpr int32_t kUnknownCaptionLocale = static_cast<int32_t>(0x80040611);

class MessageManager : public platform::Object {
 public:
  const platform::DispatchTable& dispatch() const override;

  std::string GetMessage(const std::string& code, const platform::Variant& locale);

 private:
  using Captions = std::map<std::string, std::string>;
  const Captions& captionsOf(int32_t localeId);

  std::map<int32_t, Captions> byLocale_;
};

}  // namespace enterprise

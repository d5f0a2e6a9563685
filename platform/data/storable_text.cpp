#include "platform/data/storable_text.h"

#include <cstdint>
#include <cstring>

#include "platform/data/connection.h"

namespace platform::data {

const char* unstorableText(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    // Eight ASCII characters without a NUL at a time: most statements are nothing else.
    if (end - p >= 8) {
      uint64_t word;
      std::memcpy(&word, p, sizeof word);
      const bool ascii = (word & 0x8080808080808080ULL) == 0;
      const bool noNul = ((word - 0x0101010101010101ULL) & ~word & 0x8080808080808080ULL) == 0;
      if (ascii && noNul) {
        p += 8;
        continue;
      }
    }
    const unsigned char c = *p;
    if (c < 0x80) {
      if (c == 0) return "holds a NUL character";
      ++p;
      continue;
    }
    // Lead byte: the length of the sequence and the smallest code point it may carry, so that
    // overlong forms, surrogates and code points past U+10FFFF are refused as well.
    int length;
    uint32_t code, least;
    if (c >= 0xC2 && c <= 0xDF) length = 2, code = c & 0x1F, least = 0x80;
    else if (c >= 0xE0 && c <= 0xEF) length = 3, code = c & 0x0F, least = 0x800;
    else if (c >= 0xF0 && c <= 0xF4) length = 4, code = c & 0x07, least = 0x10000;
    else return "is not valid UTF-8";
    if (end - p < length) return "is not valid UTF-8";
    for (int i = 1; i < length; ++i) {
      if ((p[i] & 0xC0) != 0x80) return "is not valid UTF-8";
      code = (code << 6) | (p[i] & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return "is not valid UTF-8";
    p += length;
  }
  return nullptr;
}

void refuseText(Connection& cn, const std::string& what, const char* reason) {
  ProviderError e;
  e.description = what + " " + reason + ".";
  e.number = kProviderError;
  e.source = cn.State() == adStateOpen ? cn.provider().name() : "ADODB.Connection";
  e.sqlState = "22021";
  cn.fail(e);
}

}  // namespace platform::data

// What text both databases store alike. The server refuses text that is not UTF-8 or holds a
// NUL character while the embedded engine would store it as it is; so the data layer refuses
// such text itself, before any statement runs, with the same error on every provider.
#pragma once

#include <string>
#include <string_view>

namespace platform::data {

// Why `text` cannot be stored ("is not valid UTF-8", "holds a NUL character"), or null when
// it can.
const char* unstorableText(std::string_view text);

// The error a refused text raises: kProviderError with SQL state 22021 (character not in
// repertoire), its description "<what> <reason>.", e.g. "Column LINETEXT of row 3 of
// ORDERLINE holds a NUL character.".
class Connection;
[[noreturn]] void refuseText(Connection& cn, const std::string& what, const char* reason);

}  // namespace platform::data

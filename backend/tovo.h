// Tovo type codes: which release of the ERP's business components an ERP instance talks to.
//
//   code   release  ProgID prefix      VersionInfo
//   "tv4"  4.0c     "Q40cMXLStdsls"    "Tesk4", "c", "4", ""
//   "tv5"  5.0c     "Q50cMXLStdsls"    "Tesk5", "c", "0", ""
//
// Codes are compared exactly: " tv5" and "TV5" are not supported (callers that read a code
// from the backend selector lower-case it first).
#pragma once

#include <cstdint>
#include <string>

namespace merxalink {

// The error number of an unsupported type code, next after the sales tier's own numbers
// (vbObjectError + 353).
constexpr int32_t UnsupportedTovoType = static_cast<int32_t>(0x80040161);

struct TovoRelease {
  const char* code;
  const char* progIdPrefix;
  const char* version;
  const char* release;
  const char* subRelease;
  const char* customization;
};

// The release of `tovoType`, or null when the code is not supported.
const TovoRelease* findTovoRelease(const std::string& tovoType);

// Raises UnsupportedTovoType from `source`: "Connection to Tovo type <code trimmed> not supported".
[[noreturn]] void raiseUnsupportedTovoType(const std::string& tovoType, const std::string& source);

}  // namespace merxalink

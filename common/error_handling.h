// The error convention of every routine of the tier: a routine that fails wraps the error
// with its own qualified name, logs it through the enterprise log and raises it again, so the
// caller receives one error whose number and source are those of the first failure and whose
// description holds one block per routine it passed, the outermost first.
//
// A routine uses the convention through `guarded` only:
//
//   return guarded("Merxa.Basket.Restore()", [&] { ... });
//   guarded("Lib_Sales.Sls_GetDisconnectedRecordset", [&] { ... }, [&] { return info; });
//
// Resources are released by their destructors while the failure unwinds, before the routine's
// block is written, as the original released them first in its handler.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/data/connection.h"
#include "platform/error.h"
#include "platform/value.h"

namespace merxa {

using platform::Variant;

// What the running code's Err object holds: the error being handled.
struct ErrorRecord {
  int32_t number = 0;  // as raised (HRESULT form)
  std::string source;
  std::string description;
  std::string helpFile;
  int32_t helpContext = 0;

  int32_t errNumber() const;  // as VB code reads Err.Number
};

// The error currently being handled (inside a catch block), or a record with number 0.
ErrorRecord currentError();

// Wraps, logs and re-raises the error being handled. Does nothing when there is none (then
// it returns). `info` is Missing when the routine has no details.
void RaiseError(const std::string& method, const Variant& info = Variant::missing());

// Log the error being handled (or "Not an actual error") at level 0 / 2.
void LogError(const std::string& method, const Variant& info = Variant::missing());
void LogWarning(const std::string& method, const Variant& info = Variant::missing());
void LogAtLevel(int32_t& level, const std::string& method, const Variant& info = Variant::missing());

// CR LF "ERROR 0x<hex>" CR LF " METHOD: <method>" CR LF " DESC: <description>." CR LF
// [" INFO: <info>." CR LF]
std::string FormatErrorMessage(const std::string& description, int32_t number, const std::string& method,
                               const Variant& info = Variant::missing());

// "Error(s) from connection object:  (1)<desc>[<number>] (2)..." or "".
std::string ConnectionErrorsText(const Variant& connection);
std::string ConnectionErrorsText(const platform::data::ConnectionPtr& connection);

// Raises a new error of the tier's own (a MerxaError number) from `source`.
[[noreturn]] void raiseMerxa(int32_t number, const std::string& source, const std::string& description);

// The routine's name is only made into text when it fails: routines called hundreds of times
// per document pay nothing for it.
template <class Body>
auto guarded(std::string_view method, Body&& body) -> decltype(body()) {
  try {
    return body();
  } catch (...) {
    RaiseError(std::string(method));
    throw;  // not reached: an error is always current here
  }
}

template <class Body, class Info>
auto guarded(std::string_view method, Body&& body, Info&& info) -> decltype(body()) {
  try {
    return body();
  } catch (...) {
    Variant details;
    try {
      details = Variant(info());
    } catch (...) {
      details = Variant::missing();
    }
    RaiseError(std::string(method), details);
    throw;
  }
}

}  // namespace merxa

#include "common/error_handling.h"

#include <exception>
#include <new>

#include "common/lib_sales.h"
#include "platform/data/connection.h"

namespace merxa {

using platform::ComError;

namespace {

// Set while this thread writes a log entry. A failure inside the log (the log component
// cannot be created, say) runs the convention again; this stops it from logging in turn,
// which would never end.
thread_local bool loggingNow = false;

void writeLog(int32_t level, const std::string& source, const std::string& message) {
  if (loggingNow) return;
  loggingNow = true;
  try {
    platform::ObjectPtr log = Sls_GetComponent("Corvane.Log");
    log->call("WriteEntry", {Variant(source), Variant(message), Variant(static_cast<int>(level)), Variant()});
  } catch (...) {
    // A log that cannot be written must not hide the error being reported.
  }
  loggingNow = false;
}

void logRecord(int32_t level, const ErrorRecord& err, const std::string& method, const Variant& info) {
  if (err.number != 0) {
    writeLog(level, err.source, FormatErrorMessage(err.description, err.errNumber(), method, info));
  } else {
    writeLog(level, method, FormatErrorMessage("Not an actual error", 0, method, info));
  }
}

}  // namespace

int32_t ErrorRecord::errNumber() const {
  return ComError(number, {}, {}).errNumber();
}

ErrorRecord currentError() {
  ErrorRecord r;
  std::exception_ptr p = std::current_exception();
  if (!p) return r;
  try {
    std::rethrow_exception(p);
  } catch (const ComError& e) {
    r = {e.number, e.source, e.description, e.helpFile, e.helpContext};
  } catch (const std::bad_alloc&) {
    r.number = platform::vbError(platform::vb::OutOfMemory);
    r.source = "Merxa";
    r.description = platform::vbErrorText(platform::vb::OutOfMemory);
  } catch (const std::exception& e) {
    r.number = platform::E_FAIL_;
    r.source = "Merxa";
    r.description = e.what();
  } catch (...) {
    r.number = platform::E_FAIL_;
    r.source = "Merxa";
    r.description = "Unspecified error";
  }
  return r;
}

std::string FormatErrorMessage(const std::string& description, int32_t number, const std::string& method,
                               const Variant& info) {
  std::string text = "\r\nERROR 0x" + platform::hexNumber(number) + "\r\n METHOD: " + method + "\r\n DESC: " +
                     description + ".\r\n";
  if (!info.isMissing()) {
    std::string infoText;
    try {
      infoText = info.toString();
    } catch (...) {
      infoText = info.isNull() ? "Null" : "";
    }
    text += " INFO: " + infoText + ".\r\n";
  }
  return text;
}

void RaiseError(const std::string& method, const Variant& info) {
  ErrorRecord err = currentError();
  err.description = FormatErrorMessage(err.description, err.errNumber(), method, info);
  if (err.number == 0) return;
  logRecord(0, err, method, info);
  throw ComError(err.number, err.source, err.description, err.helpFile, err.helpContext);
}

void LogAtLevel(int32_t& level, const std::string& method, const Variant& info) {
  logRecord(level, currentError(), method, info);
}

void LogError(const std::string& method, const Variant& info) {
  int32_t level = 0;
  LogAtLevel(level, method, info);
}

void LogWarning(const std::string& method, const Variant& info) {
  int32_t level = 2;
  LogAtLevel(level, method, info);
}

std::string ConnectionErrorsText(const platform::data::ConnectionPtr& connection) {
  std::string text;
  if (!connection) return text;
  auto errors = connection->GetErrors();
  if (!errors || errors->Count() == 0) return text;
  text = "Error(s) from connection object: ";
  for (int32_t i = 0; i < errors->Count(); ++i) {
    auto e = errors->Item(i);
    text += " (" + std::to_string(i + 1) + ")" + e->Description() + "[" + std::to_string(e->Number()) + "]";
  }
  return text;
}

std::string ConnectionErrorsText(const Variant& connection) {
  if (!connection.isObject() || connection.isNothing()) return {};
  auto cn = std::dynamic_pointer_cast<platform::data::Connection>(connection.rawObject());
  return ConnectionErrorsText(cn);
}

void raiseMerxa(int32_t number, const std::string& source, const std::string& description) {
  throw ComError(number, source, description);
}

}  // namespace merxa

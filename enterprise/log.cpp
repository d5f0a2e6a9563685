#include "enterprise/log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "enterprise/config_store.h"

namespace enterprise {

namespace {

constexpr const char* kSource = "Corvane.Log";
constexpr int kPathFileAccessError = 75;

const char* levelName(int32_t level) {
  switch (level) {
    case 0:
      return "error";
    case 1:
      return "information";
    case 2:
      return "warning";
    default:
      return "other";
  }
}

// The text of the optional last argument; objects and arrays have none worth writing.
std::string extraText(const platform::Variant& extra) {
  if (extra.isEmpty() || extra.isMissing() || extra.isNull() || extra.isObject() || extra.isArray()) return {};
  return extra.toString();
}

}  // namespace

std::string logFilePath() {
  if (const char* p = std::getenv("CORVANE_LOG"); p && *p) return p;
  return corvaneHome() + "/log/merxa.log";
}

const platform::DispatchTable& Log::dispatch() const {
  static const platform::DispatchTable table =
      platform::Members<Log>(kSource).method("WriteEntry", &Log::WriteEntry, 1);
  return table;
}

void Log::WriteEntry(const std::string& source, const std::string& message, int32_t level,
                     const platform::Variant& extra) {
  std::string entry = "=== " + platform::Date::now().iso() + " level " + std::to_string(level) + " (" +
                      levelName(level) + ") " + source + "\n" + message + "\n";
  if (std::string e = extraText(extra); !e.empty()) entry += "extra: " + e + "\n";
  entry += "\n";

  const std::filesystem::path path = logFilePath();
  std::error_code ec;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    const int err = errno;
    platform::raiseVb(err == EACCES ? platform::vb::PermissionDenied : platform::vb::PathNotFound, kSource,
                      "Cannot open log file " + path.string() + ": " + std::generic_category().message(err));
  }
  ssize_t written;
  do {
    written = ::write(fd, entry.data(), entry.size());
  } while (written < 0 && errno == EINTR);
  const int err = written < 0 ? errno : ENOSPC;  // a short write to a file means it is full
  ::close(fd);
  if (written != static_cast<ssize_t>(entry.size()))
    platform::raiseVb(kPathFileAccessError, kSource,
                      "Cannot write log file " + path.string() + ": " + std::generic_category().message(err));
}

}  // namespace enterprise

// A Corvane home of a test's own: a temporary folder that CORVANE_HOME points at while the
// object lives.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/scoped_env.h"

namespace enterprisetest {

class TempHome {
 public:
  TempHome() : path_(makeFolder()), env_("CORVANE_HOME", path_.string()) {}
  ~TempHome() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }

  const std::filesystem::path& path() const { return path_; }

  // Writes `text` to a file below the home, making folders as needed; returns its path.
  std::string write(const std::string& relative, const std::string& text) const {
    const auto file = path_ / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
    return file.string();
  }

 private:
  static std::filesystem::path makeFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "corvane-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    return pattern;
  }

  std::filesystem::path path_;
  testsupport::ScopedEnv env_;
};

}  // namespace enterprisetest

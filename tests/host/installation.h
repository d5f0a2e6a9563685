// A fresh installation for the tests that run the merxa command as a process.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "platform/data/connection.h"

namespace hosttest {

namespace fs = std::filesystem;

// A new installation made by `merxa setup`, with the demonstration data; empty if setup failed.
inline fs::path freshInstallation(const std::string& name) {
  const fs::path home = fs::temp_directory_path() / ("merxa-host-test-" + name + "-" + std::to_string(getpid()));
  fs::remove_all(home);
  fs::create_directories(home);
  const std::string setup = "CORVANE_HOME='" + home.string() + "' " + MERXA_COMMAND + " setup --home '" +
                            home.string() + "' >/dev/null 2>&1";
  return std::system(setup.c_str()) == 0 ? home : fs::path();
}

inline platform::data::ConnectionPtr salesOf(const fs::path& home) {
  auto sales = platform::makeObject<platform::data::Connection>();
  sales->open("Provider=SQLite;Data Source=" + (home / "merxa" / "." / "sales.db").string());
  return sales;
}

}  // namespace hosttest

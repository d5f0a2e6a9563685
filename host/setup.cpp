#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "host/commands.h"
#include "platform/data/connection.h"
#include "platform/object.h"
#include "schema/schema.h"

namespace host {

namespace fs = std::filesystem;

namespace {

bool hasFlag(const Arguments& args, const std::string& flag) {
  for (const auto& a : args)
    if (a == flag) return true;
  return false;
}

void writeFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

std::string corvaneHome(const Arguments& args) {
  for (size_t i = 0; i + 1 < args.size(); ++i)
    if (args[i] == "--home") return fs::absolute(args[i + 1]).string();
  if (const char* env = std::getenv("CORVANE_HOME"); env && *env) return fs::absolute(env).string();
  const char* home = std::getenv("HOME");
  return std::string(home ? home : ".") + "/.corvane";
}

int runSetup(const Arguments& args) {
  const fs::path home = corvaneHome(args);
  const fs::path dir = home / "merxa";
  const fs::path configDir = dir / "config";
  const fs::path database = dir / "sales.db";
  const bool force = hasFlag(args, "--force");
  if (fs::exists(database) && !force) {
    std::fprintf(stderr, "merxa setup: %s already exists; use --force to replace it\n", database.c_str());
    return 1;
  }
  try {
    fs::create_directories(configDir);
    for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(database.string() + suffix);

    const std::string connectionString = "Provider=SQLite;Data Source=" + database.string();
    auto cn = platform::makeObject<platform::data::Connection>();
    cn->open(connectionString);
    cn->BeginTrans();
    for (const std::string& statement : schema::statements(schema::salesSchemaSql())) cn->executeNoRecords(statement);
    for (const std::string& statement : schema::statements(schema::demoDataSql())) cn->executeNoRecords(statement);
    cn->CommitTrans();
    cn->Close();

    writeFile(configDir / "MerxaConfiguration.xml", schema::merxaConfigurationXml(connectionString));
    writeFile(configDir / "siteconfiguration.xml", schema::siteConfigurationXml());
    writeFile(home / "installations.xml", schema::installationsXml({{"default", configDir.string()}}));
    std::printf("sales database: %s\nconfiguration:  %s\ninstallation home: %s\n", database.c_str(),
                configDir.c_str(), home.c_str());
    return 0;
  } catch (const platform::ComError& e) {
    std::fprintf(stderr, "merxa setup: 0x%s %s\n", platform::hexNumber(e.number).c_str(), e.description.c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "merxa setup: %s\n", e.what());
  }
  return 1;
}

}  // namespace host

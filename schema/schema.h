// The sales database's schema, demonstration data and configuration templates, built into the
// programs that set up an installation (the host's setup command, the test fixtures).
//
// The texts are the files of this folder, embedded at build time: <dialect>/*.sql (the
// CREATE TABLE statements of one database dialect), demo_data.sql (INSERTs every dialect
// reads), demo_captions.sql (the captions of the message manager), templates/*.xml and
// tables.txt (the one list of tables).
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace schema {

// Every CREATE TABLE of the dialect of `provider` ("SQLite", "PostgreSQL"; letter case
// ignored). Throws std::invalid_argument for a provider without a schema.
std::string salesSchemaSql(std::string_view provider = "SQLite");

// The demonstration data and captions, as one script.
std::string demoDataSql();

// The tables, business tables first (in the order tables.txt gives).
std::vector<std::string> tableNames();

// The statements of a script, split at ";" outside quotes, comments removed, blank
// statements dropped.
std::vector<std::string> statements(std::string_view script);

// A complete MerxaConfiguration.xml naming `connectionString`, with every sales parameter
// at its default.
std::string merxaConfigurationXml(const std::string& connectionString);

std::string siteConfigurationXml();

// installations.xml listing one Merxa installation per (name, configuration directory), in
// the given order.
std::string installationsXml(const std::vector<std::pair<std::string, std::string>>& nameAndConfigDir);

}  // namespace schema

// The sales database's schema, demonstration data and configuration templates, built into the
// programs that set up an installation (the host's setup command, the test fixtures).
//
// The texts are the files of this folder, embedded at build time: <dialect>/*.sql (the
// CREATE TABLE statements of one database dialect), demo_data.sql (INSERTs every dialect
// reads), demo_captions.sql (the captions of the message manager), templates/*.xml and
// tables.txt (the one list of tables). erp/ holds the same for the ERP stand-in's own database.
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

// The ERP's database: its CREATE TABLEs, demonstration data and tables, as above.
std::string erpSchemaSql(std::string_view provider = "SQLite");
std::string erpDemoDataSql();
std::vector<std::string> erpTableNames();

// Where the ERP's database lives, found from the sales database's connection string: on the
// embedded database the file "erp.db" in the folder of the sales file; on PostgreSQL the same
// server in the schema "<sales schema>_erp", or "erp" when the sales tables have no schema of
// their own. Other properties of the string are kept.
std::string erpConnectionString(const std::string& salesConnectionString);

// What must be run on the sales connection before the ERP's tables can be made (on PostgreSQL,
// creating the ERP's schema); `drop` gives the statements that remove it again instead.
std::vector<std::string> erpDatabaseStatements(const std::string& salesConnectionString, bool drop = false);

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

#include "enterprise/configurator.h"

#include <algorithm>
#include <cstdio>

#include "enterprise/sales_database.h"
#include "enterprise/sql_encoder.h"
#include "platform/guid.h"

namespace enterprise {

using platform::Variant;

namespace {

constexpr const char* kSource = "CorvoConfigurator.Configurator";

// The row of a configuration; fails when there is none.
platform::data::RecordsetPtr readConfiguration(SalesSession& db, const std::string& configId) {
  const std::string id = platform::trimBlanks(configId);
  auto rs = db.query(
      "SELECT CONFIGID, PRODUCT, COMPLETE, PRICESTATUS, PRICE, PRICECURRENCY, DESCRIPTION "
      "FROM PRODUCTCONFIGURATION WHERE CONFIGID = " +
      sqlText(id));
  if (rs->empty()) platform::raiseError(kConfigurationNotFound, kSource, "Configuration '" + id + "' does not exist");
  return rs;
}

platform::data::RecordsetPtr readOptions(SalesSession& db, const Variant& configId) {
  return db.query(
      "SELECT SEQUENCENUMBER, FEATURECODE, FEATUREDESCRIPTION, OPTIONVALUE FROM PRODUCTCONFIGURATIONOPTION "
      "WHERE CONFIGID = " +
      sqlLiteralOf(configId) + " ORDER BY SEQUENCENUMBER");
}

Variant configurationValue(const std::string& configId, const char* column) {
  SalesSession db;
  return readConfiguration(db, configId)->value(column);
}

std::string newConfigId() {
  platform::Guid g;
  if (!platform::newGuid(g)) platform::raiseError(platform::E_FAIL_, kSource, "No GUID for a new configuration");
  char buf[40];
  std::snprintf(buf, sizeof buf, "%08X%04X%04X", g.data1, g.data2, g.data3);
  std::string id = buf;
  for (uint8_t b : g.data4) {
    std::snprintf(buf, sizeof buf, "%02X", b);
    id += buf;
  }
  return id;
}

std::string descriptionField(const Variant& v) {
  std::string s = v.isNull() ? std::string() : v.toString();
  std::replace(s.begin(), s.end(), ',', ';');
  return s;
}

}  // namespace

const platform::DispatchTable& Configurator::dispatch() const {
  static const platform::DispatchTable table = platform::Members<Configurator>(kSource).method(
      "GetConfigurationService", &Configurator::GetConfigurationService);
  return table;
}

std::shared_ptr<ConfigurationService> Configurator::GetConfigurationService() {
  return platform::makeObject<ConfigurationService>();
}

const platform::DispatchTable& ConfigurationService::dispatch() const {
  static const platform::DispatchTable table =
      platform::Members<ConfigurationService>("CorvoConfigurator.ConfigurationService")
          .method("CopyConfiguration", &ConfigurationService::CopyConfiguration)
          .method("IsComplete", &ConfigurationService::IsComplete)
          .method("GetPriceStatus", &ConfigurationService::GetPriceStatus)
          .method("GetPrice", &ConfigurationService::GetPrice)
          .method("GetPriceCurrency", &ConfigurationService::GetPriceCurrency)
          .method("GetVariantDescription", &ConfigurationService::GetVariantDescription);
  return table;
}

std::string ConfigurationService::CopyConfiguration(const std::string& configId, const Variant& product,
                                                    const Variant& language, const Variant& countryCode) {
  SalesSession db;
  auto source = readConfiguration(db, configId);
  const Variant sourceId = source->value("CONFIGID");
  const std::string id = newConfigId();
  db.begin();
  db.execute(
      "INSERT INTO PRODUCTCONFIGURATION (CONFIGID, PRODUCT, LANGUAGECODE, COUNTRYCODE, COMPLETE, PRICESTATUS, "
      "PRICE, PRICECURRENCY, DESCRIPTION, SOURCECONFIGID, CREATIONDATE) VALUES (" +
      sqlText(id) + ", " + sqlLiteralOf(product) + ", " + sqlLiteralOf(language) + ", " + sqlLiteralOf(countryCode) +
      ", " + sqlLiteralOf(source->value("COMPLETE")) + ", " + sqlLiteralOf(source->value("PRICESTATUS")) + ", " +
      sqlLiteralOf(source->value("PRICE")) + ", " + sqlLiteralOf(source->value("PRICECURRENCY")) + ", " +
      sqlLiteralOf(source->value("DESCRIPTION")) + ", " + sqlLiteralOf(sourceId) + ", " +
      sqlDate(platform::Date::now()) + ")");
  auto options = readOptions(db, sourceId);
  for (; !options->empty() && !options->eof(); options->MoveNext())
    db.execute(
        "INSERT INTO PRODUCTCONFIGURATIONOPTION (CONFIGID, SEQUENCENUMBER, FEATURECODE, FEATUREDESCRIPTION, "
        "OPTIONVALUE) VALUES (" +
        sqlText(id) + ", " + sqlLiteralOf(options->value("SEQUENCENUMBER")) + ", " +
        sqlLiteralOf(options->value("FEATURECODE")) + ", " + sqlLiteralOf(options->value("FEATUREDESCRIPTION")) + ", " +
        sqlLiteralOf(options->value("OPTIONVALUE")) + ")");
  db.commit();
  return id;
}

bool ConfigurationService::IsComplete(const std::string& configId) {
  const Variant v = configurationValue(configId, "COMPLETE");
  return !v.isNull() && v.toBool();
}

int16_t ConfigurationService::GetPriceStatus(const std::string& configId) {
  const Variant v = configurationValue(configId, "PRICESTATUS");
  return v.isNull() ? int16_t{1} : v.toInteger();
}

Variant ConfigurationService::GetPrice(const std::string& configId) {
  const Variant v = configurationValue(configId, "PRICE");
  return v.isNull() ? v : Variant(v.toCurrency());
}

std::string ConfigurationService::GetPriceCurrency(const std::string& configId) {
  const Variant v = configurationValue(configId, "PRICECURRENCY");
  return v.isNull() ? std::string() : v.toString();
}

std::string ConfigurationService::GetVariantDescription(const std::string& configId, const Variant& orderId,
                                                        const Variant& lineNr) {
  SalesSession db;
  auto config = readConfiguration(db, configId);
  auto options = readOptions(db, config->value("CONFIGID"));
  std::string text = descriptionField(config->value("DESCRIPTION"));
  const std::string prefix = descriptionField(config->value("CONFIGID")) + "," + descriptionField(orderId) + "," +
                             descriptionField(lineNr) + "," + descriptionField(config->value("PRODUCT")) + ",";
  for (; !options->empty() && !options->eof(); options->MoveNext())
    text += "VOP" + prefix + descriptionField(options->value("FEATURECODE")) + "," +
            descriptionField(options->value("SEQUENCENUMBER")) + "," +
            descriptionField(options->value("FEATUREDESCRIPTION")) + "," +
            descriptionField(options->value("OPTIONVALUE"));
  return text;
}

}  // namespace enterprise

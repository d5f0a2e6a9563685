#include "host/serve/service_config.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "host/serve/session.h"
#include "platform/value.h"

namespace host::serve {

namespace {

using Json = nlohmann::ordered_json;

AllowList readList(const Json& j, const char* where) {
  AllowList list;
  if (j.is_null()) return list;
  if (!j.is_object()) throw std::runtime_error(std::string(where) + " must be an object of class: [members]");
  for (const auto& [name, members] : j.items()) {
    if (!members.is_array()) throw std::runtime_error(std::string(where) + "." + name + " must be a list of members");
    auto& set = list[platform::upperCase(name)];
    for (const Json& m : members) set.insert(platform::upperCase(m.get<std::string>()));
  }
  return list;
}

Access readAccess(const Json& j, const char* where) {
  if (!j.is_object()) return {};
  return {readList(j.value("create", Json()), where), readList(j.value("handles", Json()), where)};
}

bool listAllows(const AllowList& list, const std::string& className, const std::string& member) {
  auto it = list.find(platform::upperCase(className));
  if (it == list.end()) return false;
  return it->second.count("*") || it->second.count(platform::upperCase(member));
}

}  // namespace

bool ServiceConfig::allows(Role role, const std::string& className, const std::string& member, bool byProgId) const {
  auto allowedBy = [&](const Access& access) {
    return listAllows(access.create, className, member) || (!byProgId && listAllows(access.handles, className, member));
  };
  return allowedBy(page) || (role == Role::Admin && allowedBy(admin));
}

bool ServiceConfig::reachable(Role role, const std::string& className) const {
  const std::string key = platform::upperCase(className);
  auto in = [&](const Access& a) { return a.create.count(key) || a.handles.count(key); };
  return in(page) || (role == Role::Admin && in(admin));
}

ServiceConfig loadServiceConfig(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path + " (run merxa setup)");
  std::stringstream text;
  text << in.rdbuf();
  Json j;
  try {
    j = Json::parse(text.str());
  } catch (const Json::exception& e) {
    throw std::runtime_error(path + " is not JSON: " + e.what());
  }
  ServiceConfig c;
  c.pageToken = j.value("pageToken", "");
  c.adminToken = j.value("adminToken", "");
  // A short token is guessed; an equal pair would make every page an admin.
  if (c.pageToken.size() < 16 || c.adminToken.size() < 16 || c.pageToken == c.adminToken)
    throw std::runtime_error(path + " needs a pageToken and a different adminToken of at least 16 characters");
  c.page = readAccess(j.value("page", Json()), "page");
  c.admin = readAccess(j.value("admin", Json()), "admin");
  const Json limits = j.value("limits", Json::object());
  c.maxRequestBytes = limits.value("maxRequestBytes", c.maxRequestBytes);
  c.maxNestingDepth = limits.value("maxNestingDepth", c.maxNestingDepth);
  c.maxSessions = limits.value("maxSessions", c.maxSessions);
  c.maxHandlesPerSession = limits.value("maxHandlesPerSession", c.maxHandlesPerSession);
  c.sessionIdleSeconds = limits.value("sessionIdleSeconds", c.sessionIdleSeconds);
  c.threads = limits.value("threads", c.threads);
  if (c.threads < 1) c.threads = 1;
  return c;
}

std::string defaultServiceConfigJson() {
  // The members of a recordset a page may use: reading and changing rows in memory. Open,
  // ActiveConnection, UpdateBatch and Requery stay out: they would reach a database the
  // caller names or bypass the business classes.
  const Json recordset = {"Fields", "Collect", "MoveFirst", "MoveNext", "MovePrevious", "MoveLast", "Move",
                          "BOF", "EOF", "RecordCount", "AbsolutePosition", "Bookmark", "AddNew", "Update",
                          "CancelUpdate", "Delete", "Find", "Filter", "Sort", "State", "Status", "EditMode"};
  Json j = Json::object();
  j["pageToken"] = randomHex(32);
  j["adminToken"] = randomHex(32);
  j["page"] = {
      {"create",
       {{"Merxa.Basket", {"*"}},
        // The reminder run and its parts are the periodic job's, not a page's.
        {"Merxa.Quotation", {"Create", "Save", "Show", "GetLines", "CopyQuotation", "Delete", "DeleteLine",
                             "CheckQuotationLinesPresent", "GetBPStoredInDB", "ConvertToXML"}},
        {"Merxa.FreightCost", {"*"}},
        {"Merxalink.Lookups", {"GetXML", "ShowSOACKDetails", "ShowSOASNDetails", "ShowSOINVDetails", "XSLT_PATH"}},
        {"Merxa.Order", {"SubmitBasket", "Restore", "OrdersExist", "GetAddress", "GetBPStoredInDB"}},
        {"Merxa.Pricing", {"GetWebPrice", "ProductID", "BusinessPartnerID", "CurrencyCode", "EffectiveDate",
                           "ExpiryDate", "Price", "DiscountPercent", "DiscountAmount"}},
        {"Merxalink.PriceTax", {"InitializeAction", "GetPriceAndOrTax", "CloseAction"}},
        {"Merxalink.Allocate", {"InitializeAction", "Allocate", "CloseAction"}},
        {"Merxa.Shop", {"*"}}}},
      {"handles",
       {{"ADODB.Recordset", recordset},
        {"ADODB.Fields", {"Count", "Item"}},
        {"ADODB.Field", {"Name", "Type", "Value", "OriginalValue", "DefinedSize", "Precision", "NumericScale"}},
        {"Scripting.Dictionary", {"*"}}}}};
  j["admin"] = {{"create",
                 {{"Merxa.Manager", {"*"}},
                  {"Merxa.Pricing", {"*"}},
                  {"Merxa.Order", {"*"}},
                  {"Merxa.OrderExportFile", {"*"}},
                  {"Merxa.Quotation", {"*"}},
                  {"Merxa.WebOrder", {"*"}},
                  {"Merxa.FreightCost", {"*"}},
                  {"Merxa.SalesParameter", {"*"}}}},
                {"handles", Json::object()}};
  j["limits"] = {{"maxRequestBytes", 1 << 20}, {"maxNestingDepth", 32},    {"maxSessions", 256},
                 {"maxHandlesPerSession", 1000}, {"sessionIdleSeconds", 1200}, {"threads", 16}};
  return j.dump(2) + "\n";
}

void writePrivateFile(const std::string& path, const std::string& text) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) throw std::runtime_error("cannot write " + path);
  ::fchmod(fd, 0600);  // an older file may have been wider
  const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  ::close(fd);
  if (!ok) throw std::runtime_error("cannot write " + path);
}

std::string serviceConfigPath(const std::string& corvaneHome) { return corvaneHome + "/merxa/config/service.json"; }

}  // namespace host::serve

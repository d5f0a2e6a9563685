#include "common/lib_sales.h"

#include <charconv>
#include <cstdio>

#include "common/error_handling.h"
#include "common/merxa_error.h"
#include "platform/context.h"
#include "platform/data/storable_text.h"
#include "platform/dictionary.h"
#include "platform/guid.h"
#include "platform/registry.h"

namespace merxa {

using platform::data::Connection;
using platform::data::Recordset;
namespace ado = platform::data;

namespace {

thread_local std::string cachedConnectionString;
thread_local ObjectPtr cachedDataFunctions;
thread_local std::shared_ptr<platform::AppServer> cachedAppServer;

// The installation's configuration directory: the ConfigDir of the first record.
std::string firstConfigDir(const ObjectPtr& config) {
  auto installations = config->call("GetWebInfo", {Variant("Merxa")}).as<platform::Dictionary>();
  Variant keys = installations->Keys();
  const Variant& firstKey = keys.array().at(0);
  ObjectPtr record = installations->Item(firstKey).toObject();
  return record->call("ConfigDir").toString();
}

}  // namespace

std::string Sls_ConnectionString() {
  if (!cachedConnectionString.empty()) return cachedConnectionString;
  return guarded("Merxa.Lib_Sales.Sls_ConnectionString", [&] {
    ObjectPtr config = Sls_GetComponent("Corvane.Configuration");
    const std::string dir = firstConfigDir(config);
    config->call("LoadConfigFile", {Variant(dir + "\\MerxaConfiguration.xml")});
    cachedConnectionString = config->call("GetConnectionString", {Variant("Merxa")}).toString();
    return cachedConnectionString;
  });
}

ConnectionPtr Sls_GetOpenConnection(const std::string& connectionString) {
  return guarded("Lib_Sales.Sls_GetOpenConnection", [&] {
    auto cn = platform::makeObject<Connection>();
    cn->SetConnectionString(connectionString);
    cn->Open(Variant(), Variant(""), Variant(""), Variant(-1));
    return cn;
  });
}

RecordsetPtr Sls_GetDisconnectedRecordset(const std::string& sql, const std::string& connectionString) {
  ConnectionPtr cn;
  return guarded(
      "Lib_Sales.Sls_GetDisconnectedRecordset",
      [&] {
        cn = Sls_GetOpenConnection(connectionString);
        auto rs = platform::makeObject<Recordset>();
        rs->SetCursorLocation(ado::adUseClient);
        rs->Open(Variant(sql), Variant(cn), Variant(static_cast<int>(ado::adOpenKeyset)),
                 Variant(static_cast<int>(ado::adLockOptimistic)), Variant(-1));
        rs->detach();
        Sls_CloseConnection(cn);
        return rs->Clone(Variant(static_cast<int>(ado::adLockUnspecified)));
      },
      [&] {
        std::string info = ConnectionErrorsText(cn) + " executing: '" + sql + "'";
        Sls_CloseConnection(cn);
        return info;
      });
}

bool Sls_RecordExists(const std::string& sql, const std::string& connectionString) {
  return guarded("Lib_Sales.Sls_RecordExists", [&] {
    ConnectionPtr cn = Sls_GetOpenConnection(connectionString);
    struct Closer {
      ConnectionPtr& c;
      ~Closer() {
        try {
          Sls_CloseConnection(c);
        } catch (...) {
        }
      }
    } closer{cn};
    auto rs = platform::createObject("ADODB.Recordset");
    auto set = std::dynamic_pointer_cast<Recordset>(rs);
    set->SetCursorLocation(ado::adUseClient);
    set->Open(Variant(sql), Variant(cn), Variant(static_cast<int>(ado::adOpenKeyset)),
              Variant(static_cast<int>(ado::adLockReadOnly)), Variant(static_cast<int>(ado::adCmdText)));
    set->detach();
    Sls_CloseConnection(cn);
    return !set->EOF_();
  });
}

void Sls_CloseRecordSet(RecordsetPtr& recordset) {
  guarded("Lib_Sales.Sls_CloseRecordSet", [&] {
    if (recordset && recordset->State() == ado::adStateOpen) recordset->Close();
    recordset.reset();
  });
}

void Sls_CloseConnection(ConnectionPtr& connection) {
  // No handler of its own: a failure reaches the caller's.
  if (connection && connection->State() == ado::adStateOpen) connection->Close();
  connection.reset();
}

ObjectPtr Sls_GetComponent(const std::string& progId) {
  auto contextOf = []() -> Variant {
    if (!cachedAppServer) cachedAppServer = platform::makeObject<platform::AppServer>();
    return cachedAppServer->GetObjectContext();
  };
  return guarded(
      "Lib_Sales.Sls_GetComponent",
      [&]() -> ObjectPtr {
        Variant context = contextOf();
        if (context.isNothing()) return platform::createObject(progId);
        return context.as<platform::ObjectContext>()->CreateInstance(progId);
      },
      [&]() -> std::string {
        if (contextOf().isNothing()) return "CreateObject(" + progId + ") failed";
        return "CreateInstance(" + progId + ") failed.\r\nNote: Objects having 'Instancing=PublicNotCreatable' may " +
               "only be instantiated with 'New', not with Sls_GetComponent()";
      });
}

ObjectPtr Sls_DataFunctions() {
  return guarded("Lib_Sales.Sls_DataFunctions", [&] {
    if (!cachedDataFunctions) cachedDataFunctions = Sls_GetComponent("CorvoLibrary.DataFunctions");
    return cachedDataFunctions;
  });
}

bool Sls_HasValue(const Variant& value) {
  return guarded("Lib_Sales.Sls_HasValue()", [&] {
    if (value.isNull() || value.isEmpty()) return false;
    const std::string text = value.toString();
    return !(text.empty() || text == "0");
  });
}

std::string Sls_CreateGUID() {
  platform::Guid g;
  if (!platform::newGuid(g)) return "00000000";
  char buf[40];
  std::snprintf(buf, sizeof buf, "%08X%04X%04X%02X%02X%02X%02X%02X%02X%02X%02X", g.data1, g.data2, g.data3,
                g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
  return buf;
}

std::string Sls_GetParameterValue(std::string& iParameter) {
  return guarded(
      "Merxa.Lib_Sales.Sls_GetParameterValue",
      [&] {
        ObjectPtr parameters = Sls_GetComponent("Merxa.SalesParameter");
        platform::Args args{Variant(iParameter)};
        return parameters->invoke("GetParameterValue", platform::CallKind::Call, args).toString();
      },
      [&] { return "Failed to retrieve parameter: " + iParameter; });
}

int32_t businessPartnerIdOf(const std::string& text, const std::string& source) {
  std::string_view digits = text;
  while (!digits.empty() && digits.front() == ' ') digits.remove_prefix(1);
  while (!digits.empty() && digits.back() == ' ') digits.remove_suffix(1);
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  int32_t id = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), id);
  if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size())
    raiseMerxa(InvalidCustomer, source, "'" + text + "' is not a business partner id");
  return id;
}

void requireStorableText(const platform::data::Recordset& rs, const std::string& rowName) {
  for (int i = 0; i < rs.columnCount(); ++i) {
    const std::string& name = rs.columnInfo(i).name;
    const Variant value = rs.value(name);
    if (!value.isString()) continue;
    if (const char* reason = platform::data::unstorableText(value.rawString()))
      platform::raiseVb(platform::vb::InvalidProcedureCall, "Merxa",
                        "Field " + name + " of " + rowName + " " + reason);
  }
}

Variant Sls_EscapeSQLQuotes(const Variant& text) {
  if (text.isNull()) return text;
  std::string out;
  for (char c : text.toString()) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return Variant(out);
}

namespace testing {
void forgetThreadCaches() {
  cachedConnectionString.clear();
  cachedDataFunctions.reset();
}
}  // namespace testing

}  // namespace merxa

#include "enterprise/backend_selector.h"

#include "enterprise/sales_database.h"
#include "enterprise/sql_encoder.h"

namespace enterprise {

using platform::Variant;

const platform::DispatchTable& BackendInstance::dispatch() const {
  static const platform::DispatchTable table = platform::Members<BackendInstance>("CorvoBackend.Instance")
                                                   .method("GetKiroID", &BackendInstance::GetKiroID)
                                                   .method("GetTovoType", &BackendInstance::GetTovoType)
                                                   .method("GetSettings", &BackendInstance::GetSettings);
  return table;
}

platform::DictionaryPtr BackendInstance::GetSettings() const {
  auto copy = platform::makeObject<platform::Dictionary>();
  const Variant keys = settings_->Keys();
  for (const Variant& key : keys.array().items) copy->Add(key, settings_->Item(key));
  return copy;
}

const platform::DispatchTable& BackendSelector::dispatch() const {
  static const platform::DispatchTable table =
      platform::Members<BackendSelector>("CorvoBackend.Selector").method("GetInstance", &BackendSelector::GetInstance);
  return table;
}

std::shared_ptr<BackendInstance> BackendSelector::GetInstance(int32_t kiroId) {
  SalesSession db;
  auto instance = db.query("SELECT TOVOTYPE FROM KIROINSTANCE WHERE KIROID = " + sqlLong(kiroId));
  const std::string tovoType = instance->empty() ? std::string() : instance->value("TOVOTYPE").toString();
  auto settings = platform::makeObject<platform::Dictionary>();
  auto rows = db.query("SELECT SETTINGKEY, SETTINGVALUE FROM KIROINSTANCESETTING WHERE KIROID = " + sqlLong(kiroId) +
                       " ORDER BY SETTINGKEY");
  for (; !rows->eof(); rows->MoveNext()) {
    const Variant value = rows->value("SETTINGVALUE");
    settings->Add(rows->value("SETTINGKEY"), value.isNull() ? Variant(std::string()) : value);
  }
  return platform::makeObject<BackendInstance>(kiroId, tovoType, settings);
}

}  // namespace enterprise

#include "enterprise/sales_database.h"

#include "enterprise/config_store.h"

namespace enterprise {

namespace data = platform::data;

const std::string& salesConnectionString() {
  struct Cache {
    std::string home;
    std::string connectionString;
  };
  thread_local Cache cache;
  const std::string home = corvaneHome();
  if (cache.connectionString.empty() || cache.home != home) {
    ConfigDocumentPtr doc = ConfigDocument::load(lastConfigDir() + "/" + kMerxaConfigFile);
    cache.connectionString = doc->connectionString(kMerxaProduct);
    cache.home = home;
  }
  return cache.connectionString;
}

SalesSession::SalesSession() : SalesSession(salesConnectionString()) {}

SalesSession::SalesSession(const std::string& connectionString) : cn_(platform::makeObject<data::Connection>()) {
  cn_->open(connectionString);
}

SalesSession::~SalesSession() {
  try {
    if (inTransaction_) cn_->RollbackTrans();
    cn_->Close();
  } catch (...) {  // the operation's own error, if any, is the one worth reporting
  }
}

data::RecordsetPtr SalesSession::query(const std::string& sql) {
  auto rs = platform::makeObject<data::Recordset>();
  rs->open(sql, cn_, data::adOpenStatic, data::adLockReadOnly);
  rs->detach();
  return rs;
}

int64_t SalesSession::execute(const std::string& sql) { return cn_->executeNoRecords(sql); }

void SalesSession::begin() {
  cn_->BeginTrans();
  inTransaction_ = true;
}

void SalesSession::commit() {
  cn_->CommitTrans();
  inTransaction_ = false;
}

}  // namespace enterprise

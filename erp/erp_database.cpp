#include "erp/erp_database.h"

#include "enterprise/sql_encoder.h"
#include "platform/error.h"
#include "schema/schema.h"

namespace erp {

const std::string& erpConnectionString() {
  struct Cache {
    std::string sales;
    std::string erp;
  };
  thread_local Cache cache;
  const std::string& sales = enterprise::salesConnectionString();
  if (cache.sales != sales) cache = {sales, schema::erpConnectionString(sales)};
  return cache.erp;
}

void Manager::Initialize(const std::string& componentId) {
  open_ = false;
  ErpSession db;
  if (db.query("SELECT COMPONENTID FROM COMPONENT WHERE COMPONENTID = " + enterprise::sqlText(componentId))->empty())
    platform::raiseError(kUnknownComponent, name_.progId,
                         "Business component '" + componentId + "' is not known to the ERP");
  componentId_ = componentId;
  open_ = true;
}

void Manager::Close() {
  requireInitialized("Close");
  open_ = false;
}

void Manager::requireInitialized(const char* operation) const {
  if (!open_)
    platform::raiseError(kNotInitialized, name_.progId,
                         std::string(operation) + " needs a business component: call Initialize first");
}

}  // namespace erp

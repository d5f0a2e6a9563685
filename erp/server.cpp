// The ERP's business components, registered under the ProgIDs of both releases: one
// implementation, created with the release it was asked for under.
#include <cstdio>

#include "erp/allocate.h"
#include "erp/fulfilment.h"
#include "erp/java_date.h"
#include "erp/order_status.h"
#include "erp/price_tax.h"
#include "erp/sales_order.h"
#include "erp/show_sales_order.h"
#include "platform/server.h"

namespace {

// A class identifier of its own for each ProgID, the same in every build: two 64-bit FNV-1a
// hashes of the name.
std::string clsidOf(const std::string& progId) {
  uint64_t a = 14695981039346656037ull, b = 1099511628211ull * 31;
  for (unsigned char c : progId) {
    a = (a ^ c) * 1099511628211ull;
    b = (b ^ c) * 1099511628211ull + 0x9E3779B97F4A7C15ull;
  }
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%04X-%012llX}", static_cast<unsigned>(a >> 32),
                static_cast<unsigned>((a >> 16) & 0xFFFF), static_cast<unsigned>(a & 0xFFFF),
                static_cast<unsigned>(b >> 48), static_cast<unsigned long long>(b & 0xFFFFFFFFFFFFull));
  return text;
}

template <class M>
platform::Factory manager(const std::string& release, const std::string& progId) {
  return [=] { return platform::makeObject<M>(erp::ComponentName{release, progId}); };
}

std::vector<platform::ServerClass> erpClasses() {
  // The names must outlive the list, which keeps pointers to them.
  static std::vector<std::string> names;
  std::vector<std::pair<std::string, platform::Factory>> classes;
  for (const auto& [release, prefix] : {std::pair<std::string, std::string>{"tv4", "Q40cMXLStdsls"},
                                        std::pair<std::string, std::string>{"tv5", "Q50cMXLStdsls"}}) {
    for (const auto& [component, factory] :
         std::vector<std::pair<std::string, platform::Factory>>{
             {"GetPriceAndTax.PriceTaxManager",
              manager<erp::PriceTaxManager>(release, prefix + "GetPriceAndTax.PriceTaxManager")},
             {"InventoryAllocate.AllocateManager",
              manager<erp::AllocateManager>(release, prefix + "InventoryAllocate.AllocateManager")},
             {"UpdateOrderStatus.OrderStatusManager",
              manager<erp::OrderStatusManager>(release, prefix + "UpdateOrderStatus.OrderStatusManager")}})
      classes.emplace_back(prefix + component, factory);
    for (auto& c : erp::createSalesOrderClasses(release, prefix + "CreateSalesOrder.")) classes.push_back(std::move(c));
    for (auto& c : erp::showSalesOrderClasses(release, prefix + "ShowSalesOrder.")) classes.push_back(std::move(c));
  }
  classes.emplace_back("ErpOperator.Fulfilment", [] { return platform::makeObject<erp::FulfilmentDesk>(); });
  classes.emplace_back("java:java.util.Date", [] { return platform::makeObject<erp::JavaDate>(); });
  names.reserve(classes.size() * 2);
  std::vector<platform::ServerClass> list;
  for (auto& [progId, factory] : classes) {
    names.push_back(progId);
    const char* name = names.back().c_str();
    names.push_back(clsidOf(progId));
    list.push_back({name, names.back().c_str(), std::move(factory)});
  }
  return list;
}

}  // namespace

MERXA_SERVER(erpClasses())

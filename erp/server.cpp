// The ERP's business components, registered under the ProgIDs of both releases: one
// implementation, created with the release it was asked for under.
#include "erp/allocate.h"
#include "erp/order_status.h"
#include "erp/price_tax.h"
#include "platform/server.h"

namespace {

template <class M>
platform::Factory make(const char* release, const char* progId) {
  return [=] { return platform::makeObject<M>(erp::ComponentName{release, progId}); };
}

#define ERP_CLASS(M, release, progId, clsid) {progId, clsid, make<M>(release, progId)}

}  // namespace

MERXA_SERVER(
    ERP_CLASS(erp::PriceTaxManager, "tv5", "Q50cMXLStdslsGetPriceAndTax.PriceTaxManager",
              "{B569FBEA-B105-48A0-A4A8-1C94F0A29E6A}"),
    ERP_CLASS(erp::PriceTaxManager, "tv4", "Q40cMXLStdslsGetPriceAndTax.PriceTaxManager",
              "{D37E483A-D230-4118-9638-BBDAF59E9D26}"),
    ERP_CLASS(erp::AllocateManager, "tv5", "Q50cMXLStdslsInventoryAllocate.AllocateManager",
              "{4CCDC7C9-2A68-48B2-9C32-5BD12BB36C3F}"),
    ERP_CLASS(erp::AllocateManager, "tv4", "Q40cMXLStdslsInventoryAllocate.AllocateManager",
              "{9E11078F-DEDE-4935-919C-FFCD48394D89}"),
    ERP_CLASS(erp::OrderStatusManager, "tv5", "Q50cMXLStdslsUpdateOrderStatus.OrderStatusManager",
              "{4CD32D32-8E04-4844-9BCA-AF523498B99F}"),
    ERP_CLASS(erp::OrderStatusManager, "tv4", "Q40cMXLStdslsUpdateOrderStatus.OrderStatusManager",
              "{AE61F987-AF66-4D47-B002-BC8D201F3402}"))

// The classes of the merxalink in-process server, the bridge to the ERP.
#include "backend/allocate.h"
#include "backend/backend.h"
#include "backend/lookups.h"
#include "backend/order.h"
#include "backend/price_tax.h"
#include "platform/server.h"

MERXA_SERVER({"Merxalink.PriceTax", "{191A07C0-FF24-4E05-8AF8-B73E03A9A067}",
              [] { return platform::makeObject<merxalink::PriceTax>(); }},
             {"Merxalink.Allocate", "{33189B08-4471-4038-A6C0-013B3CA66420}",
              [] { return platform::makeObject<merxalink::Allocate>(); }},
             {"Merxalink.Order", "{F0F44741-BC89-4F72-9544-A51AAAB5F2AC}",
              [] { return platform::makeObject<merxalink::Order>(); }},
             {"Merxalink.Backend", "{65D5AF57-72E6-4B0E-AB2A-BBDE8481A6D9}",
              [] { return platform::makeObject<merxalink::Backend>(); }},
             {"Merxalink.Lookups", "{8C3E5A17-2D94-4B6F-9E71-0A5C3B8D2F46}",
              [] { return platform::makeObject<merxalink::Lookups>(); }})

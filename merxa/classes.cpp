// The classes of the merxa in-process server.
#include "basket/basket.h"
#include "common/sales_parameter.h"
#include "platform/server.h"
#include "pricing/pricing.h"

MERXA_SERVER({"Merxa.Basket", "{6E0B51C2-3A7D-4F0E-9C1B-2B8D4A1E7C01}",
              [] { return platform::makeObject<merxa::Basket>(); }},
             {"Merxa.SalesParameter", "{6E0B51C2-3A7D-4F0E-9C1B-2B8D4A1E7C02}",
              [] { return platform::makeObject<merxa::SalesParameter>(); }},
             {"Merxa.Pricing", "{EBAB3692-9EB5-475E-A629-CFFE5B51AB94}",
              [] { return platform::makeObject<merxa::Pricing>(); }})

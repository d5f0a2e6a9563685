// The classes of the merxa in-process server.
#include "basket/basket.h"
#include "common/sales_parameter.h"
#include "freight/freight_cost.h"
#include "integrity/referential_integrity.h"
#include "manager/manager.h"
#include "order/order.h"
#include "order/order_export_file.h"
#include "platform/server.h"
#include "pricing/pricing.h"
#include "quotation/quotation.h"

MERXA_SERVER({"Merxa.Basket", "{6E0B51C2-3A7D-4F0E-9C1B-2B8D4A1E7C01}",
              [] { return platform::makeObject<merxa::Basket>(); }},
             {"Merxa.SalesParameter", "{6E0B51C2-3A7D-4F0E-9C1B-2B8D4A1E7C02}",
              [] { return platform::makeObject<merxa::SalesParameter>(); }},
             {"Merxa.Pricing", "{EBAB3692-9EB5-475E-A629-CFFE5B51AB94}",
              [] { return platform::makeObject<merxa::Pricing>(); }},
             {"Merxa.Manager", "{EC9F0DB4-1B65-405F-A728-557AD11D06B0}",
              [] { return platform::makeObject<merxa::Manager>(); }},
             {"Merxa.Order", "{3D9B7BF3-645E-4999-9BD5-9BCCA8949D48}",
              [] { return platform::makeObject<merxa::Order>(); }},
             {"Merxa.OrderExportFile", "{A6CB9937-7470-4995-BF8F-E24591E0E894}",
              [] { return platform::makeObject<merxa::OrderExportFile>(); }},
             {"Merxa.Quotation", "{5F2C8E41-7B3A-4D96-A1E0-3C7D9B2F6A15}",
              [] { return platform::makeObject<merxa::Quotation>(); }},
             {"Merxa.FreightCost", "{B2D6F4A9-5C17-4E83-9A2B-7F1E0C4D6B38}",
              [] { return platform::makeObject<merxa::FreightCost>(); }},
             {"Merxa.WebOrder", "{4E8A1C63-9B2D-4F57-8C06-D3A5E7B91F24}",
              [] { return platform::makeObject<merxa::WebOrder>(); }})

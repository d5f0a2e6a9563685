// merxa erp ship ORDER [POSITION QUANTITY]... [--date YYYY-MM-DD]
// merxa erp invoice ORDER [--date YYYY-MM-DD]
// What the ERP's warehouse and accounts would do with an order: ship lines (all that is left
// when none are named) and invoice what was shipped, so that the order's shipping notice and
// invoice exist. The date is today unless given.
#include <cstdio>
#include <string>

#include "host/commands.h"
#include "platform/registry.h"

namespace host {

using platform::Variant;

namespace {

int erpUsage() {
  std::fputs("usage: merxa erp ship ORDER [POSITION QUANTITY]... [--date YYYY-MM-DD]\n"
             "       merxa erp invoice ORDER [--date YYYY-MM-DD]\n",
             stderr);
  return 2;
}

bool isNumber(const std::string& text, bool whole) {
  if (text.empty()) return false;
  size_t used = 0;
  try {
    if (whole) (void)std::stol(text, &used);
    else (void)std::stod(text, &used);
  } catch (const std::exception&) {
    return false;
  }
  return used == text.size();
}

}  // namespace

int runErp(const Arguments& args) {
  if (args.size() < 2 || (args[0] != "ship" && args[0] != "invoice")) return erpUsage();
  const std::string& order = args[1];
  Arguments rest(args.begin() + 2, args.end());
  platform::Date date = platform::Date::today();
  try {
    if (rest.size() >= 2 && rest[rest.size() - 2] == "--date") {
      date = Variant(rest.back()).toDate();
      rest.resize(rest.size() - 2);
    }
  } catch (const platform::ComError&) {
    return erpUsage();
  }
  try {
    auto desk = platform::createObject("ErpOperator.Fulfilment");
    if (args[0] == "invoice") {
      if (!rest.empty()) return erpUsage();
      const Variant invoices = desk->call("Invoice", {Variant(order), Variant(date)});
      for (const Variant& number : invoices.array().items)
        std::printf("sales order %s: invoice %s\n", order.c_str(), number.toString().c_str());
      return 0;
    }
    if (rest.size() % 2 != 0) return erpUsage();
    platform::SafeArray lines;
    for (size_t i = 0; i < rest.size(); i += 2) {
      if (!isNumber(rest[i], true) || !isNumber(rest[i + 1], false)) return erpUsage();
      lines.items.emplace_back(std::stoi(rest[i]));
      lines.items.emplace_back(std::stod(rest[i + 1]));
    }
    const Variant shipment = desk->call("Ship", {Variant(order), lines.items.empty() ? Variant() : Variant(std::move(lines)),
                                                 Variant(date)});
    std::printf("sales order %s: shipment %s\n", order.c_str(), shipment.toString().c_str());
    return 0;
  } catch (const platform::ComError& e) {
    return reportError(e);
  }
}

}  // namespace host

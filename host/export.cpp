// merxa export INSTANCE: the periodic export job of one ERP instance. It sends the instance's
// pending orders to the ERP (Merxa.Order.CreateSOatBackend) and prints, per order, the ERP's
// sales order number or the error the ERP gave.
#include <cstdio>
#include <string>
#include <vector>

#include "host/commands.h"
#include "platform/registry.h"

namespace host {

using platform::ObjectPtr;
using platform::Variant;

namespace {

// rs.Fields(name).Value, late-bound; "" for Null.
std::string fieldText(const ObjectPtr& recordset, const char* name) {
  const Variant v = recordset->call("Fields").toObject()->call("Item", {Variant(name)}).toObject()->call("Value");
  return v.isNull() || v.isEmpty() ? std::string() : v.toString();
}

}  // namespace

int runExport(const Arguments& args) {
  int instance = -1;
  try {
    size_t used = 0;
    if (args.size() == 1) instance = std::stoi(args[0], &used);
    if (used != args[0].size()) instance = -1;
  } catch (const std::exception&) {
    instance = -1;
  }
  if (instance < 0 || instance > 255) {
    std::fputs("usage: merxa export INSTANCE     (an ERP instance number, 0..255)\n", stderr);
    return 2;
  }
  try {
    const Variant pending = platform::createObject("Merxa.Manager")
                                ->call("GetRecordSet", {Variant("SELECT ORDERID FROM ORDERHEADER WHERE ORDERSTATUS = 0 "
                                                                "AND KIROID = " + std::to_string(instance) +
                                                                " ORDER BY ORDERID")});
    std::vector<std::string> orders;
    ObjectPtr rows = pending.toObject();
    if (!rows->call("EOF").toBool())
      for (rows->call("MoveFirst"); !rows->call("EOF").toBool(); rows->call("MoveNext"))
        orders.push_back(fieldText(rows, "ORDERID"));

    ObjectPtr order = platform::createObject("Merxa.Order");
    order->call("CreateSOatBackend", {Variant(instance)});
    std::printf("%zu pending order(s) of ERP instance %d\n", orders.size(), instance);
    for (const std::string& id : orders) {
      ObjectPtr header = order->call("Restore", {Variant(id)}).toObject()->call("Item", {Variant("header")}).toObject();
      const std::string number = fieldText(header, "SALESORDERNR");
      const std::string status = fieldText(header, "ORDERSTATUS");
      const std::string error = fieldText(header, "ERROR");
      if (status == "1")
        std::printf("%s: ERP sales order %s\n", id.c_str(), number.c_str());
      else if (!error.empty())
        std::printf("%s: not sent in full%s%s: %s\n", id.c_str(), number.empty() ? "" : ", ERP sales order ",
                    number.c_str(), error.c_str());
      else if (status == "9")
        std::printf("%s: being sent by another export run\n", id.c_str());
      else
        std::printf("%s: still pending\n", id.c_str());
    }
    return 0;
  } catch (const platform::ComError& e) {
    return reportError(e);
  }
}

}  // namespace host

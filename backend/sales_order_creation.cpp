// Creating the sales orders of a sales document in the ERP and writing the ERP's answer back
// into ORDERHEADER and ORDERLINE.
#include <algorithm>
#include <cctype>

#include "backend/order.h"
#include "backend/tovo.h"
#include "common/encoding.h"
#include "common/error_handling.h"
#include "common/lib_sales.h"
#include "order/order_status.h"
#include "platform/error.h"
#include "platform/registry.h"

namespace merxalink {

using merxa::LogError;
using merxa::LogWarning;
using merxa::Sls_HasValue;
using merxa::SqlLiteralValue;
using platform::data::ConnectionPtr;

namespace {

constexpr const char* kSource = "Merxalink.Order.CreateBackendSalesOrder: ";

int32_t execute(const ConnectionPtr& cn, const std::string& sql) {
  Variant affected;
  cn->Execute(sql, affected, Variant(-1));
  return affected.isEmpty() || affected.isNull() ? 0 : affected.toLong();
}

std::string lowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

// The column of the document header naming the order, by origin.
const char* identifierColumn(int32_t origin) {
  return origin == 0 ? "BASKETID" : origin == 1 ? "QUOTATIONID" : "ORDERID";
}

// An order is sent by one caller at a time: the one that moves it from ToBeProcessed to
// SendingToBackend. The claim ends as Processed, or back at ToBeProcessed.
bool claim(const ConnectionPtr& cn, const std::string& orderId) {
  return execute(cn, "UPDATE ORDERHEADER SET ORDERSTATUS = " + merxa::SqlLiteralLong(merxa::SendingToBackend) +
                         " WHERE ORDERID = " + SqlLiteralValue(Variant(orderId)) +
                         " AND ORDERSTATUS = " + merxa::SqlLiteralLong(merxa::ToBeProcessed)) == 1;
}

void unclaim(const ConnectionPtr& cn, const std::string& orderId) {
  execute(cn, "UPDATE ORDERHEADER SET ORDERSTATUS = " + merxa::SqlLiteralLong(merxa::ToBeProcessed) +
                  " WHERE ORDERID = " + SqlLiteralValue(Variant(orderId)) +
                  " AND ORDERSTATUS = " + merxa::SqlLiteralLong(merxa::SendingToBackend));
}

}  // namespace

Order::~Order() {
  try {
    releaseMembers();
  } catch (...) {
    LogError("Merxalink.Order.Terminate");
  }
}

ObjectPtr Order::createClass(const std::string& name) const {
  const TovoRelease* release = findTovoRelease(tovoType_);
  if (!release) raiseUnsupportedTovoType(tovoType_, "Merxalink.Order");
  return platform::createObject(std::string(release->progIdPrefix) + "CreateSalesOrder." + name);
}

void Order::releaseMembers() {
  for (ObjectPtr* member : {&manager_, &salesOrder_, &salesOrders_, &orderLines_, &orderLine_, &created_, &variants_})
    member->reset();
}

Variant Order::InitializeOrder(const std::string& iComponentID) {
  try {
    if (!findTovoRelease(tovoType_)) {
      LogError("Merxalink.Order.InitializeOrder: Connection to Tovo type " + platform::trimBlanks(tovoType_) +
               " not supported");
      return Variant();
    }
    manager_ = createClass("SalesOrdersManager");
    salesOrder_ = createClass("SalesOrders");
    salesOrders_ = createClass("recordSetSalesOrders");
    orderLines_ = createClass("recordSetSalesOrderLines");
    manager_->call("Initialize", {Variant(iComponentID)});
  } catch (...) {
    manager_.reset();
    salesOrder_.reset();
    salesOrders_.reset();
    orderLines_.reset();
    LogError("Merxalink.Order.InitializeOrder");
  }
  return Variant();
}

void Order::InitializeRecordSets() {
  try {
    createClass("recordSetSalesOrders");
    createClass("recordSetSalesOrderLines");
    salesOrder_ = createClass("SalesOrders");
    orderLine_ = createClass("SalesOrderLines");
  } catch (...) {
    LogError("Merxalink.Order.InitializeRecordSets");
  }
}

RecordsetPtr Order::ReadUnsentOrderLines(const std::string& orderId) {
  return merxa::Sls_GetDisconnectedRecordset("SELECT * FROM ORDERLINE  WHERE ORDERID like " +
                                                 merxa::SqlLiteralLike(orderId) +
                                                 " AND (SALESORDERLINENR = 0 OR SALESORDERLINENR is null ) ORDER BY LINENR",
                                             merxa::Sls_ConnectionString());
}

std::string Order::createBackendSalesOrderCall(const Variant& iOrder, Variant& iErrorOccured) {
  bool errorOccured = false;
  std::string result;
  try {
    result = CreateBackendSalesOrder(iOrder.as<platform::Dictionary>(), errorOccured);
  } catch (...) {
    LogError("Merxalink.Order.CreateBackendSalesOrder()");
  }
  iErrorOccured = Variant(errorOccured);
  return result;
}

std::string Order::CreateBackendSalesOrder(const platform::DictionaryPtr& iOrder, bool& iErrorOccured) {
  std::string result;
  iErrorOccured = false;
  ConnectionPtr cn;
  std::string claimed;  // the order this call holds the claim of
  try {
    auto entry = [&](const char* key) {
      const Variant* found = iOrder ? iOrder->find(Variant(key)) : nullptr;
      return found ? *found : Variant();
    };
    const int32_t origin = entry("origin").toLong();
    header_ = entry("header").as<platform::data::Recordset>();
    RecordsetPtr lines;
    if (origin != 2) lines = entry("lines").as<platform::data::Recordset>();

    int32_t instance = 0;
    if (Sls_HasValue(header_->value("KIROID")))
      instance = header_->value("KIROID").toLong();
    else
      LogError(std::string(kSource) + "Kiro Instance not found");
    ObjectPtr selector = merxa::Sls_GetComponent("CorvoBackend.Selector");
    auto settings = selector->call("GetInstance", {Variant(instance)}).toObject()->call("GetSettings")
                        .as<platform::Dictionary>();
    auto setting = [&](const char* key) {
      const Variant* found = settings->find(Variant(key));
      return found && !found->isNull() && !found->isEmpty() ? found->toString() : std::string();
    };
    const std::string componentId = setting("componentid");
    if (componentId.empty()) {
      LogError(std::string(kSource) + "Kiro Instance not found");
      header_.reset();
      return result;
    }
    tovoType_ = lowerCase(selector->call("GetInstance", {Variant(instance)}).toObject()->call("GetTovoType").toString());
    itemAlignment_.clear();
    itemMask_.clear();
    if (tovoType_ == "tv5") {
      if (settings->find(Variant("alignment"))) {
        itemAlignment_ = setting("alignment");
        itemMask_ = setting("itemsegmentationmask");
        std::replace(itemMask_.begin(), itemMask_.end(), '*', ' ');
      } else {
        itemMask_ = std::string(9, ' ');
      }
    }
    settings.reset();

    cn = merxa::Sls_GetOpenConnection(merxa::Sls_ConnectionString());
    const int32_t count = header_->RecordCount();
    if (count > 0) header_->MoveFirst();
    for (int32_t row = 0; row < count; ++row, header_->MoveNext()) {
      const std::string orderId = header_->value(identifierColumn(origin)).toString();
      if (!claim(cn, orderId)) continue;  // sent already, or being sent by another caller
      claimed = orderId;
      if (origin == 2) {
        // What an earlier export got from the ERP counts, not what the document was read with.
        header_->setValue("SALESORDERNR", merxa::Sls_GetDisconnectedRecordset(
                                              "SELECT SALESORDERNR FROM ORDERHEADER WHERE ORDERID = " +
                                                  SqlLiteralValue(Variant(orderId)),
                                              merxa::Sls_ConnectionString())
                                              ->value("SALESORDERNR"));
        lines = ReadUnsentOrderLines(orderId);
      }
      InitializeOrder(componentId);
      webOrderId_ = orderId;
      BuildInputValuesforQ50c(lines, origin);
      if (!manager_) platform::raiseVb(platform::vb::ObjectNotSet, "Merxalink.Order", "No sales order component");

      try {
        created_ = manager_->call("Create", {Variant(salesOrders_), Variant(orderLines_)}).toObject();
      } catch (...) {
        const std::string text = merxa::currentError().description;
        execute(cn, "UPDATE ORDERHEADER SET ERROR = " + SqlLiteralValue(Variant(text)) +
                        " WHERE ORDERID = " + SqlLiteralValue(Variant(webOrderId_)));
        unclaim(cn, claimed);
        claimed.clear();
        releaseMembers();
        merxa::Sls_CloseConnection(cn);
        header_.reset();
        LogError("Merxalink.Order.CreateBackendSalesOrder()");
        return result;
      }

      InitializeRecordSets();
      ObjectPtr orders = created_->call("getRecordSetSalesOrders").toObject();
      ObjectPtr errors = created_->call("getTeskErrorDoc").toObject();
      const int32_t n = errors->call("sizeTeskErrorStructure").toLong();
      std::string lastError;
      for (int32_t k = 0; k < n; ++k) {
        ObjectPtr structure = errors->call("getTeskErrorStructureAt", {Variant(k)}).toObject();
        lastError = structure->call("errorDescription").toString();
        LogError(" Merxalink.Order.CreateBackendSalesOrder: " + std::string(" Error:") + lastError +
                 " Field :" + structure->call("Field").toString());
        iErrorOccured = true;
        execute(cn, "UPDATE ORDERHEADER SET ERROR = " + SqlLiteralValue(structure->call("getErrorDescription")) +
                        " WHERE ORDERID = " + SqlLiteralValue(Variant(webOrderId_)));
      }
      // The status follows this order's own answer: an order the ERP took without error is
      // Processed even after another order of the same call had errors.
      const bool orderFailed = n > 0;

      std::string number;
      const int32_t m = orders->call("sizeSalesOrders").toLong();
      if (m > 0) {
        number = orders->call("getSalesOrdersAt", {Variant(m - 1)}).toObject()->call("getSalesOrder").toString();
        if (Sls_HasValue(Variant(number))) {
          result = number;
          execute(cn, "UPDATE ORDERHEADER SET SALESORDERNR = " + SqlLiteralValue(Variant(number)) +
                          (orderFailed ? std::string() : ", ORDERSTATUS = " + merxa::SqlLiteralLong(merxa::Processed) +
                                                             " , ERROR = ''") +
                          " WHERE ORDERID = " + SqlLiteralValue(Variant(webOrderId_)));
        } else if (orderFailed) {
          execute(cn, "UPDATE ORDERHEADER SET ERROR = " + SqlLiteralValue(Variant(lastError)) +
                          " WHERE ORDERID = " + SqlLiteralValue(Variant(webOrderId_)));
        }
      }

      {
        merxa::ScopedTransaction transaction(cn);
        if (created_->call("hasRecordSetSalesOrderLines").toBool()) {
          ObjectPtr results = created_->call("getRecordSetSalesOrderLines").toObject();
          const char* positionGetter = tovoType_ == "tv4" ? "getCustomerPurchaseOrderLine" : "getCustomerOrderPosition";
          const int32_t size = results->call("sizeSalesOrderLines").toLong();
          for (int32_t j = 0; j < size; ++j) {
            ObjectPtr line = results->call("getSalesOrderLinesAt", {Variant(j)}).toObject();
            const int32_t webPosition = line->call(positionGetter).toLong();
            const int32_t erpPosition = line->call("getPositionNumber").toLong();
            execute(cn, "UPDATE ORDERLINE SET SALESORDERNR = " + SqlLiteralValue(Variant(number)) +
                            " , SALESORDERLINENR = " + merxa::SqlLiteralLong(erpPosition) +
                            " WHERE ORDERID = " + SqlLiteralValue(Variant(webOrderId_)) +
                            " AND LINENR = " + merxa::SqlLiteralLong(webPosition));
          }
        }
        transaction.commit();
      }

      manager_->call("Close");
      created_.reset();
      unclaim(cn, claimed);
      claimed.clear();
      if (orderFailed)
        LogWarning(" Merxa.Order.SubmitBasket: " + logReference_ + ", Backend Sales OrderNo: " + number,
                   Variant(" Some/All lines creation failed at Backend "));
    }
    releaseMembers();
    merxa::Sls_CloseConnection(cn);
    header_.reset();
  } catch (...) {
    LogError("Merxalink.Order.CreateBackendSalesOrder()");
    try {
      if (!claimed.empty() && cn) unclaim(cn, claimed);
    } catch (...) {
    }
    releaseMembers();
    header_.reset();
    try {
      if (cn) merxa::Sls_CloseConnection(cn);
    } catch (...) {
    }
  }
  return result;
}

}  // namespace merxalink

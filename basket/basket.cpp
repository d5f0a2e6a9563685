#include "basket/basket.h"

#include "basket/sales_document.h"
#include "common/encoding.h"
#include "common/error_handling.h"
#include "common/lib_sales.h"
#include "common/merxa_error.h"

namespace merxa {

using platform::Date;
using platform::ObjectPtr;
using platform::data::Recordset;
using platform::data::RecordsetPtr;
namespace ado = platform::data;

namespace {

// A client-side recordset of `sql` on `cn`, opened with the given cursor and batch locks.
RecordsetPtr openBatchSet(const std::string& sql, const ConnectionPtr& cn, int32_t cursorType) {
  auto rs = platform::makeObject<Recordset>();
  rs->SetCursorLocation(ado::adUseClient);
  rs->Open(Variant(sql), Variant(cn), Variant(static_cast<int>(cursorType)),
           Variant(static_cast<int>(ado::adLockBatchOptimistic)), Variant(-1));
  return rs;
}

}  // namespace

const platform::DispatchTable& Basket::dispatch() const {
  static const platform::DispatchTable table = platform::Members<Basket>("Merxa.Basket")
                                                   .method("Restore", &Basket::Restore)
                                                   .method("Create", &Basket::Create)
                                                   .method("Save", &Basket::Save)
                                                   .method("Copy", &Basket::Copy)
                                                   .method("Delete", &Basket::Delete)
                                                   .method("GetBPStoredInDB", &Basket::GetBPStoredInDB)
                                                   .method("AddLine", &Basket::AddLine)
                                                   .method("DeleteLines", &Basket::DeleteLines)
                                                   .method("ConvertToXML", &Basket::ConvertToXML);
  return table;
}

// ---- public operations --------------------------------------------------------------------

DictionaryPtr Basket::Restore(const std::string& iBasketID) {
  return guarded("Merxa.Basket.Restore()", [&] {
    ScopedConnection cn;
    return RestoreBasket(cn.get(), iBasketID);
  });
}

DictionaryPtr Basket::Create(const std::string& iUserID, int32_t iBusinessPartnerID) {
  return guarded("Merxa.Basket.Create()", [&] {
    ScopedConnection cn;
    return CreateBasket(cn.get(), iUserID, iBusinessPartnerID);
  });
}

void Basket::Save(const Variant& iBasket) {
  guarded("Merxa.Basket.Save()", [&] {
    ScopedConnection cn;
    SaveBasket(cn.get(), documentOf(iBasket));
  });
}

void Basket::Delete(const std::string& iBasketID) {
  guarded("Merxa.Basket.Delete()", [&] {
    ScopedConnection cn;
    ScopedTransaction tx(cn.get());
    const std::string id = SqlLiteralValue(Variant(iBasketID));
    const Variant noRecords(static_cast<int>(ado::adExecuteNoRecords));
    Variant affected;
    cn->Execute("DELETE FROM BASKETLINE WHERE BASKETID = " + id, affected, noRecords);
    cn->Execute("DELETE FROM BASKETHEADER WHERE BASKETID = " + id, affected, noRecords);
    tx.commit();
  });
}

int32_t Basket::GetBPStoredInDB(Variant& i_sBasketID) {
  // Never fails: an unknown basket, a Null partner or a database error all give 0.
  std::string text = "0";
  ConnectionPtr cn;
  RecordsetPtr rs;
  try {
    cn = Sls_GetOpenConnection(Sls_ConnectionString());
    rs = cn->execute("SELECT BUSINESSPARTNERID FROM BASKETHEADER WHERE BASKETID = " +
                     SqlLiteralText(i_sBasketID.toString()));
    text = rs->field(0)->Value().toString();
    const int32_t id = Variant(text).toLong();
    Sls_CloseRecordSet(rs);
    Sls_CloseConnection(cn);
    return id;
  } catch (...) {
    try {
      Sls_CloseRecordSet(rs);
      Sls_CloseConnection(cn);
    } catch (...) {
    }
    return 0;
  }
}

// ---- private routines ---------------------------------------------------------------------

DictionaryPtr Basket::RestoreBasket(const ConnectionPtr& cn, const std::string& basketId) {
  const std::string notFound = "Basket with ID: " + basketId + " not found";
  bool missing = false;
  return guarded(
      "Merxa.Basket.RestoreBasket",
      [&] {
        const std::string id = SqlLiteralValue(Variant(basketId));
        RecordsetPtr header = openBatchSet("SELECT * FROM BASKETHEADER WHERE BASKETID = " + id, cn, ado::adOpenStatic);
        header->detach();
        if (header->empty()) {
          missing = true;
          header->Close();
          raiseMerxa(OrderNotFound, "Merxa.Basket", notFound);
        }
        RecordsetPtr lines = openBatchSet(
            "SELECT * FROM BASKETLINE WHERE BASKETID = " + id + " order by BASKETLINENR", cn, ado::adOpenStatic);
        lines->detach();
        return makeDocument(header, lines);
      },
      [&]() -> Variant { return missing ? Variant(notFound) : Variant::missing(); });
}

DictionaryPtr Basket::CreateBasket(const ConnectionPtr& cn, const std::string& userId, int32_t businessPartnerId) {
  const std::string basketId = Sls_CreateGUID();
  const std::string inUse = "The GUID " + basketId + " is already used as basket";
  bool collision = false;
  return guarded(
      "Merxa.Basket.CreateBasket",
      [&] {
        ObjectPtr partner = Sls_GetComponent("CorvoCommon.BusinessPartner");
        partner->call("GetBusinessPartner", {Variant(businessPartnerId)});

        const std::string id = SqlLiteralValue(Variant(basketId));
        RecordsetPtr header = openBatchSet("SELECT * FROM BASKETHEADER WHERE BASKETID = " + id, cn, ado::adOpenKeyset);
        RecordsetPtr lines = openBatchSet("SELECT * FROM BASKETLINE WHERE BASKETID = " + id, cn, ado::adOpenKeyset);
        if (!header->empty()) {
          collision = true;
          raiseMerxa(UnexpectedGetOrderForm, "Merxa.Basket", inUse);
        }

        header->addNew();
        header->setValue("BASKETID", Variant(basketId));
        header->setValue("BASKETDATE", Variant(Date::today()));
        header->setValue("USERID", Variant(userId));
        header->setValue("BUSINESSPARTNERID", Variant(businessPartnerId));
        header->setValue("BILLINGADDRESSID", partner->call("GetPostalAddressID"));
        header->setValue("SHIPPINGADDRESSID", partner->call("GetShippingAddressID"));
        header->setValue("CURRENCYCODE", partner->call("GetCustomerCurrency"));
        header->setValue("CARRIERCODE", partner->call("GetCustomerCarrier"));
        header->updateBatch();

        header->detach();
        lines->detach();
        partner->call("Release");
        return makeDocument(header, lines);
      },
      [&]() -> Variant { return collision ? Variant(inUse) : Variant::missing(); });
}

void Basket::SaveBasket(const ConnectionPtr& cn, const DictionaryPtr& basket) {
  guarded(
      "Merxa.Basket.SaveBasket",
      [&] {
        RecordsetPtr header = documentHeader(basket);
        RecordsetPtr lines = documentLines(basket);
        ScopedTransaction tx(cn);
        writeThrough(header, cn);
        writeThrough(lines, cn);
        tx.commit();
      },
      [&] { return ConnectionErrorsText(cn); });
}

}  // namespace merxa

#include <vector>

#include "basket/basket.h"
#include "basket/sales_document.h"
#include "common/error_handling.h"
#include "common/lib_sales.h"

namespace merxa {

using platform::Date;
using platform::ObjectPtr;
using platform::data::RecordsetPtr;

// A copy is stored whole or not at all: the new header, its fields and every line go in
// through one connection in one transaction, and any failing step aborts the copy, so the
// caller never gets a copy with a field or a line quietly left out, and no header of an
// abandoned copy stays behind.
DictionaryPtr Basket::Copy(const Variant& iSourceBasket, const std::string& iNewName) {
  return guarded("Merxa.Basket.Copy()", [&] {
    const DictionaryPtr source = documentOf(iSourceBasket);
    RecordsetPtr sourceHeader = documentHeader(source);
    RecordsetPtr sourceLines = documentLines(source);
    required(sourceHeader);
    required(sourceLines);

    // Configured lines get copies of their configurations first: the configurator keeps
    // them in its own store, outside the transaction below. A copy that fails later leaves
    // at most unused configuration copies behind, never a half basket.
    std::vector<Variant> configIds;
    if (!sourceLines->empty()) {
      ObjectPtr configurations;
      sourceLines->MoveFirst();
      while (!sourceLines->eof()) {
        const Variant configurable = sourceLines->value("PRODUCTCONFIGURABLE");
        if (!configurable.isNull() && configurable.toBool()) {
          if (!configurations) {
            configurations =
                Sls_GetComponent("CorvoConfigurator.Configurator")->call("GetConfigurationService").toObject();
          }
          configIds.push_back(required(configurations)
                                  .call("CopyConfiguration", {sourceLines->value("PRODUCTCONFIGID"),
                                                              Variant(sourceLines->value("SKU").toString()),
                                                              documentEntry(source, "_language"),
                                                              documentEntry(source, "_countrycode")}));
        } else {
          configIds.push_back(Variant());
        }
        sourceLines->MoveNext();
      }
    }

    ScopedConnection cn;
    ScopedTransaction tx(cn.get());
    DictionaryPtr copy = CreateBasket(cn.get(), sourceHeader->value("USERID").toString(),
                                      sourceHeader->value("BUSINESSPARTNERID").toLong());
    RecordsetPtr newHeader = documentHeader(copy);
    RecordsetPtr newLines = documentLines(copy);
    const std::string newId = newHeader->value("BASKETID").toString();
    newHeader->setValue("BASKETNAME", Variant(iNewName));
    newHeader->setValue("BASKETDATE", Variant(Date::today()));
    for (const char* column : {"SHIPPINGADDRESSID", "BILLINGADDRESSID", "BASKETTEXT"}) {
      newHeader->setValue(column, sourceHeader->value(column));
    }

    if (!sourceLines->empty()) {
      sourceLines->MoveFirst();
      for (const Variant& configId : configIds) {
        newLines->addNew();
        newLines->setValue("BASKETID", Variant(newId));
        for (const char* column : {"BASKETLINENR", "SKU", "QUANTITY", "REQUESTDATE", "ADDRESSID", "LINETEXT"}) {
          newLines->setValue(column, sourceLines->value(column));
        }
        // The copy is configurable exactly when its source is; without the flag a copied
        // configured line would no longer be priced or shown as one.
        newLines->setValue("PRODUCTCONFIGURABLE", sourceLines->value("PRODUCTCONFIGURABLE"));
        if (!configId.isEmpty()) newLines->setValue("PRODUCTCONFIGID", configId);
        sourceLines->MoveNext();
      }
    }

    copy->SetItem(Variant("header"), Variant(newHeader));
    copy->SetItem(Variant("lines"), Variant(newLines));
    SaveBasket(cn.get(), copy);
    tx.commit();
    return copy;
  });
}

}  // namespace merxa

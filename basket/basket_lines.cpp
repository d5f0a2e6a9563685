#include "basket/basket.h"
#include "basket/sales_document.h"
#include "common/error_handling.h"
#include "common/lib_sales.h"

namespace merxa {

using platform::Date;
using platform::data::RecordsetPtr;

int32_t Basket::AddLine(Variant& iBasket, int32_t iSKU, double iQuantity, Date iRequestDate, bool iConfigurable,
                        const std::string& iConfigID) {
  return guarded("Merxa.Basket.AddLine()", [&] {
    ScopedConnection cn;
    return AddLineToBasket(cn.get(), documentOf(iBasket), iSKU, iQuantity, iRequestDate, iConfigurable, iConfigID);
  });
}

bool Basket::DeleteLines(Variant& iBasket, const Variant& LineNrs) {
  return guarded("Merxa.Basket.DeleteLines()", [&] {
    ScopedConnection cn;
    return DeleteLinesFromBasket(cn.get(), documentOf(iBasket), LineNrs);
  });
}

int32_t Basket::AddLineToBasket(const ConnectionPtr& cn, const DictionaryPtr& basket, int32_t sku, double quantity,
                                Date requestDate, bool configurable, const std::string& configId) {
  return guarded("Merxa.Basket.AddLineToBasket", [&] {
    RecordsetPtr header = documentHeader(basket);
    RecordsetPtr lines = documentLines(basket);
    const Variant basketId = header->value("BASKETID");

    // The last row in recordset order holds the highest number: restored lines come sorted
    // and added lines follow in the order they were added.
    int32_t lineNr = 1;
    if (!lines->empty()) {
      lines->MoveLast();
      lineNr = lines->value("BASKETLINENR").toLong() + 1;
    }

    lines->addNew();
    lines->setValue("BASKETID", basketId);
    lines->setValue("SKU", Variant(sku));
    lines->setValue("QUANTITY", Variant(quantity));
    lines->setValue("BASKETLINENR", Variant(lineNr));
    lines->setValue("REQUESTDATE", Variant(requestDate));
    lines->setValue("PRODUCTCONFIGURABLE", Variant(configurable));
    lines->setValue("PRODUCTCONFIGID", Variant(platform::trimBlanks(configId)));

    Save(Variant(basket));
    return lineNr;
  });
}

bool Basket::DeleteLinesFromBasket(const ConnectionPtr& cn, const DictionaryPtr& basket, const Variant& lineNrs) {
  return guarded("Merxa.Basket.DeleteLinesFromBasket", [&] {
    RecordsetPtr lines = documentLines(basket);
    const platform::SafeArray& numbers = lineNrs.array();
    for (int32_t i = 0; i <= numbers.upperBound(); ++i) {
      // Each number is searched from the first row, so a number that is not in the basket
      // does not hide the numbers after it.
      if (lines->empty()) break;
      lines->MoveFirst();
      lines->Find("BASKETLINENR = " + numbers.at(i).toString(), 0, Variant(1), Variant::missing());
      if (!lines->bof() && !lines->eof()) {
        lines->Delete(Variant(1));
        lines->MoveFirst();
      }
    }
    basket->SetItem(Variant("lines"), Variant(lines));
    SaveBasket(cn, basket);
    return true;
  });
}

}  // namespace merxa

// Basket ("Merxa.Basket"): a web user's shopping baskets in BASKETHEADER and BASKETLINE,
// handed to the pages as sales documents. The class stores what the web layer computed; it
// computes no prices or totals.
//
// Every public operation opens its own connection, passes it to a private routine and
// closes it before returning.
#pragma once

#include <string>

#include "platform/data/connection.h"
#include "platform/dictionary.h"
#include "integrity/referential_integrity.h"
#include "platform/object.h"

namespace merxa {

using platform::DictionaryPtr;
using platform::Variant;
using platform::data::ConnectionPtr;

class Basket : public platform::Object {
 public:
  const platform::DispatchTable& dispatch() const override;
  // The second interface: IReferentialIntegrity.
  platform::ObjectPtr interfaceOf(std::string_view name) override {
    return referentialIntegrityOf(name, "Basket");
  }

  DictionaryPtr Restore(const std::string& iBasketID);
  DictionaryPtr Create(const std::string& iUserID, int32_t iBusinessPartnerID);
  void Save(const Variant& iBasket);
  DictionaryPtr Copy(const Variant& iSourceBasket, const std::string& iNewName);
  void Delete(const std::string& iBasketID);
  int32_t GetBPStoredInDB(Variant& i_sBasketID);
  int32_t AddLine(Variant& iBasket, int32_t iSKU, double iQuantity, platform::Date iRequestDate, bool iConfigurable,
                  const std::string& iConfigID);
  bool DeleteLines(Variant& iBasket, const Variant& LineNrs);
  // The document as the XML of an order form, captions from `ioMessageManager` in
  // `iUserLocale` (basket_xml.cpp).
  std::string ConvertToXML(const Variant& iBasket, const Variant& ioMessageManager, const std::string& iUserLocale);

 private:
  DictionaryPtr RestoreBasket(const ConnectionPtr& cn, const std::string& basketId);
  DictionaryPtr CreateBasket(const ConnectionPtr& cn, const std::string& userId, int32_t businessPartnerId);
  void SaveBasket(const ConnectionPtr& cn, const DictionaryPtr& basket);
  int32_t AddLineToBasket(const ConnectionPtr& cn, const DictionaryPtr& basket, int32_t sku, double quantity,
                          platform::Date requestDate, bool configurable, const std::string& configId);
  bool DeleteLinesFromBasket(const ConnectionPtr& cn, const DictionaryPtr& basket, const Variant& lineNrs);
};

}  // namespace merxa

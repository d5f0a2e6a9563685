#include "basket/basket.h"
#include "basket/sales_document.h"
#include "common/error_handling.h"
#include "common/lib_sales.h"

namespace merxa {

using platform::Date;
using platform::ObjectPtr;
using platform::data::RecordsetPtr;

namespace {

// Runs the steps of a copy the way the basket always has: at first a failing step is passed
// over and the next one runs; once `strict` is set, a failure aborts the copy.
class StepRunner {
 public:
  template <class Step>
  void run(Step&& step) {
    if (strict_) {
      step();
      return;
    }
    try {
      step();
    } catch (...) {
      failed_ = true;
    }
  }
  bool failed() const { return failed_; }
  void makeStrict() { strict_ = true; }

 private:
  bool strict_ = false;
  bool failed_ = false;
};

}  // namespace

DictionaryPtr Basket::Copy(const Variant& iSourceBasket, const std::string& iNewName) {
  return guarded("Merxa.Basket.Copy()", [&] {
    StepRunner steps;
    RecordsetPtr sourceHeader, sourceLines, newHeader, newLines;
    DictionaryPtr source, copy;
    ObjectPtr configurations;
    std::string newId;

    steps.run([&] { source = documentOf(iSourceBasket); });
    steps.run([&] { sourceHeader = documentHeader(source); });
    steps.run([&] { sourceLines = documentLines(source); });
    steps.run([&] {
      copy = Create(required(sourceHeader).value("USERID").toString(),
                    sourceHeader->value("BUSINESSPARTNERID").toLong());
    });
    steps.run([&] { newHeader = documentHeader(copy); });
    steps.run([&] { newLines = documentLines(copy); });
    steps.run([&] { newId = required(newHeader).value("BASKETID").toString(); });
    steps.run([&] { required(newHeader).setValue("BASKETNAME", Variant(iNewName)); });
    steps.run([&] { required(newHeader).setValue("BASKETDATE", Variant(Date::today())); });
    for (const char* column : {"SHIPPINGADDRESSID", "BILLINGADDRESSID", "BASKETTEXT"}) {
      steps.run([&] { required(newHeader).setValue(column, required(sourceHeader).value(column)); });
    }
    steps.run([&] {
      configurations = Sls_GetComponent("CorvoConfigurator.Configurator")->call("GetConfigurationService").toObject();
    });
    if (steps.failed()) steps.makeStrict();

    steps.run([&] {
      if (required(sourceLines).empty()) return;
      required(newLines);
      sourceLines->MoveFirst();
      while (!sourceLines->eof()) {
        newLines->addNew();
        steps.run([&] { newLines->setValue("BASKETID", Variant(newId)); });
        for (const char* column : {"BASKETLINENR", "SKU", "QUANTITY", "REQUESTDATE", "ADDRESSID", "LINETEXT"}) {
          steps.run([&] { newLines->setValue(column, sourceLines->value(column)); });
        }
        steps.run([&] {
          const Variant configurable = sourceLines->value("PRODUCTCONFIGURABLE");
          // The copy is configurable exactly when its source is; without the flag a copied
          // configured line would no longer be priced or shown as one.
          newLines->setValue("PRODUCTCONFIGURABLE", configurable);
          if (!configurable.isNull() && configurable.toBool()) {
            required(configurations);
            newLines->setValue(
                "PRODUCTCONFIGID",
                configurations->call("CopyConfiguration",
                                     {sourceLines->value("PRODUCTCONFIGID"), Variant(sourceLines->value("SKU").toString()),
                                      documentEntry(source, "_language"), documentEntry(source, "_countrycode")}));
          }
        });
        sourceLines->MoveNext();
      }
    });

    steps.run([&] {
      required(copy).SetItem(Variant("header"), Variant(newHeader));
      copy->SetItem(Variant("lines"), Variant(newLines));
    });
    // Storing the copy is never passed over: a copy that was not stored must not be handed
    // back as if it were.
    steps.makeStrict();
    steps.run([&] { Save(Variant(copy)); });
    return copy;
  });
}

}  // namespace merxa

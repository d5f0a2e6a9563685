#include "basket/sales_document.h"

namespace merxa {

using platform::Variant;

DictionaryPtr documentOf(const Variant& document) { return document.as<platform::Dictionary>(); }

RecordsetPtr documentHeader(const DictionaryPtr& document) {
  return required(document).Item(Variant("header")).as<platform::data::Recordset>();
}

RecordsetPtr documentLines(const DictionaryPtr& document) {
  return required(document).Item(Variant("lines")).as<platform::data::Recordset>();
}

DictionaryPtr makeDocument(const RecordsetPtr& header, const RecordsetPtr& lines) {
  auto doc = platform::makeObject<platform::Dictionary>();
  doc->Add(Variant("header"), Variant(header));
  doc->Add(Variant("lines"), Variant(lines));
  return doc;
}

Variant documentEntry(const DictionaryPtr& document, const std::string& key) {
  const Variant* v = document->find(Variant(key));
  return v ? *v : Variant();
}

void writeThrough(const RecordsetPtr& rs, const platform::data::ConnectionPtr& cn) {
  rs->attach(cn);
  try {
    rs->updateBatch();
  } catch (...) {
    rs->detach();
    throw;
  }
  rs->detach();
}

}  // namespace merxa

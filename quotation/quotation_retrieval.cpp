// Reading, copying and deleting quotations.
#include "basket/sales_document.h"
#include "common/encoding.h"
#include "common/error_handling.h"
#include "common/lib_sales.h"
#include "common/merxa_error.h"
#include "common/site_user_product.h"
#include "platform/data/recordset.h"
#include "quotation/quotation.h"

namespace merxa {

namespace ado = platform::data;
using platform::data::Recordset;

namespace {

// A client-side, batch-optimistic recordset of `sql` on `cn`, detached once read.
RecordsetPtr openDetached(const std::string& sql, const ConnectionPtr& cn, int32_t maxRecords = 0) {
  auto rs = platform::makeObject<Recordset>();
  if (maxRecords > 0) rs->SetMaxRecords(maxRecords);
  rs->SetCursorLocation(ado::adUseClient);
  rs->open(sql, cn, ado::adOpenForwardOnly, ado::adLockBatchOptimistic);
  rs->detach();
  return rs;
}

bool nonEmptyArray(const Variant& v) { return v.isArray() && !v.array().items.empty(); }

}  // namespace

std::string lineNumberFilter(const Variant& lineIds) {
  if (!nonEmptyArray(lineIds)) return "";
  std::string filter = " AND (";
  for (const Variant& line : lineIds.array().items) filter += " LINENUMBER= " + SqlLiteralLong(line.toLong()) + " OR ";
  filter.resize(filter.size() - 4);
  return filter + ")";
}

// ---- reading ------------------------------------------------------------------------------

DictionaryPtr Quotation::Show(const std::string& sQuotationID, const Variant& i_aLineID) {
  ConnectionPtr cn;
  return guarded(
      "Merxa.Quotation.Show()",
      [&] {
        ScopedConnection scoped;
        cn = scoped.get();
        return ShowQuotation(cn, sQuotationID, i_aLineID);
      },
      [&] { return cn ? ConnectionErrorsText(cn) : std::string(); });
}

DictionaryPtr Quotation::ShowQuotation(const ConnectionPtr& cn, const std::string& quotationId,
                                       const Variant& lineIds) {
  const std::string id = SqlLiteralValue(Variant(quotationId));
  RecordsetPtr header = openDetached("SELECT * FROM QUOTATIONHEADER WHERE QUOTATIONID = " + id, cn, 1);
  if (header->empty()) raiseMerxa(MissingOrderID, "Merxa.Quotation", "");
  // In LINENUMBER order: Save pairs these lines with the stored ones in that order.
  RecordsetPtr lines = openDetached(
      "SELECT * FROM QUOTATIONLINE WHERE QUOTATIONID = " + id + lineNumberFilter(lineIds) + " ORDER BY LINENUMBER", cn);
  return makeDocument(header, lines);
}

DictionaryPtr Quotation::GetLines(const std::string& i_sQuotationID, const Variant& i_aLineID) {
  return guarded("Merxa.Quotation.GetLines()", [&] {
    DictionaryPtr document = Show(i_sQuotationID, Variant::missing());
    RecordsetPtr lines = documentLines(document);
    const auto& wanted = i_aLineID.array().items;
    if (lines->RecordCount() == static_cast<int32_t>(wanted.size())) return document;
    // The lines not asked for become pending deletions: saving the document deletes them.
    RecordsetPtr kept = lines->Clone(Variant::missing());
    if (!lines->empty()) {
      lines->MoveFirst();
      kept->MoveFirst();
    }
    while (!lines->eof()) {
      const int32_t number = lines->value("LINENUMBER").toLong();
      bool asked = false;
      for (const Variant& w : wanted) asked = asked || w.toLong() == number;
      if (!asked) kept->Delete(Variant(static_cast<int>(ado::adAffectCurrent)));
      lines->MoveNext();
      if (!kept->eof()) kept->MoveNext();
    }
    document->SetItem(Variant("lines"), Variant(kept));
    return document;
  });
}

bool Quotation::CheckQuotationLinesPresent(const std::string& sQuotationID) {
  return guarded("Merxa.Quotation.CheckQuotationLinesPresent()", [&] {
    ScopedConnection cn;
    return QuotationLinesExist(cn.get(), sQuotationID);
  });
}

bool Quotation::QuotationLinesExist(const ConnectionPtr& cn, const std::string& quotationId) {
  RecordsetPtr rs = cn->execute("SELECT QUOTATIONID FROM QUOTATIONLINE WHERE QUOTATIONID = " +
                                SqlLiteralValue(Variant(quotationId)));
  const bool found = !rs->empty();
  Sls_CloseRecordSet(rs);
  return found;
}

int32_t Quotation::GetBPStoredInDB(Variant& i_sQuoteID) {
  // Never fails: an unknown quotation, a Null partner or a database error all give 0.
  try {
    ScopedConnection cn;
    RecordsetPtr rs = cn->execute("SELECT BUSINESSPARTNERID FROM QUOTATIONHEADER WHERE QUOTATIONID = " +
                                  SqlLiteralText(i_sQuoteID.toString()));
    const int32_t id = Variant(rs->field(0)->Value().toString()).toLong();
    Sls_CloseRecordSet(rs);
    return id;
  } catch (...) {
    return 0;
  }
}

// ---- copying ------------------------------------------------------------------------------

Variant Quotation::CopyQuotation(const std::string& i_sQuotationID, Variant& i_oFieldValues,
                                 const Variant& i_aLineID) {
  return guarded("Merxa.CopyToQuotation()", [&]() -> Variant {
    if (i_aLineID.isArray() && i_aLineID.array().items.empty()) return Variant();  // nothing asked for
    DictionaryPtr document = Show(i_sQuotationID, i_aLineID.isArray() ? i_aLineID : Variant::missing());
    rejectedLines_ = platform::makeObject<platform::Dictionary>();

    auto fields = i_oFieldValues.as<platform::Dictionary>();
    RecordsetPtr header = documentHeader(document);
    RecordsetPtr lines = documentLines(document);
    const std::string newId = Sls_CreateGUID();
    header->setValue("QUOTATIONID", Variant(newId));
    header->setValue("CUSTOMERREFERENCE", fields->Item(Variant("CUSTOMERREFERENCE")));
    header->setValue("COMMENTS", fields->Item(Variant("COMMENTS")));

    RecordsetPtr kept = lines->Clone(Variant::missing());
    if (!lines->empty()) {
      lines->MoveFirst();
      kept->MoveFirst();
    }
    while (!lines->eof()) {
      std::string reason;
      if (ValidProduct(lines->value("SKU").toLong(), reason)) {
        // A configurable product needs the line's say on its configuration.
        const Variant configurable = GetProductProperty(lines->value("SKU").toLong(), "CONFIGURABLE");
        const Variant lineConfigurable = lines->value("PRODUCTCONFIGURABLE");
        if (!configurable.isNull() && !configurable.isEmpty() && configurable.toBool() &&
            (lineConfigurable.isNull() || lineConfigurable.isEmpty()))
          reason = "MerxaError_InvalidConfiguration";
      }
      if (reason.empty()) {
        kept->setValue("QUOTATIONID", Variant(newId));
      } else {
        const Variant partNumber = lines->value("PARTNUMBER");
        if (!rejectedLines_->Exists(partNumber)) rejectedLines_->Add(partNumber, Variant(reason));
        kept->Delete(Variant(static_cast<int>(ado::adAffectCurrent)));
      }
      lines->MoveNext();
      if (!kept->eof()) kept->MoveNext();
    }

    if (kept->RecordCount() > 0) {
      DictionaryPtr copy = makeDocument(header, kept);
      ScopedConnection cn;
      ScopedTransaction tx(cn.get());
      if (CreateQuotation(copy, cn.get())) {
        tx.commit();
        // The caller learns the copy's identifier through the field values it handed in.
        fields->SetItem(Variant("QUOTATIONID"), Variant(newId));
      }
    }
    return Variant(rejectedLines_);
  });
}

// ---- deleting -----------------------------------------------------------------------------

void Quotation::Delete(const Variant& i_aQuotationID) {
  guarded("Merxa.Quotation.Delete()", [&] {
    ScopedConnection cn;
    // All of them or none: a failure part of the way keeps every quotation whole.
    ScopedTransaction tx(cn.get());
    for (const Variant& id : i_aQuotationID.array().items) {
      const std::string literal = SqlLiteralText(id.toString());
      cn->executeNoRecords("DELETE FROM QUOTATIONLINE WHERE QUOTATIONID = " + literal);
      cn->executeNoRecords("DELETE FROM QUOTATIONHEADER WHERE QUOTATIONID = " + literal);
    }
    tx.commit();
  });
}

void Quotation::DeleteLine(const std::string& i_sQuotationID, const Variant& i_aQuotationLineID) {
  DeleteQuotationLine(i_sQuotationID, i_aQuotationLineID);
}

void Quotation::DeleteQuotationLine(const std::string& quotationId, const Variant& lineIds) {
  guarded("Merxa.Quotation.DeleteQuotationLine()", [&] {
    ScopedConnection cn;
    ScopedTransaction tx(cn.get());
    const std::string id = SqlLiteralValue(Variant(quotationId));
    for (const Variant& line : lineIds.array().items)
      cn->executeNoRecords("DELETE FROM QUOTATIONLINE WHERE QUOTATIONID = " + id +
                           " AND LINENUMBER = " + SqlLiteralLong(line.toLong()));
    // Deleting the last line deletes the quotation.
    if (!QuotationLinesExist(cn.get(), quotationId))
      cn->executeNoRecords("DELETE FROM QUOTATIONHEADER WHERE QUOTATIONID = " + id);
    tx.commit();
  });
}

}  // namespace merxa

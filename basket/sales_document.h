// The sales document: a dictionary whose "header" and "lines" entries hold client-side,
// batch-optimistic recordsets detached from any connection, plus a few plain entries the web
// layer sets ("origin", "_language", "_countrycode", "sendasemail"). Components read and
// change the recordsets in place; nothing is copied into structures of their own.
#pragma once

#include <string>

#include "platform/data/connection.h"
#include "platform/data/recordset.h"
#include "platform/dictionary.h"

namespace merxa {

using platform::DictionaryPtr;
using platform::data::RecordsetPtr;

// The object behind `p`; 91 (object variable not set) when there is none, as a call on
// Nothing fails.
template <class T>
T& required(const std::shared_ptr<T>& p) {
  if (!p) platform::raiseVb(platform::vb::ObjectNotSet);
  return *p;
}

// The document held by a Variant (13 when it holds something else).
DictionaryPtr documentOf(const platform::Variant& document);

RecordsetPtr documentHeader(const DictionaryPtr& document);
RecordsetPtr documentLines(const DictionaryPtr& document);

// A new document with the two recordsets.
DictionaryPtr makeDocument(const RecordsetPtr& header, const RecordsetPtr& lines);

// Writes a detached recordset's pending rows through `cn` and detaches it again, also when
// the write fails.
void writeThrough(const RecordsetPtr& rs, const platform::data::ConnectionPtr& cn);

// The entry under `key`, Empty when absent (never adds it).
platform::Variant documentEntry(const DictionaryPtr& document, const std::string& key);

}  // namespace merxa

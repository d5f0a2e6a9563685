// Recordset.Find: the next row, from the current one, whose column meets one criterion.
#include "platform/data/convert.h"
#include "platform/data/recordset_impl.h"

namespace platform::data {

void Recordset::Find(const std::string& criteria, int32_t skipRows, const Variant& searchDirection,
                     const Variant& start) {
  Impl& m = *impl_;
  m.requireOpen();
  const Criteria c = parseCriteria(criteria, [&](std::string_view n) { return m.store->columnIndex(n); });
  if (!c.single()) raiseVb(vb::InvalidArgument, "ADODB.Recordset");
  const int direction = optionalLong(searchDirection, adSearchForward);
  if ((direction != adSearchForward && direction != adSearchBackward) || skipRows < 0)
    raiseVb(vb::InvalidArgument, "ADODB.Recordset");
  if (direction == adSearchBackward && m.forwardOnly())
    raiseError(kCannotScrollBack, "ADODB.Recordset", "Rowset does not support fetching backward.");
  m.implicitUpdate();
  m.sync();
  if (m.bof && m.eof && !m.anyVisible()) raiseVb(vb::NoCurrentRecord, "ADODB.Recordset");

  // The search runs from the start row itself (the bookmark's, or the current one) in the
  // given direction; from BOF or EOF it begins at the near end.
  const auto size = static_cast<ptrdiff_t>(m.order.size());
  ptrdiff_t p;
  if (!isOmitted(start)) {
    p = m.positionOfBookmark(start);
  } else if (direction == adSearchForward) {
    p = m.eof ? size : (m.bof ? 0 : static_cast<ptrdiff_t>(m.at));
  } else {
    p = m.bof ? -1 : (m.eof ? size - 1 : static_cast<ptrdiff_t>(m.at));
  }
  const auto& condition = c.anyOf[0][0];
  for (int32_t skip = skipRows; p >= 0 && p < size; p += direction) {
    if (!m.visible(static_cast<size_t>(p))) continue;
    if (skip > 0) {
      --skip;
      continue;
    }
    if (condition.matches(m.store->row(m.order[static_cast<size_t>(p)]).values[static_cast<size_t>(condition.column)])) {
      m.at = static_cast<size_t>(p);
      m.bof = m.eof = false;
      return;
    }
  }
  if (direction == adSearchForward) m.eof = true;
  else m.bof = true;
}

}  // namespace platform::data

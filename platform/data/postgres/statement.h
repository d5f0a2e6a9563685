// A statement on a PostgreSQL session. Parameters are collected by bind; the statement is
// sent once every placeholder has a value and either its columns are asked for or it is
// stepped, so a query costs one round trip to the server. The result is held whole, and each
// step moves to its next row. Columns asked for before all placeholders are bound are
// described by the server without running the statement.
//
// Asking for the columns never fails: should the statement fail when sent for them, it
// reports no columns and the first step raises the failure, where a caller expects it.
//
// Binding again after the statement ran starts it over, so one statement can be run with
// several sets of values. The rows of a result can be handed over as the server sent them, to
// be read long after the statement is gone. A value for a placeholder the statement does not have is checked
// and then left out. A statement without placeholders may hold several commands (a
// script); the last one gives the rows.
#pragma once

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "platform/data/postgres/connection.h"

namespace platform::data::postgres {

class PgStatement final : public ProviderStatement {
 public:
  // `sql` is already in the server's dialect, with $1..$parameterCount placeholders.
  PgStatement(PgConnection& connection, std::string sql, int parameterCount);

  void bind(int index, const Variant& value) override;
  bool step() override;
  int columnCount() const override;
  const ColumnInfo& column(int i) const override;
  Variant value(int i) const override;
  std::shared_ptr<const HeldRows> holdRows(size_t limit) override;
  int64_t rowsAffected() const override;

 private:
  bool allBound() const;
  void execute() const;

  PgConnection& connection_;
  std::string sql_;
  ParameterTexts parameters_;
  std::vector<bool> bound_;
  // Filled by execute(), which const members may call: the statement is sent when its
  // columns are first asked for.
  mutable std::shared_ptr<PGresult> result_;  // shared with the rows handed over by holdRows
  mutable std::exception_ptr failure_;  // of a statement sent for its columns
  mutable bool described_ = false;
  mutable std::vector<ColumnInfo> columns_;
  bool started_ = false;  // step has been called since the statement was (re)started
  int row_ = -1;          // current row of result_
};

}  // namespace platform::data::postgres

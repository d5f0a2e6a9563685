#include "platform/data/postgres/statement.h"

#include <algorithm>
#include <cstdlib>

#include "platform/data/postgres/error.h"
#include "platform/data/postgres/types.h"
#include "platform/error.h"

namespace platform::data::postgres {

namespace {

// Whether a command status speaks of rows the command changed ("INSERT 0 3", "UPDATE 2");
// other commands report no records affected, as on the embedded database.
bool changesRows(const PGresult* r) {
  const std::string_view status = PQcmdStatus(const_cast<PGresult*>(r));
  for (std::string_view verb : {"INSERT", "UPDATE", "DELETE", "MERGE"})
    if (status.substr(0, verb.size()) == verb) return true;
  return false;
}

// The rows of a result as the server sent them, decoded one row at a time.
class PgHeldRows final : public HeldRows {
 public:
  PgHeldRows(std::shared_ptr<const PGresult> result, int first, int count, const std::vector<ColumnInfo>& columns)
      : result_(std::move(result)), first_(first), count_(count) {
    types_.reserve(columns.size());
    for (const ColumnInfo& c : columns) types_.push_back(c.type);
  }
  size_t size() const override { return static_cast<size_t>(count_); }
  void appendRow(size_t row, std::vector<Variant>& values) const override {
    appendRowValues(values, result_.get(), first_ + static_cast<int>(row), types_);
  }

 private:
  std::shared_ptr<const PGresult> result_;
  int first_;
  int count_;
  std::vector<int32_t> types_;
};

}  // namespace

PgStatement::PgStatement(PgConnection& connection, std::string sql, int parameterCount)
    : connection_(connection),
      sql_(std::move(sql)),
      parameters_(static_cast<size_t>(parameterCount)),
      bound_(static_cast<size_t>(parameterCount), false) {}

void PgStatement::bind(int index, const Variant& value) {
  if (index < 1) raiseVb(vb::SubscriptOutOfRange, kProviderName);
  const auto i = static_cast<size_t>(index - 1);
  std::optional<std::string> text = parameterText(value);
  if (i >= parameters_.size()) return;  // no such placeholder: the value is not wanted, as on SQLite
  parameters_[i] = std::move(text);
  bound_[i] = true;
  result_.reset();  // a new value starts the statement over
  failure_ = nullptr;
  started_ = false;
  row_ = -1;
}

bool PgStatement::allBound() const {
  return std::all_of(bound_.begin(), bound_.end(), [](bool b) { return b; });
}

void PgStatement::execute() const {
  result_ = connection_.run(sql_, parameters_);
  if (!described_) {
    columns_ = connection_.resultColumns(result_.get());
    described_ = true;
  }
}

bool PgStatement::step() {
  if (failure_) {
    const std::exception_ptr failure = failure_;
    failure_ = nullptr;
    std::rethrow_exception(failure);
  }
  if (!started_) {
    started_ = true;
    if (!result_) execute();
    row_ = 0;
  } else if (row_ < PQntuples(result_.get())) {
    ++row_;
  }
  return row_ < PQntuples(result_.get());
}

int PgStatement::columnCount() const {
  if (!described_ && !failure_) {
    try {
      if (allBound()) {
        execute();
      } else {
        columns_ = connection_.resultColumns(connection_.describe(sql_, static_cast<int>(parameters_.size())).get());
        described_ = true;
      }
    } catch (const ProviderException&) {
      failure_ = std::current_exception();
    }
  }
  return static_cast<int>(columns_.size());
}

const ColumnInfo& PgStatement::column(int i) const {
  if (i < 0 || i >= columnCount()) raiseVb(vb::ItemNotFound, kProviderName);
  return columns_[static_cast<size_t>(i)];
}

Variant PgStatement::value(int i) const {
  // On a row the columns are described, so the column count needs no call of its own.
  const PGresult* r = result_.get();
  if (!r || row_ < 0 || row_ >= PQntuples(r)) {
    if (i < 0 || i >= columnCount()) raiseVb(vb::ItemNotFound, kProviderName);
    raiseVb(vb::NoCurrentRecord, kProviderName);
  }
  if (i < 0 || static_cast<size_t>(i) >= columns_.size()) raiseVb(vb::ItemNotFound, kProviderName);
  if (PQgetisnull(r, row_, i)) return Variant::null();
  const std::string_view text(PQgetvalue(r, row_, i), static_cast<size_t>(PQgetlength(r, row_, i)));
  return valueFromText(columns_[static_cast<size_t>(i)].type, text);
}

std::shared_ptr<const HeldRows> PgStatement::holdRows(size_t limit) {
  const PGresult* r = result_.get();
  if (!r || row_ < 0 || row_ >= PQntuples(r)) return nullptr;
  const int rest = PQntuples(r) - row_;
  const int count = limit > 0 && limit < static_cast<size_t>(rest) ? static_cast<int>(limit) : rest;
  auto held = std::make_shared<PgHeldRows>(result_, row_, count, columns_);
  row_ = PQntuples(r);  // past the rows handed over
  return held;
}

int64_t PgStatement::rowsAffected() const {
  if (!result_ || !changesRows(result_.get())) return 0;
  return std::strtoll(PQcmdTuples(result_.get()), nullptr, 10);
}

}  // namespace platform::data::postgres

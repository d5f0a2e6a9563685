// Connection ("ADODB.Connection"): an open session on the sales database.
//
// Open borrows a provider connection from the pool of its connection string; Close hands it
// back (rolling back any transaction left open). Recordsets opened on it keep their rows after
// Close; they write again once attached to an open connection. Execute runs one statement;
// provider failures raise ComError(kProviderError) and fill Errors (cleared only by the next
// failure or Errors.Clear). Transactions nest as levels (savepoints below the first);
// CommitTrans/RollbackTrans without one fail with kNoTransaction.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/data/provider.h"
#include "platform/data/types.h"
#include "platform/object.h"

namespace platform::data {

class Recordset;
using RecordsetPtr = std::shared_ptr<Recordset>;

// One entry of Connection.Errors ("ADODB.Error").
class Error : public Object {
 public:
  explicit Error(ProviderError e) : e_(std::move(e)) {}
  const DispatchTable& dispatch() const override;
  std::string Description() const { return e_.description; }
  int32_t Number() const { return e_.number; }
  std::string Source() const { return e_.source; }
  std::string SQLState() const { return e_.sqlState; }
  int32_t NativeError() const { return e_.nativeError; }
  std::string HelpFile() const { return {}; }
  int32_t HelpContext() const { return 0; }

 private:
  ProviderError e_;
};

// Connection.Errors ("ADODB.Errors").
class Errors : public Object {
 public:
  const DispatchTable& dispatch() const override;
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  std::shared_ptr<Error> Item(int32_t index) const;  // 0-based; 3265 outside
  void Clear() { items_.clear(); }
  void add(ProviderError e) { items_.push_back(std::make_shared<Error>(std::move(e))); }

 private:
  std::vector<std::shared_ptr<Error>> items_;
};

class Connection : public Object {
 public:
  Connection();
  ~Connection() override;
  const DispatchTable& dispatch() const override;

  // Members of the original.
  std::string ConnectionString() const { return connectionString_; }
  void SetConnectionString(const std::string& text);  // 3705 while open
  void Open(const Variant& connectionString, const Variant& userId, const Variant& password,
            const Variant& options);
  RecordsetPtr Execute(const std::string& commandText, Variant& recordsAffected, const Variant& options);
  int32_t BeginTrans();
  // BeginTrans for a caller that rolls the whole transaction back at its first failed
  // statement and never carries on after one (as ScopedTransaction does); nested, it is a
  // plain BeginTrans.
  int32_t beginAllOrNothing();
  void CommitTrans();
  void RollbackTrans();
  void Close();
  int32_t State() const;
  std::shared_ptr<Errors> GetErrors() const { return errors_; }
  RecordsetPtr OpenSchema(int32_t kind, const Variant& criteria);
  // Where recordsets returned by Execute keep their cursor (adUseServer by default).
  int32_t CursorLocation() const { return cursorLocation_; }
  void SetCursorLocation(int32_t v);
  // Accepted and kept for callers that set them; the providers do not time statements out.
  int32_t CommandTimeout() const { return commandTimeout_; }
  void SetCommandTimeout(int32_t v) { commandTimeout_ = v; }
  int32_t ConnectionTimeout() const { return connectionTimeout_; }
  void SetConnectionTimeout(int32_t v) { connectionTimeout_ = v; }

  // C++ conveniences.
  void open(const std::string& connectionString);
  RecordsetPtr execute(const std::string& sql, int32_t options = -1);  // records affected dropped
  int64_t executeNoRecords(const std::string& sql);                    // returns records affected
  int transactionLevel() const { return level_; }
  ProviderConnection& provider();  // 3709 when closed

  // Records a provider failure in Errors and throws it.
  [[noreturn]] void fail(const ProviderError& e);
  // Counts a statement against the fault-injection hook (testing.h); throws when it hits.
  void countStatement(std::string_view sql);

  // For the data layer: runs f; a ProviderException it throws is recorded in Errors and
  // raised as ComError.
  template <class F>
  decltype(auto) guard(F&& f) {
    try {
      return f();
    } catch (const ProviderException& e) {
      fail(e.error);
    }
  }
  // A counted statement (one the fault-injection hook may fail), prepared by the provider.
  std::unique_ptr<ProviderStatement> prepareStatement(std::string_view sql);
  std::unique_ptr<ProviderStatement> prepareProcedure(std::string_view name, int parameterCount);
  // Runs a prepared statement as Execute does: a forward-only, read-only recordset for a
  // statement with columns, otherwise a closed one (null with adExecuteNoRecords);
  // recordsAffected gets the rows an action query touched, -1 for a query.
  RecordsetPtr executeStatement(ProviderStatement& stmt, Variant& recordsAffected, bool noRecords);
  // For the data layer: `undo` runs when the innermost transaction open now is rolled back
  // (also by Close); it is forgotten once the outermost transaction commits. Recordsets use it
  // to take back rows they marked written inside a transaction that did not last.
  void onRollback(std::function<void()> undo);

 private:
  void undoFrom(int level);  // runs, newest first, the undo actions of `level` and deeper

  std::string connectionString_;
  std::unique_ptr<ProviderConnection> provider_;
  std::shared_ptr<Errors> errors_;
  int level_ = 0;
  ConnectionProperties props_;  // of the open session: the pool's key
  int32_t cursorLocation_ = adUseServer;
  int32_t commandTimeout_ = 30;
  int32_t connectionTimeout_ = 15;
  std::vector<std::pair<int, std::function<void()>>> undo_;  // transaction level -> undo action
};

using ConnectionPtr = std::shared_ptr<Connection>;

}  // namespace platform::data

#include "platform/data/connection.h"

#include "platform/data/convert.h"
#include "platform/data/dialect.h"
#include "platform/data/pool.h"
#include "platform/data/recordset.h"
#include "platform/data/storable_text.h"
#include "platform/data/testing.h"

namespace platform::data {

namespace {

constexpr const char* kSource = "ADODB.Connection";

std::string savepointName(int level) { return "merxa_level_" + std::to_string(level); }

}  // namespace

// ---- Errors ------------------------------------------------------------------------------

const DispatchTable& Error::dispatch() const {
  static const DispatchTable table = Members<Error>("ADODB.Error")
                                         .property("Description", &Error::Description)
                                         .property("Number", &Error::Number)
                                         .property("Source", &Error::Source)
                                         .property("SQLState", &Error::SQLState)
                                         .property("NativeError", &Error::NativeError)
                                         .property("HelpFile", &Error::HelpFile)
                                         .property("HelpContext", &Error::HelpContext)
                                         .defaultMember("Description");
  return table;
}

const DispatchTable& Errors::dispatch() const {
  static const DispatchTable table = Members<Errors>("ADODB.Errors")
                                         .property("Count", &Errors::Count)
                                         .property("Item", &Errors::Item)
                                         .method("Clear", &Errors::Clear)
                                         .defaultMember("Item");
  return table;
}

std::shared_ptr<Error> Errors::Item(int32_t index) const {
  if (index < 0 || index >= Count()) raiseVb(vb::ItemNotFound, "ADODB.Errors");
  return items_[static_cast<size_t>(index)];
}

// ---- Connection --------------------------------------------------------------------------

Connection::Connection() : errors_(makeObject<Errors>()) {}

Connection::~Connection() {
  try {
    if (provider_) Close();
  } catch (...) {
    // A destructor reports nothing; the session has been dropped either way.
  }
}

const DispatchTable& Connection::dispatch() const {
  static const DispatchTable table =
      Members<Connection>("ADODB.Connection")
          .property("ConnectionString", &Connection::ConnectionString, &Connection::SetConnectionString)
          .method("Open", &Connection::Open, 4)
          .method("Execute", &Connection::Execute, 2)
          .method("BeginTrans", &Connection::BeginTrans)
          .method("CommitTrans", &Connection::CommitTrans)
          .method("RollbackTrans", &Connection::RollbackTrans)
          .method("Close", &Connection::Close)
          .property("State", &Connection::State)
          .property("Errors", &Connection::GetErrors)
          .method("OpenSchema", &Connection::OpenSchema, 1)
          .property("CursorLocation", &Connection::CursorLocation, &Connection::SetCursorLocation)
          .property("CommandTimeout", &Connection::CommandTimeout, &Connection::SetCommandTimeout)
          .property("ConnectionTimeout", &Connection::ConnectionTimeout, &Connection::SetConnectionTimeout)
          .defaultMember("ConnectionString");
  return table;
}

void Connection::SetConnectionString(const std::string& text) {
  if (provider_) raiseVb(vb::ObjectOpen, kSource);
  connectionString_ = text;
}

void Connection::SetCursorLocation(int32_t v) {
  if (v != adUseServer && v != adUseClient) raiseVb(vb::InvalidArgument, kSource);
  cursorLocation_ = v;
}

void Connection::Open(const Variant& connectionString, const Variant& userId, const Variant& password,
                      const Variant&) {
  if (provider_) raiseVb(vb::ObjectOpen, kSource);
  if (!connectionString.isMissing() && !connectionString.isEmpty() && !connectionString.isNull()) {
    const std::string text = connectionString.toString();
    if (!text.empty()) connectionString_ = text;
  }
  ConnectionProperties props = parseConnectionString(connectionString_);
  if (userId.isString() && !userId.rawString().empty()) props["USER ID"] = userId.rawString();
  if (password.isString() && !password.rawString().empty()) props["PASSWORD"] = password.rawString();
  provider_ = guard([&] { return ConnectionPool::instance().acquire(props); });
  props_ = std::move(props);
}

void Connection::open(const std::string& connectionString) {
  Open(Variant(connectionString), Variant::missing(), Variant::missing(), Variant::missing());
}

int32_t Connection::State() const { return provider_ ? adStateOpen : adStateClosed; }

ProviderConnection& Connection::provider() {
  if (!provider_) raiseVb(vb::InvalidConnection, kSource);
  return *provider_;
}

void Connection::Close() {
  if (!provider_) raiseVb(vb::ObjectClosed, kSource);
  std::unique_ptr<ProviderConnection> session = std::move(provider_);
  if (level_ > 0) {
    level_ = 0;
    undoFrom(1);
    try {
      session->rollback();
    } catch (const ProviderException&) {
      // The pool does not take a session that is still inside a transaction.
    }
  }
  ConnectionPool::instance().release(props_, std::move(session));
}

void Connection::fail(const ProviderError& e) {
  errors_->Clear();
  errors_->add(e);
  throw ComError(e.number != 0 ? e.number : kProviderError, e.source, e.description);
}

void Connection::countStatement(std::string_view) {
  if (const std::string* message = injectedFailureDue()) {
    ProviderError e;
    e.description = *message;
    e.number = kProviderError;
    e.source = provider_ ? provider_->name() : kSource;
    e.sqlState = "HY000";
    fail(e);
  }
}

std::unique_ptr<ProviderStatement> Connection::prepareStatement(std::string_view sql) {
  ProviderConnection& p = provider();
  // Literals are part of the text; what no database stores alike goes no further.
  if (const char* reason = unstorableText(sql)) refuseText(*this, "The statement text", reason);
  countStatement(sql);
  return guard([&] { return p.prepare(sql); });
}

std::unique_ptr<ProviderStatement> Connection::prepareProcedure(std::string_view name, int parameterCount) {
  ProviderConnection& p = provider();
  countStatement(name);
  return guard([&] { return p.prepareProcedure(name, parameterCount); });
}

RecordsetPtr Connection::executeStatement(ProviderStatement& stmt, Variant& recordsAffected, bool noRecords) {
  if (stmt.columnCount() > 0 && !noRecords) {
    auto rs = makeObject<Recordset>();
    rs->SetCursorLocation(cursorLocation_);
    if (auto self = std::dynamic_pointer_cast<Connection>(weak_from_this().lock()))
      rs->SetActiveConnection(Variant(self));
    guard([&] { rs->loadFrom(stmt, 0); });
    recordsAffected = Variant(-1);
    return rs;
  }
  guard([&] { stmt.step(); });
  recordsAffected = stmt.columnCount() > 0 ? Variant(-1) : Variant(static_cast<int>(stmt.rowsAffected()));
  return noRecords ? nullptr : makeObject<Recordset>();
}

RecordsetPtr Connection::Execute(const std::string& commandText, Variant& recordsAffected, const Variant& options) {
  provider();
  const int32_t opt = optionalLong(options, -1);
  const bool noRecords = opt != -1 && (opt & adExecuteNoRecords) != 0;
  const int32_t kind = opt == -1 ? adCmdText : opt & (adCmdTable | adCmdStoredProc | adCmdTableDirect);
  std::unique_ptr<ProviderStatement> stmt;
  if (kind & adCmdStoredProc) {
    stmt = prepareProcedure(commandText, 0);
  } else if (kind & (adCmdTable | adCmdTableDirect)) {
    stmt = prepareStatement("SELECT * FROM " + quoteIdentifier(plainTableName(commandText)));
  } else {
    stmt = prepareStatement(commandText);
  }
  return executeStatement(*stmt, recordsAffected, noRecords);
}

RecordsetPtr Connection::execute(const std::string& sql, int32_t options) {
  Variant affected;
  return Execute(sql, affected, options == -1 ? Variant::missing() : Variant(static_cast<int>(options)));
}

int64_t Connection::executeNoRecords(const std::string& sql) {
  Variant affected;
  Execute(sql, affected, Variant(static_cast<int>(adCmdText) | static_cast<int>(adExecuteNoRecords)));
  return affected.toLong();
}

int32_t Connection::BeginTrans() {
  if (!provider_) raiseVb(vb::ObjectClosed, kSource);
  if (level_ == 0) guard([&] { provider_->begin(); });
  else guard([&] { provider_->savepoint(savepointName(level_ + 1)); });
  return ++level_;
}

void Connection::CommitTrans() {
  if (!provider_) raiseVb(vb::ObjectClosed, kSource);
  if (level_ == 0) fail({"No transaction is active.", kNoTransaction, provider_->name(), "25000", 0});
  if (level_ == 1) guard([&] { provider_->commit(); });
  else guard([&] { provider_->releaseSavepoint(savepointName(level_)); });
  // What this level did now belongs to the level around it, or is for good.
  for (auto& entry : undo_)
    if (entry.first == level_) --entry.first;
  std::erase_if(undo_, [](const auto& entry) { return entry.first == 0; });
  --level_;
}

void Connection::RollbackTrans() {
  if (!provider_) raiseVb(vb::ObjectClosed, kSource);
  if (level_ == 0) fail({"No transaction is active.", kNoTransaction, provider_->name(), "25000", 0});
  const int level = level_--;  // the level ends even when the engine reports a failure
  undoFrom(level);
  if (level == 1) guard([&] { provider_->rollback(); });
  else guard([&] { provider_->rollbackToSavepoint(savepointName(level)); });
}

void Connection::onRollback(std::function<void()> undo) {
  if (level_ > 0) undo_.emplace_back(level_, std::move(undo));
}

void Connection::undoFrom(int level) {
  while (!undo_.empty() && undo_.back().first >= level) {
    std::function<void()> undo = std::move(undo_.back().second);
    undo_.pop_back();
    undo();
  }
}

}  // namespace platform::data

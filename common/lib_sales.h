// Lib_Sales: the data access and component routines every business class uses.
//
// The connection string, the data-functions object and the application-server object are
// cached per thread on first use and kept for the thread's life; connections are never
// cached: each operation opens one and closes it before it returns.
#pragma once

#include <string>

#include "platform/data/connection.h"
#include "platform/data/recordset.h"
#include "platform/object.h"

namespace merxa {

using platform::ObjectPtr;
using platform::Variant;
using platform::data::ConnectionPtr;
using platform::data::RecordsetPtr;

// The ADO connection string of the sales database, read once per thread from the
// installation's "MerxaConfiguration.xml".
std::string Sls_ConnectionString();

// A new open connection (empty user and password, options -1).
ConnectionPtr Sls_GetOpenConnection(const std::string& connectionString);

// The rows of `sql` in a client-side recordset detached from any connection.
RecordsetPtr Sls_GetDisconnectedRecordset(const std::string& sql, const std::string& connectionString);

// Whether `sql` returns at least one row.
bool Sls_RecordExists(const std::string& sql, const std::string& connectionString);

// Close if open, then release; the caller's variable becomes empty.
void Sls_CloseRecordSet(RecordsetPtr& recordset);
void Sls_CloseConnection(ConnectionPtr& connection);

// Creates a component by ProgID, inside the caller's transaction context when there is one.
ObjectPtr Sls_GetComponent(const std::string& progId);

// The thread's "CorvoLibrary.DataFunctions" object.
ObjectPtr Sls_DataFunctions();

// False for Null, Empty, "" and anything whose text is "0"; True otherwise.
bool Sls_HasValue(const Variant& value);

// 32 upper-case hexadecimal digits from a new GUID ("00000000" when the generator fails).
std::string Sls_CreateGUID();

// The value of a sales parameter, through "Merxa.SalesParameter".
std::string Sls_GetParameterValue(std::string& iParameter);

// The business partner id a caller gave as text: a whole number (blanks around it allowed),
// else InvalidCustomer raised under `source` before any statement runs. Compared with the
// integer column, other text would be refused by the database server and match nothing on the
// embedded database; this way both answer alike.
int32_t businessPartnerIdOf(const std::string& text, const std::string& source);

// Refuses the current row of a document's recordset when one of its text fields holds what no
// database stores alike (a NUL, text that is not UTF-8): 5 (Invalid procedure call), naming the
// field and `rowName` ("line 2"), before any statement is built from the row.
void requireStorableText(const platform::data::Recordset& rs, const std::string& rowName);

// The text with every single quote doubled; Null stays Null.
Variant Sls_EscapeSQLQuotes(const Variant& text);

// An open connection that is closed when the scope ends, as every operation does with its own.
class ScopedConnection {
 public:
  ScopedConnection() : cn_(Sls_GetOpenConnection(Sls_ConnectionString())) {}
  ~ScopedConnection() {
    try {
      Sls_CloseConnection(cn_);
    } catch (...) {
    }
  }
  ScopedConnection(const ScopedConnection&) = delete;
  ScopedConnection& operator=(const ScopedConnection&) = delete;
  const ConnectionPtr& get() const { return cn_; }
  platform::data::Connection* operator->() const { return cn_.get(); }

 private:
  ConnectionPtr cn_;
};

// A transaction on a connection that is rolled back unless committed.
class ScopedTransaction {
 public:
  explicit ScopedTransaction(const ConnectionPtr& cn) : cn_(cn) { cn_->BeginTrans(); }
  ~ScopedTransaction() {
    if (open_) {
      try {
        cn_->RollbackTrans();
      } catch (...) {
      }
    }
  }
  void commit() {
    cn_->CommitTrans();
    open_ = false;
  }
  ScopedTransaction(const ScopedTransaction&) = delete;
  ScopedTransaction& operator=(const ScopedTransaction&) = delete;

 private:
  ConnectionPtr cn_;
  bool open_ = true;
};

namespace testing {
// Forgets this thread's cached connection string, so a test can point the thread at another
// installation.
void forgetThreadCaches();
}  // namespace testing

}  // namespace merxa

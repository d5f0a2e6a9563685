// Command ("ADODB.Command"): a statement with typed parameters, run on a connection.
//
// CommandType adCmdText (and adCmdUnknown, the default) runs CommandText with its "?"
// placeholders bound to the input parameters in order; adCmdStoredProc calls the procedure
// named by CommandText through the provider; adCmdTable reads the whole table. Execute
// returns the rows as Connection.Execute does (forward-only, read-only), a closed recordset
// for an action query, or null with adExecuteNoRecords.
#pragma once

#include <memory>
#include <string>

#include "platform/data/connection.h"
#include "platform/data/parameter.h"

namespace platform::data {

class Command : public Object {
 public:
  Command();
  const DispatchTable& dispatch() const override;

  Variant ActiveConnection() const;            // the Connection, or Nothing
  void SetActiveConnection(const Variant& v);  // a Connection, a connection string or Nothing
  std::string CommandText() const { return text_; }
  void SetCommandText(const std::string& v) { text_ = v; }
  int32_t CommandType() const { return type_; }
  void SetCommandType(int32_t v);  // 3001 for an unknown type
  int32_t CommandTimeout() const { return timeout_; }
  void SetCommandTimeout(int32_t v) { timeout_ = v; }
  bool Prepared() const { return prepared_; }
  void SetPrepared(bool v) { prepared_ = v; }
  std::string Name() const { return name_; }
  void SetName(const std::string& v) { name_ = v; }
  int32_t State() const { return adStateClosed; }
  ParametersPtr GetParameters() const { return parameters_; }

  // Makes a parameter (not appended). Type defaults to adEmpty, direction to adParamInput.
  ParameterPtr CreateParameter(const Variant& name, const Variant& type, const Variant& direction,
                               const Variant& size, const Variant& value);
  // `parameters`, when given, is an array of values for the parameters in order (Missing
  // entries keep theirs), or one value for the first. 3709 without an open connection.
  RecordsetPtr Execute(Variant& recordsAffected, const Variant& parameters, const Variant& options);

  // For Recordset.Open: the connection (3709 unless open) and the statement, prepared, counted
  // and bound.
  ConnectionPtr connection() const;
  std::unique_ptr<ProviderStatement> prepare(const Variant& parameterValues);

 private:
  ConnectionPtr connection_;
  std::string text_;
  int32_t type_ = adCmdUnknown;
  int32_t timeout_ = 30;
  bool prepared_ = false;
  std::string name_;
  ParametersPtr parameters_;
};

using CommandPtr = std::shared_ptr<Command>;

}  // namespace platform::data

#include "platform/data/command.h"

#include "platform/data/convert.h"
#include "platform/data/dialect.h"
#include "platform/data/recordset.h"
#include "platform/data/storable_text.h"

namespace platform::data {

namespace {

constexpr const char* kSource = "ADODB.Command";

}  // namespace

Command::Command() : parameters_(makeObject<Parameters>()) {}

const DispatchTable& Command::dispatch() const {
  static const DispatchTable table =
      Members<Command>("ADODB.Command")
          .property("ActiveConnection", &Command::ActiveConnection, &Command::SetActiveConnection)
          .property("CommandText", &Command::CommandText, &Command::SetCommandText)
          .property("CommandType", &Command::CommandType, &Command::SetCommandType)
          .property("CommandTimeout", &Command::CommandTimeout, &Command::SetCommandTimeout)
          .property("Prepared", &Command::Prepared, &Command::SetPrepared)
          .property("Name", &Command::Name, &Command::SetName)
          .property("State", &Command::State)
          .property("Parameters", &Command::GetParameters)
          .method("CreateParameter", &Command::CreateParameter, 5)
          .method("Execute", &Command::Execute, 3)
          .defaultMember("Parameters");
  return table;
}

Variant Command::ActiveConnection() const { return connection_ ? Variant(connection_) : Variant::nothing(); }

void Command::SetActiveConnection(const Variant& v) {
  if (isOmitted(v) || v.isNull() || v.isNothing()) {
    connection_.reset();
  } else if (v.isObject()) {
    connection_ = v.as<Connection>();
  } else {
    auto cn = makeObject<Connection>();
    cn->open(v.toString());
    connection_ = std::move(cn);
  }
}

void Command::SetCommandType(int32_t v) {
  switch (v) {
    case adCmdUnspecified:
    case adCmdText:
    case adCmdTable:
    case adCmdStoredProc:
    case adCmdUnknown:
    case adCmdTableDirect: type_ = v; return;
    default: raiseVb(vb::InvalidArgument, kSource);
  }
}

ParameterPtr Command::CreateParameter(const Variant& name, const Variant& type, const Variant& direction,
                                      const Variant& size, const Variant& value) {
  auto p = makeObject<Parameter>();
  if (!isOmitted(name)) p->SetName(name.toString());
  if (!isOmitted(type)) p->SetType(type.toLong());
  if (!isOmitted(direction)) p->SetDirection(direction.toLong());
  if (!isOmitted(size)) p->SetSize(size.toLong());
  if (!value.isMissing()) p->SetValue(value);
  return p;
}

ConnectionPtr Command::connection() const {
  if (!connection_ || connection_->State() != adStateOpen) raiseVb(vb::InvalidConnection, kSource);
  return connection_;
}

std::unique_ptr<ProviderStatement> Command::prepare(const Variant& parameterValues) {
  ConnectionPtr cn = connection();
  const auto& params = parameters_->items();
  if (parameterValues.isArray()) {
    const auto& values = parameterValues.array().items;
    for (size_t i = 0; i < values.size() && i < params.size(); ++i)
      if (!values[i].isMissing()) params[i]->SetValue(values[i]);
  } else if (!parameterValues.isMissing() && !params.empty()) {
    params[0]->SetValue(parameterValues);
  }
  std::vector<Variant> inputs;
  for (const ParameterPtr& p : params) {
    if (!p->isInput()) continue;
    inputs.push_back(p->boundValue());
    if (!inputs.back().isString()) continue;
    if (const char* reason = unstorableText(inputs.back().rawString()))
      refuseText(*cn, "Parameter " + std::to_string(inputs.size()), reason);
  }

  std::unique_ptr<ProviderStatement> stmt;
  if (type_ == adCmdStoredProc) stmt = cn->prepareProcedure(text_, static_cast<int>(inputs.size()));
  else if (type_ == adCmdTable || type_ == adCmdTableDirect)
    stmt = cn->prepareStatement("SELECT * FROM " + quoteIdentifier(plainTableName(text_)));
  else stmt = cn->prepareStatement(text_);
  cn->guard([&] {
    for (size_t i = 0; i < inputs.size(); ++i) stmt->bind(static_cast<int>(i) + 1, inputs[i]);
  });
  return stmt;
}

RecordsetPtr Command::Execute(Variant& recordsAffected, const Variant& parameters, const Variant& options) {
  ConnectionPtr cn = connection();
  const int32_t opt = optionalLong(options, -1);
  const bool noRecords = opt != -1 && (opt & adExecuteNoRecords) != 0;
  std::unique_ptr<ProviderStatement> stmt = prepare(parameters);
  return cn->executeStatement(*stmt, recordsAffected, noRecords);
}

}  // namespace platform::data

// The data layer's creatable classes, registered in-process when the platform library loads,
// so createObject("ADODB.Recordset") works in every program that links it.
#include "platform/data/command.h"
#include "platform/data/recordset.h"
#include "platform/registry.h"

namespace platform::data {

namespace {

const bool registered = [] {
  registerClass("ADODB.Connection", "{447E782A-B8F9-4674-B1AC-F73BA285AF46}", [] { return makeObject<Connection>(); });
  registerClass("ADODB.Recordset", "{6F726303-BB1A-4A3E-AEFA-DAFBAD719652}", [] { return makeObject<Recordset>(); });
  registerClass("ADODB.Command", "{BA53F4A5-E622-4312-A793-0FADBC1F434B}", [] { return makeObject<Command>(); });
  registerClass("ADODB.Parameter", "{A84FAE99-F271-4C33-89DD-E64981F972C2}", [] { return makeObject<Parameter>(); });
  return true;
}();

}  // namespace

}  // namespace platform::data

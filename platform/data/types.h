// The data layer's enumerations, with the values of the original platform.
#pragma once

#include <cstdint>

namespace platform::data {

enum CursorLocation : int32_t { adUseNone = 1, adUseServer = 2, adUseClient = 3 };
enum CursorType : int32_t {
  adOpenUnspecified = -1,
  adOpenForwardOnly = 0,
  adOpenKeyset = 1,
  adOpenDynamic = 2,
  adOpenStatic = 3
};
enum LockType : int32_t {
  adLockUnspecified = -1,
  adLockReadOnly = 1,
  adLockPessimistic = 2,
  adLockOptimistic = 3,
  adLockBatchOptimistic = 4
};
enum Affect : int32_t { adAffectCurrent = 1, adAffectGroup = 2, adAffectAll = 3, adAffectAllChapters = 4 };
enum SearchDirection : int32_t { adSearchBackward = -1, adSearchForward = 1 };
enum ObjectState : int32_t { adStateClosed = 0, adStateOpen = 1 };
enum PositionCode : int32_t { adPosUnknown = -1, adPosBOF = -2, adPosEOF = -3 };
enum CommandType : int32_t {
  adCmdUnspecified = -1,
  adCmdText = 1,
  adCmdTable = 2,
  adCmdStoredProc = 4,
  adCmdUnknown = 8,
  adCmdTableDirect = 512
};
enum ExecuteOption : int32_t { adExecuteNoRecords = 0x80 };
enum EditMode : int32_t { adEditNone = 0, adEditInProgress = 1, adEditAdd = 2, adEditDelete = 4 };
enum ParameterDirection : int32_t {
  adParamUnknown = 0,
  adParamInput = 1,
  adParamOutput = 2,
  adParamInputOutput = 3,
  adParamReturnValue = 4
};
enum SchemaKind : int32_t { adSchemaColumns = 4, adSchemaTables = 20, adSchemaPrimaryKeys = 28 };

enum RecordStatus : int32_t {
  adRecOK = 0,
  adRecNew = 0x1,
  adRecModified = 0x2,
  adRecDeleted = 0x4,
  adRecUnmodified = 0x8,
  adRecConcurrencyViolation = 0x800,
};

// Field type codes (DataTypeEnum).
enum DataType : int32_t {
  adEmpty = 0,
  adSmallInt = 2,
  adInteger = 3,
  adSingle = 4,
  adDouble = 5,
  adCurrency = 6,
  adDate = 7,
  adBSTR = 8,
  adBoolean = 11,
  adVariant = 12,
  adDecimal = 14,
  adTinyInt = 16,
  adUnsignedTinyInt = 17,
  adBigInt = 20,
  adUnsignedSmallInt = 18,
  adUnsignedInt = 19,
  adGUID = 72,
  adBinary = 128,
  adChar = 129,
  adWChar = 130,
  adNumeric = 131,
  adDBDate = 133,
  adDBTime = 134,
  adDBTimeStamp = 135,
  adVarChar = 200,
  adLongVarChar = 201,
  adVarWChar = 202,
  adLongVarWChar = 203,
  adVarBinary = 204,
  adLongVarBinary = 205,
};

// Errors of the data layer that are not VB run-time errors.
constexpr int32_t kRowNotLocated = static_cast<int32_t>(0x80040E38);  // DB_E_CONCURRENCYVIOLATION
constexpr int32_t kDeletedRow = static_cast<int32_t>(0x80040E23);
constexpr int32_t kNoTransaction = static_cast<int32_t>(0x8004D00E);  // XACT_E_NOTRANSACTION
constexpr int32_t kProviderError = static_cast<int32_t>(0x80004005);   // E_FAIL, provider failures
constexpr int32_t kMultipleStep = static_cast<int32_t>(0x80040E21);    // a value the field cannot take
constexpr int32_t kCannotScrollBack = static_cast<int32_t>(0x80040E24);  // backwards on a forward-only set

// ADO errors (VB-style numbers, raised with raiseVb) that error.h does not name.
constexpr int kProviderNotFound = 3706;
constexpr int kParameterImproperlyDefined = 3708;

// Field attributes (FieldAttributeEnum).
enum FieldAttribute : int32_t {
  adFldUpdatable = 0x4,
  adFldFixed = 0x10,
  adFldIsNullable = 0x20,
  adFldMayBeNull = 0x40,
  adFldLong = 0x80,
  adFldKeyColumn = 0x8000,
};

enum FilterGroup : int32_t { adFilterNone = 0, adFilterPendingRecords = 1 };

}  // namespace platform::data

#include "SysConst.h"

QEV_RESOURCESTRING(SysConst, SOperationAborted, L"Operation aborted");
QEV_RESOURCESTRING(SysConst, SOSError, L"System Error.  Code: %d.\r\n%s");
QEV_RESOURCESTRING(SysConst, SUnkOSError, L"A call to an OS function failed");
QEV_RESOURCESTRING(SysConst, SOleError, L"OLE error %.8x");
QEV_RESOURCESTRING(SysConst, SRangeError, L"Range check error");
QEV_RESOURCESTRING(SysConst, SInvalidInteger, L"'%s' is not a valid integer value");
QEV_RESOURCESTRING(SysConst, SInvalidFloat, L"'%s' is not a valid floating point value");
QEV_RESOURCESTRING(SysConst, SInvalidDate, L"'%s' is not a valid date");
QEV_RESOURCESTRING(SysConst, SInvalidTime, L"'%s' is not a valid time");
QEV_RESOURCESTRING(SysConst, SInvalidDateTime, L"'%s' is not a valid date and time");
QEV_RESOURCESTRING(SysConst, SDateEncodeError, L"Invalid argument to date encode");
QEV_RESOURCESTRING(SysConst, STimeEncodeError, L"Invalid argument to time encode");
QEV_RESOURCESTRING(SysConst, SInvalidFormat, L"Format '%s' invalid or incompatible with argument");
QEV_RESOURCESTRING(SysConst, SArgumentMissing, L"No argument for format '%s'");
QEV_RESOURCESTRING(SysConst, SCannotCreateDir, L"Unable to create directory");
QEV_RESOURCESTRING(SysConst, SAccessViolationArg3,
                   L"Access violation at address %p in module '%s'. %s of address %p");
QEV_RESOURCESTRING(SysConst, SAccessViolationArg2, L"Access violation at address %p. %s of address %p");
QEV_RESOURCESTRING(SysConst, SReadAccess, L"Read");
QEV_RESOURCESTRING(SysConst, SWriteAccess, L"Write");
QEV_RESOURCESTRING(SysConst, SExecuteAccess, L"Execution");
QEV_RESOURCESTRING(SysConst, SDivByZero, L"Division by zero");
QEV_RESOURCESTRING(SysConst, SIntOverflow, L"Integer overflow");
QEV_RESOURCESTRING(SysConst, SInvalidOp, L"Invalid floating point operation");
QEV_RESOURCESTRING(SysConst, SZeroDivide, L"Floating point division by zero");
QEV_RESOURCESTRING(SysConst, SOverflow, L"Floating point overflow");
QEV_RESOURCESTRING(SysConst, SUnderflow, L"Floating point underflow");
QEV_RESOURCESTRING(SysConst, SPrivilege, L"Privileged instruction");
QEV_RESOURCESTRING(SysConst, SStackOverflow, L"Stack overflow");
QEV_RESOURCESTRING(SysConst, SExternalException, L"External exception %x");

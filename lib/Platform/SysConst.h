// The runtime library's own message texts.
#pragma once

#include "System.h"

extern const TResStringRec SOperationAborted;
extern const TResStringRec SOSError;
extern const TResStringRec SUnkOSError;
extern const TResStringRec SOleError;
extern const TResStringRec SRangeError;
extern const TResStringRec SInvalidInteger;
extern const TResStringRec SInvalidFloat;
extern const TResStringRec SInvalidDate;
extern const TResStringRec SInvalidTime;
extern const TResStringRec SInvalidDateTime;
extern const TResStringRec SDateEncodeError;
extern const TResStringRec STimeEncodeError;
extern const TResStringRec SInvalidFormat;
extern const TResStringRec SArgumentMissing;
extern const TResStringRec SCannotCreateDir;
// Processor exceptions.
extern const TResStringRec SAccessViolationArg3;
extern const TResStringRec SAccessViolationArg2;
extern const TResStringRec SReadAccess;
extern const TResStringRec SWriteAccess;
extern const TResStringRec SExecuteAccess;
extern const TResStringRec SDivByZero;
extern const TResStringRec SIntOverflow;
extern const TResStringRec SInvalidOp;
extern const TResStringRec SZeroDivide;
extern const TResStringRec SOverflow;
extern const TResStringRec SUnderflow;
extern const TResStringRec SPrivilege;
extern const TResStringRec SStackOverflow;
extern const TResStringRec SExternalException;

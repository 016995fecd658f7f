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

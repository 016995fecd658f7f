// Mail through Simple MAPI: a message with at most one attachment handed to
// the user's mail client. The MAPI library is loaded by name for each sending
// only, so a system without it runs until somebody mails.
#pragma once

#include "System.h"

// The library SendMailMapi loads: "MAPI32.DLL" once the unit has started.
// Tests name a stand-in.
extern WideString MapiLibraryName;

// Hands the message to the mail client; an empty text counts as absent (no
// attachment, no recipient, no originator). NoDialog: the client may ask for
// a logon only, else it shows its send window. A cancel in the client ends in
// EAbort; a missing library or entry and every other MAPI error raise
// Exception with their text.
void SendMailMapi(const AnsiString& Subject, const AnsiString& Body,
                  const AnsiString& AttachmentPath, bool NoDialog,
                  const AnsiString& ToAddress = {}, const AnsiString& ToName = {},
                  const AnsiString& FromAddress = {}, const AnsiString& FromName = {});
// The 8-bit path to hand MAPI for a file: its own name when the ANSI code
// page holds every character of it, else its short name (8.3).
AnsiString MapiFilePath(const WideString& FileName);
// The text of a MAPISendMail result other than 0 (success, which asserts).
WideString MapiErrorText(Cardinal Code);

void Initialization_QevLXMapiUtils();
void Finalization_QevLXMapiUtils();

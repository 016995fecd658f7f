// The only door to WinInet. The library is loaded by name at run time, once,
// and only when the per-user Internet switch allows it; everything that talks
// HTTP calls it through the entry-point table here, after asking whether it is on.
#pragma once

#include <memory>

#include "Scoped.h"
#include "System.h"
#include "WinApi.h"
// after <windows.h>; for the types and constants only, the library is never linked
#include <wininet.h>

extern const TResStringRec SDefaultInternetConnectionDisabled;
extern const TResStringRec SError;
extern const TResStringRec SWinInetLoadError;

// Bound in this order by LoadSafeWinInet. Tests may put stand-ins in it.
struct TSafeWinInetTable {
  decltype(&::InternetOpenW) InternetOpenW;
  decltype(&::InternetOpenUrlW) InternetOpenUrlW;
  decltype(&::HttpOpenRequestW) HttpOpenRequestW;
  decltype(&::HttpSendRequestW) HttpSendRequestW;
  decltype(&::HttpQueryInfoW) HttpQueryInfoW;
  decltype(&::InternetConnectW) InternetConnectW;
  decltype(&::InternetOpenA) InternetOpenA;
  decltype(&::InternetOpenUrlA) InternetOpenUrlA;
  decltype(&::HttpOpenRequestA) HttpOpenRequestA;
  decltype(&::HttpSendRequestA) HttpSendRequestA;
  decltype(&::HttpQueryInfoA) HttpQueryInfoA;
  decltype(&::InternetConnectA) InternetConnectA;
  decltype(&::InternetQueryDataAvailable) InternetQueryDataAvailable;
  decltype(&::InternetReadFile) InternetReadFile;
  decltype(&::InternetCloseHandle) InternetCloseHandle;
  decltype(&::InternetErrorDlg) InternetErrorDlg;
  decltype(&::InternetGetConnectedState) InternetGetConnectedState;
};
extern TSafeWinInetTable SafeWinInet;

// Written by LoadSafeWinInet on the main thread before any request thread
// runs; read-only afterwards. No path uses the table while SafeWinInetOn is false.
extern bool SafeWinInetOn;
// The W entry points (WinInet 5 or newer) rather than the A ones.
extern bool SafeWinInetWide;
// "Connection to Internet is currently disabled.", set when the unit starts:
// the message of every error raised because WinInet is off.
extern WideString InternetConnectionDisabledMsg;

// The Internet switch: the 32-bit value ValueName under Root\KeyName, or a
// text that is an integer ("0", "1"); non-zero allows. An empty key name, a
// key that does not open or a missing value mean allowed; a value present
// that reads as no integer means not allowed.
bool ReadRegistryBoolDef(HKEY Root, const WideString& KeyName, const WideString& ValueName);
// Loads WinInet (once) and binds its entry points when the switch allows it;
// whether WinInet is now on. A failure is shown in a message box and raised again.
bool LoadSafeWinInet(HKEY Root, const WideString& KeyName, const WideString& ValueName);
// Raises EQevGeneralError with InternetConnectionDisabledMsg while WinInet is off.
void CheckSafeWinInetOn();
bool IsInternetConnected();
// A response header as text; empty when the request has no such header.
WideString SafeHttpQueryInfo(HINTERNET Request, DWORD InfoLevel);
// Closes Handle when it is set and clears it.
void SafeCloseInternetHandle(HINTERNET& Handle);
void CloseInternetHandle(HINTERNET Handle);
// A WinInet handle closed with its owner.
using TInternetHandle = std::unique_ptr<void, TReleaser<CloseInternetHandle>>;

// The entry points and the road as they are when it is made (on the main
// thread), with WinInet kept loaded while it lives. A request thread calls
// WinInet only through its own, so the unit's end, which clears the table and
// frees the library, never pulls an entry point away from a running thread.
class TSafeWinInetHold {
 public:
  TSafeWinInetHold();
  // As SafeHttpQueryInfo and CloseInternetHandle.
  WideString QueryInfo(HINTERNET Request, DWORD InfoLevel) const;
  void Close(HINTERNET Handle) const;

  const TSafeWinInetTable Entries;
  const bool Wide;

 private:
  TModuleOwner Pin_;
};

// A well-formed http:// or https:// address: a host (names and an optional
// port), no blanks, quotes or control characters. The only text a link may
// hand to the shell.
bool IsWebAddress(const WideString& Text);
// Raises EQevGeneralError for a text that IsWebAddress refuses.
void CheckWebAddress(const WideString& Url);
// Opens Url with the shell; raises the disabled message while WinInet is off
// and CheckWebAddress's error for any other text.
void SafeOpenWebLink(const WideString& Url);

// Run first by the unit's end, before the entry points and the library go:
// stops the threads that may still call WinInet. Set by the unit that starts them.
extern void (*StopWinInetThreads)();

// End: stops the threads (above), then frees the library.
void Initialization_QevLXSafeWinInet();
void Finalization_QevLXSafeWinInet();

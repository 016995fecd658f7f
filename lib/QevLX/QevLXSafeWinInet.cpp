#include "QevLXSafeWinInet.h"

#include <utility>
#include <vector>

#include "QevLXRegistry.h"
#include "QevLXUtils.h"
#include "QevSysUtils.h"
#include "QevWindows.h"

QEV_RESOURCESTRING(QevLXSafeWinInet, SDefaultInternetConnectionDisabled,
                   L"Connection to Internet is currently disabled.");
QEV_RESOURCESTRING(QevLXSafeWinInet, SError, L"Error");
QEV_RESOURCESTRING(QevLXSafeWinInet, SWinInetLoadError, L"Error trying to load WinInet.");

TSafeWinInetTable SafeWinInet = {};
bool SafeWinInetOn = false;
bool SafeWinInetWide = false;
WideString InternetConnectionDisabledMsg;
void (*StopWinInetThreads)() = nullptr;

namespace {

TModuleOwner WinInetLibrary;  // kept until the program ends

template <class Function>
void BindEntry(const char* Name, Function& Entry) {
  Entry = ProcAddress<Function>(WinInetLibrary.get(), Name);
  if (!Entry) RaiseLastOSError();
}

void BindAllEntries() {
  TSafeWinInetTable& t = SafeWinInet;
  BindEntry("InternetOpenW", t.InternetOpenW);
  BindEntry("InternetOpenUrlW", t.InternetOpenUrlW);
  BindEntry("HttpOpenRequestW", t.HttpOpenRequestW);
  BindEntry("HttpSendRequestW", t.HttpSendRequestW);
  BindEntry("HttpQueryInfoW", t.HttpQueryInfoW);
  BindEntry("InternetConnectW", t.InternetConnectW);
  BindEntry("InternetOpenA", t.InternetOpenA);
  BindEntry("InternetOpenUrlA", t.InternetOpenUrlA);
  BindEntry("HttpOpenRequestA", t.HttpOpenRequestA);
  BindEntry("HttpSendRequestA", t.HttpSendRequestA);
  BindEntry("HttpQueryInfoA", t.HttpQueryInfoA);
  BindEntry("InternetConnectA", t.InternetConnectA);
  BindEntry("InternetQueryDataAvailable", t.InternetQueryDataAvailable);
  BindEntry("InternetReadFile", t.InternetReadFile);
  BindEntry("InternetCloseHandle", t.InternetCloseHandle);
  BindEntry("InternetErrorDlg", t.InternetErrorDlg);
  BindEntry("InternetGetConnectedState", t.InternetGetConnectedState);
}

void LoadAndBind() {
  if (!WinInetLibrary) {
    WinInetLibrary.reset(Qev_LoadLibraryW(L"wininet"));
    if (!WinInetLibrary) RaiseLastOSError();
  }
  BindAllEntries();
  SafeWinInetOn = true;
  SafeWinInetWide = VersionMajor(GetWinInetVersion()) >= 5;
}

void ShowLoadError(const Exception& E) {
  WideString text = WideFormat(LoadResString(SWinInetLoadError) + L"\r\n" +
                                   LoadResString(SProgramRequires) + L"\r\n" +
                                   LoadResString(SWhereToDownload),
                               {LoadResString(SIE5orNewer), LoadResString(SIEWebLink)}) +
                    L"\r\n\r\n" + E.Message;
  MessageBoxW(nullptr, text.c_str(), LoadResString(SError).c_str(), MB_OK);
}

// Up to the first zero of a buffer that is one element longer than the data.
template <class Char>
std::basic_string<Char> QueryHeader(BOOL(WINAPI* Query)(HINTERNET, DWORD, LPVOID, LPDWORD, LPDWORD),
                                    HINTERNET Request, DWORD InfoLevel) {
  DWORD size = 0;  // bytes
  if (Query(Request, InfoLevel, nullptr, &size, nullptr) ||
      GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0)
    return {};
  std::vector<Char> buffer(size / sizeof(Char) + 1, Char(0));
  if (!Query(Request, InfoLevel, buffer.data(), &size, nullptr)) return {};
  return std::basic_string<Char>(buffer.data());
}

// The saver stores its own options as text "0" and "1": a text that is a
// number counts as that number.
bool ReadSwitchText(const TQevRegistryLX& Reg, const WideString& ValueName) {
  Integer value = 0;
  try {
    if (TryStrToInt(WideToAnsi(Reg.ReadString(ValueName)), value)) return value != 0;
  } catch (const ERegistryException&) {
    TraceDroppedException(L"ReadRegistryBoolDef");
  }
  return true;  // an unreadable value must not keep the program from starting
}

}  // namespace

bool ReadRegistryBoolDef(HKEY Root, const WideString& KeyName, const WideString& ValueName) {
  if (KeyName.empty()) return true;
  TQevRegistryLX reg(KEY_READ);
  reg.SetRootKey(Root);
  if (!reg.OpenKey(WideToAnsi(KeyName), false)) return true;
  try {
    return reg.ReadBoolDef(ValueName, true);
  } catch (const ERegistryException&) {
    return ReadSwitchText(reg, ValueName);
  }
}

bool LoadSafeWinInet(HKEY Root, const WideString& KeyName, const WideString& ValueName) {
  if (!ReadRegistryBoolDef(Root, KeyName, ValueName)) {
    SafeWinInetOn = false;
    SafeWinInet = {};
    return false;
  }
  try {
    LoadAndBind();
  } catch (const Exception& E) {
    ShowLoadError(E);
    throw;
  }
  return true;
}

void CheckSafeWinInetOn() {
  if (!SafeWinInetOn) throw EQevGeneralError(InternetConnectionDisabledMsg);
}

bool IsInternetConnected() {
  DWORD flags = 0;
  return SafeWinInetOn && SafeWinInet.InternetGetConnectedState(&flags, 0);
}

WideString SafeHttpQueryInfo(HINTERNET Request, DWORD InfoLevel) {
  if (SafeWinInetWide) return QueryHeader<WideChar>(SafeWinInet.HttpQueryInfoW, Request, InfoLevel);
  return AnsiToWide(QueryHeader<AnsiChar>(SafeWinInet.HttpQueryInfoA, Request, InfoLevel));
}

void SafeCloseInternetHandle(HINTERNET& Handle) { CloseInternetHandle(std::exchange(Handle, nullptr)); }

void CloseInternetHandle(HINTERNET Handle) {
  if (Handle && SafeWinInet.InternetCloseHandle) SafeWinInet.InternetCloseHandle(Handle);
}

void SafeOpenWebLink(const WideString& Url) {
  CheckSafeWinInetOn();
  WideShellOpen(Url, L"", L"", SW_SHOW);
}

void Initialization_QevLXSafeWinInet() {
  InternetConnectionDisabledMsg = LoadResString(SDefaultInternetConnectionDisabled);
}

void Finalization_QevLXSafeWinInet() {
  if (StopWinInetThreads) StopWinInetThreads();
  WinInetLibrary.reset();
  SafeWinInetOn = false;
  SafeWinInet = {};
  InternetConnectionDisabledMsg.clear();
}

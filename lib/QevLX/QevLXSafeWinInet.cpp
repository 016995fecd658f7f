#include "QevLXSafeWinInet.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "QevLXRegistry.h"
#include "QevLXUtils.h"
#include "QevSysUtils.h"
#include "QevWindows.h"

QEV_RESOURCESTRING(QevLXSafeWinInet, SDefaultInternetConnectionDisabled,
                   L"Connection to Internet is currently disabled.");
QEV_RESOURCESTRING(QevLXSafeWinInet, SNotAWebAddress, L"\"%s\" is not a web address.");
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

WideString QueryInfoThrough(const TSafeWinInetTable& Entries, bool Wide, HINTERNET Request,
                            DWORD InfoLevel) {
  if (Wide) return QueryHeader<WideChar>(Entries.HttpQueryInfoW, Request, InfoLevel);
  return AnsiToWide(QueryHeader<AnsiChar>(Entries.HttpQueryInfoA, Request, InfoLevel));
}

void CloseThrough(const TSafeWinInetTable& Entries, HINTERNET Handle) {
  if (Handle && Entries.InternetCloseHandle) Entries.InternetCloseHandle(Handle);
}

// The saver stores its own options as text "0" and "1": a text that is a
// number counts as that number. Any other value ("False", "no", binary data)
// was put there to say something, and the switch exists to turn web access
// off: it keeps it off. The program itself starts all the same.
bool ReadSwitchText(const TQevRegistryLX& Reg, const WideString& ValueName) {
  Integer value = 0;
  try {
    if (TryStrToInt(WideToAnsi(Reg.ReadString(ValueName)), value)) return value != 0;
  } catch (const ERegistryException&) {
    TraceDroppedException(L"ReadRegistryBoolDef");
  }
  return false;
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
  return QueryInfoThrough(SafeWinInet, SafeWinInetWide, Request, InfoLevel);
}

void SafeCloseInternetHandle(HINTERNET& Handle) { CloseInternetHandle(std::exchange(Handle, nullptr)); }

void CloseInternetHandle(HINTERNET Handle) { CloseThrough(SafeWinInet, Handle); }

TSafeWinInetHold::TSafeWinInetHold() : Entries(SafeWinInet), Wide(SafeWinInetWide) {
  HMODULE pin = nullptr;
  if (GetModuleHandleExW(0, L"wininet.dll", &pin)) Pin_.reset(pin);
}

WideString TSafeWinInetHold::QueryInfo(HINTERNET Request, DWORD InfoLevel) const {
  return QueryInfoThrough(Entries, Wide, Request, InfoLevel);
}

void TSafeWinInetHold::Close(HINTERNET Handle) const { CloseThrough(Entries, Handle); }

namespace {

// Blanks, quotes and controls (with the invisible marks that can disguise an
// address) would let a text reach the shell as more than one address.
bool IsAddressCharacter(WideChar C) {
  if (C <= 0x20 || (C >= 0x7F && C <= 0xA0) || C == 0x1680 || C == 0x3000 || C == 0xFEFF)
    return false;
  if ((C >= 0x2000 && C <= 0x200F) || (C >= 0x2028 && C <= 0x202F) || (C >= 0x205F && C <= 0x206F))
    return false;
  return std::wcschr(L"\"'<>\\`", C) == nullptr;
}

bool IsHostCharacter(WideChar C) {
  return (C >= L'a' && C <= L'z') || (C >= L'A' && C <= L'Z') || (C >= L'0' && C <= L'9') ||
         C == L'-' || C > 0xA0;
}

// Dot-separated names without empty ones, and an optional port.
bool IsWellFormedHost(const WideString& Authority) {
  const std::size_t colon = Authority.find(L':');
  const WideString host = Authority.substr(0, colon);
  if (colon != WideString::npos) {
    const WideString port = Authority.substr(colon + 1);
    if (port.empty() || port.size() > 5 ||
        !std::all_of(port.begin(), port.end(), [](WideChar C) { return C >= L'0' && C <= L'9'; }) ||
        std::stoi(port) > 65535)
      return false;
  }
  std::size_t start = 0;
  for (;;) {
    const std::size_t dot = host.find(L'.', start);
    const std::size_t end = dot == WideString::npos ? host.size() : dot;
    if (end == start ||
        !std::all_of(host.begin() + start, host.begin() + end, IsHostCharacter))
      return false;
    if (dot == WideString::npos) return true;
    start = dot + 1;
  }
}

}  // namespace

bool IsWebAddress(const WideString& Text) {
  std::size_t hostStart = 0;
  for (const WideChar* scheme : {L"http://", L"https://"}) {
    const std::size_t n = std::wcslen(scheme);
    if (Text.size() > n && WideSameText(Text.substr(0, n), scheme)) hostStart = n;
  }
  if (hostStart == 0 || !std::all_of(Text.begin(), Text.end(), IsAddressCharacter)) return false;
  const std::size_t hostEnd = Text.find_first_of(L"/?#", hostStart);
  return IsWellFormedHost(
      Text.substr(hostStart, hostEnd == WideString::npos ? WideString::npos : hostEnd - hostStart));
}

void CheckWebAddress(const WideString& Url) {
  if (!IsWebAddress(Url)) throw EQevGeneralError(SNotAWebAddress, {Url});
}

void SafeOpenWebLink(const WideString& Url) {
  CheckSafeWinInetOn();
  CheckWebAddress(Url);
  WideShellOpen(Url, L"", L"", SW_SHOW);
}

void Initialization_QevLXSafeWinInet() {
  InternetConnectionDisabledMsg = LoadResString(SDefaultInternetConnectionDisabled);
}

void Finalization_QevLXSafeWinInet() {
  if (StopWinInetThreads) StopWinInetThreads();
  // No entry point may outlive the library in the table.
  SafeWinInetOn = false;
  SafeWinInet = {};
  WinInetLibrary.reset();
  InternetConnectionDisabledMsg.clear();
}

#include "System.h"

#include "WinApi.h"

namespace {

WideString DefaultAnsiToWide(const AnsiChar* p, Integer len) {
  if (!p || len <= 0) return {};
  int n = MultiByteToWideChar(CP_ACP, 0, p, len, nullptr, 0);
  WideString result(n > 0 ? n : 0, L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, p, len, result.data(), n);
  return result;
}

AnsiString DefaultWideToAnsi(const WideChar* p, Integer len) {
  if (!p || len <= 0) return {};
  int n = WideCharToMultiByte(CP_ACP, 0, p, len, nullptr, 0, nullptr, nullptr);
  AnsiString result(n > 0 ? n : 0, '\0');
  if (n > 0) WideCharToMultiByte(CP_ACP, 0, p, len, result.data(), n, nullptr, nullptr);
  return result;
}

WideString DefaultLoadResString(const TResStringRec& rec) { return rec.Text ? rec.Text : L""; }

}  // namespace

TAnsiToWideProc AnsiToWideProc = DefaultAnsiToWide;
TWideToAnsiProc WideToAnsiProc = DefaultWideToAnsi;
TLoadResStringProc LoadResStringProc = DefaultLoadResString;

WideString AnsiToWide(const AnsiChar* p, Integer len) { return AnsiToWideProc(p, len); }
WideString AnsiToWide(const AnsiString& s) {
  return AnsiToWideProc(s.data(), static_cast<Integer>(s.size()));
}
AnsiString WideToAnsi(const WideChar* p, Integer len) { return WideToAnsiProc(p, len); }
AnsiString WideToAnsi(const WideString& s) {
  return WideToAnsiProc(s.data(), static_cast<Integer>(s.size()));
}

WideString LoadResString(const TResStringRec& rec) { return LoadResStringProc(rec); }

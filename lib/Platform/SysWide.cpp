#include <algorithm>
#include <climits>

#include "SysUtils.h"
#include "WinApi.h"

namespace {

int ApiLength(std::size_t n) { return static_cast<int>(std::min<std::size_t>(n, INT_MAX)); }

Integer WideCompare(const WideString& a, const WideString& b, DWORD flags) {
  SetLastError(0);
  int result = CompareStringW(LOCALE_USER_DEFAULT, flags, a.data(), ApiLength(a.size()), b.data(),
                              ApiLength(b.size()));
  if (result == 0) {
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) RaiseLastOSError();
    // Windows 95/98/Me: the 8-bit forms are the best the system can compare.
    AnsiString a8 = WideToAnsi(a);
    AnsiString b8 = WideToAnsi(b);
    result = CompareStringA(LOCALE_USER_DEFAULT, flags, a8.data(), ApiLength(a8.size()), b8.data(),
                            ApiLength(b8.size()));
    if (result == 0) RaiseLastOSError();
  }
  return result - CSTR_EQUAL;
}

WideString CaseMapped(WideString s, DWORD(WINAPI* map)(LPWSTR, DWORD)) {
  if (!s.empty()) map(s.data(), static_cast<DWORD>(s.size()));
  return s;
}

}  // namespace

Integer WideCompareStr(const WideString& a, const WideString& b) { return WideCompare(a, b, 0); }

Integer WideCompareText(const WideString& a, const WideString& b) {
  return WideCompare(a, b, NORM_IGNORECASE);
}

bool WideSameText(const WideString& a, const WideString& b) {
  return WideUpperCase(a) == WideUpperCase(b);
}

WideString WideUpperCase(const WideString& s) { return CaseMapped(s, CharUpperBuffW); }

WideString WideLowerCase(const WideString& s) { return CaseMapped(s, CharLowerBuffW); }

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "QevSystem.h"
#include "QevTestSupport.h"
#include "WinApi.h"

namespace {

// The message of the EQevGeneralError that decoding raises, empty when none.
WideString UTF7Error(const AnsiString& s) {
  try {
    UTF7ToWideString(s);
  } catch (const EQevGeneralError& e) {
    return e.Message;
  }
  return {};
}

// Random text over every code unit range: one, two and three UTF-8 bytes and
// surrogate pairs; lone surrogates only when asked for.
WideString RandomUTF16(std::mt19937& rng, bool loneSurrogates) {
  WideString s;
  for (auto n = rng() % 40; n > 0; --n) {
    const auto r = rng(), v = r >> 8;
    switch (r % 5) {
      case 0: s += static_cast<WideChar>(v % 0x80); break;
      case 1: s += static_cast<WideChar>(0x80 + v % 0x780); break;
      case 2: s += static_cast<WideChar>(0xE000 + v % 0x2000); break;
      case 3: s += {WideChar(0xD800 + v % 0x400), WideChar(0xDC00 + (v >> 10) % 0x400)}; break;
      default: s += WideChar(loneSurrogates ? 0xD800 + v % 0x800 : 0x800 + v % 0xD000); break;
    }
  }
  return s;
}

AnsiString SystemUTF8(const WideString& s) {
  char buffer[512];
  const int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), buffer,
                                    sizeof(buffer), nullptr, nullptr);
  return AnsiString(buffer, n > 0 ? n : 0);
}

}  // namespace

TEST(QevSystemUTF7, EncodesAsFormFilesExpect) {
  EXPECT_EQ(WideStringToUTF7(L"Number of People Seeing \u201CVintra\u201D Every Second:"),
            "Number of People Seeing +IBw-Vintra+IB0 Every Second:");
  EXPECT_EQ(WideStringToUTF7(L"\u201D"), "+IB0");
  EXPECT_EQ(WideStringToUTF7(L"a+b"), "a+-b");
  EXPECT_EQ(WideStringToUTF7(L"~\\!{}"), "+AH4AXA!{}");
  EXPECT_EQ(WideStringToUTF7(L"\u0436-"), "+BDY--");
  EXPECT_EQ(WideStringToUTF7(L""), "");
}

TEST(QevSystemUTF7, CoreSwitchesAndFullTarget) {
  const WideString text = L"!\u0436";
  char buffer[16];
  const WideChar* src = text.data();
  char* dst = buffer;
  EXPECT_EQ(UTF7EncodeCore(src, src + 2, dst, buffer + 16, false, true), utf7Ok);
  EXPECT_EQ(std::string(buffer, dst), "+ACEENg-");

  src = text.data();
  dst = buffer;
  EXPECT_EQ(UTF7EncodeCore(src, src + 2, dst, buffer + 3, true, false), utf7TargetFull);
  EXPECT_EQ(dst, buffer + 3);

  const AnsiString in = "ab";
  const char* from = in.data();
  WideChar out[1];
  WideChar* to = out;
  EXPECT_EQ(UTF7DecodeCore(from, from + 2, to, out + 1), utf7TargetFull);
  EXPECT_EQ(to, out + 1);
}

TEST(QevSystemUTF7, Decodes) {
  EXPECT_EQ(UTF7ToWideString("Number of People Seeing +IBw-Vintra+IB0 Every Second:"),
            L"Number of People Seeing \u201CVintra\u201D Every Second:");
  EXPECT_EQ(UTF7ToWideString("+-"), L"+");
  EXPECT_EQ(UTF7ToWideString("a+-b"), L"a+b");
  EXPECT_EQ(UTF7ToWideString("+AGE"), L"a");
  EXPECT_EQ(UTF7ToWideString("+AGEAYg-c"), L"abc");
  EXPECT_EQ(UTF7ToWideString("+AGE c"), L"a c");
}

TEST(QevSystemUTF7, RejectsMalformedInput) {
  for (const char* bad : {"+", "+AGF", "+A-", "+!", "x+", "caf\xE9"})
    EXPECT_EQ(UTF7Error(bad), L"Invalid UTF7") << bad;
}

TEST(QevSystemUTF8, EncodesAndDecodesSequences) {
  EXPECT_EQ(WideStringToUTF8(L"a\u00E9\u0436\u4E2D"), "a\xC3\xA9\xD0\xB6\xE4\xB8\xAD");
  EXPECT_EQ(WideStringToUTF8(L"\U0001F600"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(WideStringToUTF8(L"\xD800x"), "\xED\xA0\x80x");  // lone surrogate kept
  EXPECT_EQ(UTF8ToWideString("\xF0\x9F\x98\x80"), L"\U0001F600");
  EXPECT_EQ(UTF8ToWideString("\xED\xA0\xBD\xED\xB8\x80"), L"\U0001F600");  // as 3-byte pairs
  EXPECT_EQ(UTF8ToWideString("\xEF\xBF\xBF"), L"\uFFFF");
}

// Malformed input empties a converted value; a text read from a file keeps
// everything else, with U+FFFD for each maximal ill-formed part.
TEST(QevSystemUTF8, MalformedInputGivesEmptyValuesAndMarkedTexts) {
  const struct {
    const char* Bad;
    const WideChar* Text;
  } cases[] = {
      {"\xC3\x28", L"\uFFFD("},           {"ok\xC3", L"ok\uFFFD"},
      {"\xE4\xB8", L"\uFFFD"},            {"\x80", L"\uFFFD"},
      {"\xBF", L"\uFFFD"},                 {"\xC0\xAF", L"\uFFFD\uFFFD"},
      {"\xC1\x81", L"\uFFFD\uFFFD"},       {"\xE0\x80\xAF", L"\uFFFD\uFFFD\uFFFD"},
      {"\xF0\x8F\xBF\xBF", L"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xF4\x90\x80\x80", L"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xF8\x88\x80\x80", L"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xFF", L"\uFFFD"},                 {"a\xF0\x9F\x98z\xC3\xA9", L"a\uFFFDz\u00E9"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UTF8ToWideString(c.Bad), L"") << c.Bad;
    EXPECT_EQ(UTF8TextToWideString(c.Bad), c.Text) << c.Bad;
  }
}

TEST(QevSystemConversions, RandomTextSurvivesRoundTrips) {
  std::mt19937 rng(20240611);
  for (int i = 0; i < 600; ++i) {
    const WideString s = RandomUTF16(rng, i % 2);
    EXPECT_EQ(UTF7ToWideString(WideStringToUTF7(s)), s);
    const AnsiString utf8 = WideStringToUTF8(s);
    EXPECT_EQ(UTF8ToWideString(utf8), s);
    if (i % 2 == 0) {
      EXPECT_EQ(utf8, SystemUTF8(s));  // well-formed text: as the system does it
    }
  }
}

TEST(QevSystemConversions, CodePages) {
  const struct {
    Integer codePage;
    const wchar_t* wide;
    const char* bytes;
  } cases[] = {{1252, L"\u00E9\u20AC", "\xE9\x80"},
               {1251, L"\u0436\u0416", "\xE6\xC6"},
               {932, L"a\uFF71\u4E2D", "a\xB1\x92\x86"},
               {65001, L"\u4E2D", "\xE4\xB8\xAD"},
               {65000, L"a+\u4E2D", "a+-+Ti0"}};
  for (const auto& c : cases) {
    EXPECT_EQ(WideStringToStringEx(c.wide, c.codePage), c.bytes) << c.codePage;
    EXPECT_EQ(StringToWideStringEx(c.bytes, c.codePage), c.wide) << c.codePage;
  }
  EXPECT_EQ(StringToWideStringEx("abc", 12345), L"");  // no such code page
  EXPECT_EQ(WideStringToStringEx(L"abc", 12345), "");
  EXPECT_EQ(StringToWideStringEx("", 1252), L"");
}

TEST(QevSystemConversions, LocaleAndKeyboardCodePages) {
  EXPECT_EQ(CodePageFromLocale(0x0409), 1252);
  EXPECT_EQ(CodePageFromLocale(0x0419), 1251);
  EXPECT_EQ(CodePageFromLocale(0x0411), 932);
  EXPECT_EQ(CodePageFromLocale(0x7FFFFFFF), static_cast<Integer>(GetACP()));  // no such locale
  EXPECT_EQ(KeyboardCharToWide(0x4E2D), L'\u4E2D');
  EXPECT_EQ(KeyboardCharToWide('A'), L'A');
  if (KeyboardCodePage() == 1252) {
    EXPECT_EQ(KeyboardCharToWide(0x80), L'\u20AC');
  }
}

TEST(QevSystemConversions, SwapWideByteOrder) {
  WideChar text[] = L"\u3412\u00FFA";
  SwapWideByteOrder(text);
  EXPECT_EQ(WideString(text), WideString(L"\u1234\uFF00\u4100"));
  SwapWideByteOrder(nullptr);
}

TEST(QevSystemStart, ChoosesConversionCodePageByPlatform) {
  EXPECT_EQ(ConversionCodePage, CP_THREAD_ACP);  // NT 5 or later
  const Integer platform = Win32Platform;
  Win32Platform = VER_PLATFORM_WIN32_WINDOWS;
  Initialization_QevSystem();
  EXPECT_EQ(ConversionCodePage, CodePageFromLocale(GetThreadLocale()));
  Win32Platform = platform;
  Initialization_QevSystem();
  EXPECT_EQ(ConversionCodePage, CP_THREAD_ACP);
}

// ------------------------------------------------------------ command line

TEST(QevSystemCommandLine, SplitsParameters) {
  const wchar_t* line = L"prog.exe  /p  a\"b c\"d \"\"";
  EXPECT_EQ(WideParamCountOf(line), 2);
  EXPECT_EQ(WideParamStrOf(line, 0), L"prog.exe");
  EXPECT_EQ(WideParamStrOf(line, 1), L"/p");
  EXPECT_EQ(WideParamStrOf(line, 2), L"ab cd");
  EXPECT_EQ(WideParamStrOf(line, 3), L"");

  const wchar_t* gaps = L"\"C:\\My Prog\\x.exe\"\t\"\" \x01x \"\" \"y\" \"open";
  EXPECT_EQ(WideParamCountOf(gaps), 3);
  EXPECT_EQ(WideParamStrOf(gaps, 0), L"C:\\My Prog\\x.exe");
  EXPECT_EQ(WideParamStrOf(gaps, 3), L"open");
  EXPECT_EQ(WideParamCountOf(L""), 0);
  EXPECT_EQ(WideParamCountOf(L"x \"\" \"\""), 0);
}

// Compared as a truth value so that a failure does not print 8192 characters.
#define EXPECT_SAME_TEXT(a, b) EXPECT_TRUE((a) == (b)) << "length " << (a).size()

TEST(QevSystemCommandLine, CapsOverlongParameters) {
  const std::size_t max = MaxWideParamLength;
  WideString param;
  // Outside quotes the rest of the text becomes the next parameter.
  const WideString plain = WideString(max + 10, L'x') + L" y";
  const WideChar* p = ExtractWideParam(plain.c_str(), param);
  EXPECT_SAME_TEXT(param, WideString(max, L'x'));
  EXPECT_EQ(p, plain.c_str() + max);
  EXPECT_EQ(ExtractWideParam(p, param), plain.c_str() + max + 10);
  EXPECT_EQ(param, WideString(10, L'x'));

  // Inside quotes the rest of the quoted part is dropped, blanks and all.
  const WideString quoted = L"ab\"" + WideString(max, L'q') + L" z\"cd e";
  p = ExtractWideParam(quoted.c_str(), param);
  EXPECT_SAME_TEXT(param, L"ab" + WideString(max - 2, L'q'));
  EXPECT_EQ(WideString(p), L"cd e");
  EXPECT_EQ(WideParamCountOf((L"prog " + quoted).c_str()), 3);

  const WideString exact = L"\"" + WideString(max, L'q') + L"\" next";
  EXPECT_SAME_TEXT(WideParamStrOf((L"prog " + exact).c_str(), 1), WideString(max, L'q'));
  EXPECT_EQ(WideParamStrOf((L"prog " + exact).c_str(), 2), L"next");
}

// The program started as a child with a crafted command line writes what it
// sees into the file named by this variable; the parent checks it.
namespace {

const wchar_t ReportVariable[] = L"QEV_WIDE_PARAM_REPORT";

struct THandleCloser {
  void operator()(HANDLE h) const { CloseHandle(h); }
};
using THandle = std::unique_ptr<void, THandleCloser>;

WideString OwnPath() {
  wchar_t path[MAX_PATH];
  return WideString(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
}

// Runs this program with the command line; its output goes nowhere.
DWORD RunSelf(WideString commandLine) {
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  THandle nul(CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                          nullptr));
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = si.hStdError = nul.get();
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(OwnPath().c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                      nullptr, &si, &pi))
    return GetLastError() | 0x80000000u;
  THandle process(pi.hProcess), thread(pi.hThread);
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  return code;
}

WideString ReadWideFile(const WideString& name) {
  THandle file(CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) return {};
  wchar_t buffer[4096];
  DWORD bytes = 0;
  ReadFile(file.get(), buffer, sizeof(buffer), &bytes, nullptr);
  return WideString(buffer, bytes / sizeof(wchar_t));
}

}  // namespace

// Does its work only in the child.
TEST(QevSystemCommandLine, ChildReport) {
  wchar_t name[MAX_PATH];
  if (!GetEnvironmentVariableW(ReportVariable, name, MAX_PATH)) return;
  WideString report = WideParamStr(0) + L"|" + std::to_wstring(WideParamCount());
  for (Integer i = 1; i <= WideParamCount() + 1; ++i) report += L"|" + WideParamStr(i);
  TTempFolder::CreateFileWithText(
      name, std::string(reinterpret_cast<const char*>(report.data()), report.size() * 2));
}

TEST(QevSystemCommandLine, ProgramSeesWideParameters) {
  TTempFolder folder;
  const WideString report = folder.Path() + L"report.bin";
  SetEnvironmentVariableW(ReportVariable, report.c_str());
  SetEnvironmentVariableW(L"GTEST_FILTER", L"QevSystemCommandLine.ChildReport");
  // Named relatively and in other letter case: parameter 0 is still the full path.
  EXPECT_EQ(RunSelf(L"qevUNICODEtests  /p  a\"b c\"d \"\u0436 \u4E2D\" x\u4E2Dy \"\""), 0u);
  SetEnvironmentVariableW(ReportVariable, nullptr);
  SetEnvironmentVariableW(L"GTEST_FILTER", nullptr);
  EXPECT_EQ(ReadWideFile(report), OwnPath() + L"|4|/p|ab cd|\u0436 \u4E2D|x\u4E2Dy|");
}

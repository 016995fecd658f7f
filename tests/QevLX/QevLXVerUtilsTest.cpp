// Version information of the test program (QevLXTest.rc) and of copies of it,
// on both roads of the platform switch.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "QevLXVerUtils.h"
#include "QevTestSupport.h"

namespace {

WideString OwnFile() { return WideGetModuleFileName(nullptr); }

// A copy of the test program whose version information is its resource 2.
WideString CopyWithNeutralVersion(const TTempFolder& temp, const WideString& name) {
  WideString copy = temp.Path() + name;
  EXPECT_TRUE(CopyFileW(OwnFile().c_str(), copy.c_str(), FALSE));
  HRSRC source = FindResourceW(nullptr, MAKEINTRESOURCEW(2), MAKEINTRESOURCEW(16));
  void* data = LockResource(LoadResource(nullptr, source));
  HANDLE update = BeginUpdateResourceW(copy.c_str(), FALSE);
  EXPECT_TRUE(data && update);
  EXPECT_TRUE(UpdateResourceW(update, MAKEINTRESOURCEW(16), MAKEINTRESOURCEW(1), 0, data,
                              SizeofResource(nullptr, source)));
  EXPECT_TRUE(EndUpdateResourceW(update, FALSE));
  return copy;
}

using VersionRoad = RoadTest;

}  // namespace

INSTANTIATE_TEST_SUITE_P(Roads, VersionRoad, testing::Bool(), RoadName);

TEST_P(VersionRoad, OwnVersionInEveryStyle) {
  TQevVersionNumber version = GetFileVersionNumber(OwnFile());
  EXPECT_EQ(MakeVersionNumber(2, 1, 3, 4), version);
  EXPECT_EQ(L"2.1.3.4", VersionNumberToStr(version, 0));
  EXPECT_EQ(L"2.1.3", VersionNumberToStr(version, 1));
  EXPECT_EQ(L"2.1 r3", VersionNumberToStr(version, 2));
  EXPECT_EQ(L"2.1", VersionNumberToStr(version, 3));
  EXPECT_EQ(L"", VersionNumberToStr(version, 4));

  VS_FIXEDFILEINFO info;
  GetFileFixedInfo(OwnFile(), info);
  EXPECT_EQ(0xFEEF04BDu, info.dwSignature);
  EXPECT_EQ(0x00020001u, info.dwProductVersionMS);
  EXPECT_EQ(0u, info.dwProductVersionLS);
}

TEST_P(VersionRoad, OwnTranslationAndStringValues) {
  const WideString file = OwnFile();
  EXPECT_EQ(0x04B00409u, GetFileTranslation(file));
  EXPECT_EQ(L"Qev Test Company", GetFileVersionString(L"CompanyName", file));
  EXPECT_EQ(L"Framework tests", GetFileVersionString(L"FileDescription", file, 0x409, 1200));
  EXPECT_EQ(L"2.1.3.4", GetFileVersionString(L"FileVersion", file));
  EXPECT_EQ(L"2.1", GetFileVersionString(L"ProductVersion", file));
  // The 8-bit road sees the value through the ANSI code page.
  EXPECT_EQ(GetParam() ? L"Qev \x0436 Tests" : L"Qev ? Tests",
            GetFileVersionString(L"ProductName", file));
  EXPECT_EQ(L"", GetFileVersionString(L"Comments", file));
  EXPECT_EQ(L"", GetFileVersionString(L"CompanyName", file, 0x407, 1252));
}

TEST_P(VersionRoad, CopyWithoutTranslationUsesLanguageZero) {
  TTempFolder temp;
  WideString copy = CopyWithNeutralVersion(temp, GetParam() ? L"Ver\x0436\x4E2D.exe" : L"Ver.exe");
  EXPECT_EQ(0u, GetFileTranslation(copy));
  // \StringFileInfo\00000000\CompanyName
  EXPECT_EQ(L"Neutral Company", GetFileVersionString(L"CompanyName", copy));
  EXPECT_EQ(L"", GetFileVersionString(L"FileVersion", copy));
  // Parts above 32767 print unsigned.
  EXPECT_EQ(L"40000.65535.0.1", VersionNumberToStr(GetFileVersionNumber(copy), 0));
}

TEST_P(VersionRoad, FileWithoutVersionInformation) {
  TTempFolder temp;
  WideString file = temp.Path() + L"plain.txt";
  TTempFolder::CreateFileWithText(file, "no resources");
  EXPECT_TRUE(GetFileVersionInfoBlock(file).empty());
  EXPECT_EQ(0u, GetFileTranslation(file));
  EXPECT_EQ(L"", GetFileVersionString(L"CompanyName", file));
  EXPECT_EQ(0u, GetFileVersionNumber(file));
  VS_FIXEDFILEINFO info;
  std::memset(&info, 0xFF, sizeof(info));
  GetFileFixedInfo(file, info);
  VS_FIXEDFILEINFO zero{};
  EXPECT_EQ(0, std::memcmp(&zero, &info, sizeof(info)));
}

TEST_P(VersionRoad, MissingFileRaisesThePlainException) {
  TTempFolder temp;
  const WideString file = temp.Path() + L"missing.exe";
  const WideString message = L"Internal Error: File does not exist: " + file;
  auto expectRaise = [&](auto action) {
    try {
      action();
      ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
      EXPECT_STREQ("Exception", e.ClassName());
      EXPECT_EQ(message, e.Message);
    }
  };
  expectRaise([&] { GetFileVersionInfoBlock(file); });
  expectRaise([&] { GetFileVersionNumber(file); });
  expectRaise([&] { GetFileTranslation(file); });
  expectRaise([&] { GetFileVersionString(L"CompanyName", file); });
}

TEST(VersionNumber, PartsAndStyles) {
  TQevVersionNumber v = MakeVersionNumber(5, 0, 2919, 6307);
  EXPECT_EQ(0x00050000'0B67'18A3u, v);
  EXPECT_EQ(L"5.0.2919.6307", VersionNumberToStr(v, 0));
  EXPECT_EQ(L"5.0.2919", VersionNumberToStr(v, 1));
  EXPECT_EQ(L"5.0 r2919", VersionNumberToStr(v, 2));
  EXPECT_EQ(L"5.0", VersionNumberToStr(v, 3));
  EXPECT_EQ(L"", VersionNumberToStr(v, 255));
  Word major, minor, release, build;
  SplitVersionNumber(MakeVersionNumber(65535, 32768, 1, 40000), major, minor, release, build);
  EXPECT_EQ((std::vector<Word>{65535, 32768, 1, 40000}),
            (std::vector<Word>{major, minor, release, build}));
  EXPECT_EQ(65535, VersionMajor(MakeVersionNumber(65535, 0, 0, 0)));
  EXPECT_EQ(L"65535.32768 r1", VersionNumberToStr(MakeVersionNumber(65535, 32768, 1, 2), 2));
}

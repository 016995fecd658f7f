#include "QevLXVerUtils.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "QevLXUtils.h"
#include "QevWindows.h"
#include "SysUtils.h"

namespace {

// The value at path in a version block; false when it is missing.
bool QueryValue(const std::vector<Byte>& block, const WideString& path, const void*& value,
                UINT& length) {
  LPVOID found = nullptr;
  length = 0;
  if (block.empty() || !Qev_VerQueryValueW(block.data(), path.c_str(), &found, &length) || !found)
    return false;
  value = found;
  return true;
}

Cardinal TranslationOf(const std::vector<Byte>& block) {
  const void* value = nullptr;
  UINT length = 0;
  Cardinal translation = 0;
  if (QueryValue(block, L"\\VarFileInfo\\Translation", value, length) &&
      length >= sizeof(translation))
    std::memcpy(&translation, value, sizeof(translation));
  return translation;
}

}  // namespace

std::vector<Byte> GetFileVersionInfoBlock(const WideString& FileName) {
  CheckFileExists(FileName);
  DWORD handle = 0;
  DWORD size = Qev_GetFileVersionInfoSizeW(FileName.c_str(), &handle);
  if (size == 0) return {};
  std::vector<Byte> block(size);
  if (!Qev_GetFileVersionInfoW(FileName.c_str(), handle, size, block.data())) return {};
  return block;
}

Cardinal GetFileTranslation(const WideString& FileName) {
  return TranslationOf(GetFileVersionInfoBlock(FileName));
}

WideString VersionBlockString(const std::vector<Byte>& Block, const WideString& ValueName,
                              Word Language, Word CodePage) {
  if (Language == 0 || CodePage == 0) {
    Cardinal translation = TranslationOf(Block);
    Language = static_cast<Word>(translation & 0xFFFF);
    CodePage = static_cast<Word>(translation >> 16);
  }
  WideString path =
      WideFormat(L"%s\\%.4x%.4x\\%s", {L"\\StringFileInfo", Language, CodePage, ValueName});
  const void* value = nullptr;
  UINT length = 0;
  if (!QueryValue(Block, path, value, length)) return {};
  auto* text = static_cast<const WideChar*>(value);
  return WideString(text, wcsnlen(text, length));
}

WideString GetFileVersionString(const WideString& ValueName, const WideString& FileName,
                                Word Language, Word CodePage) {
  return VersionBlockString(GetFileVersionInfoBlock(FileName), ValueName, Language, CodePage);
}

VS_FIXEDFILEINFO VersionBlockFixedInfo(const std::vector<Byte>& Block) {
  VS_FIXEDFILEINFO info{};
  const void* value = nullptr;
  UINT length = 0;
  if (QueryValue(Block, L"\\", value, length))
    std::memcpy(&info, value, std::min<std::size_t>(length, sizeof(info)));
  return info;
}

void GetFileFixedInfo(const WideString& FileName, VS_FIXEDFILEINFO& Info) {
  Info = VersionBlockFixedInfo(GetFileVersionInfoBlock(FileName));
}

TQevVersionNumber GetFileVersionNumber(const WideString& FileName) {
  VS_FIXEDFILEINFO info;
  GetFileFixedInfo(FileName, info);
  return (TQevVersionNumber{info.dwFileVersionMS} << 32) | info.dwFileVersionLS;
}

TQevVersionNumber MakeVersionNumber(Word Major, Word Minor, Word Release, Word Build) {
  return (TQevVersionNumber{Major} << 48) | (TQevVersionNumber{Minor} << 32) |
         (TQevVersionNumber{Release} << 16) | Build;
}

void SplitVersionNumber(TQevVersionNumber Version, Word& Major, Word& Minor, Word& Release,
                        Word& Build) {
  Major = static_cast<Word>(Version >> 48);
  Minor = static_cast<Word>(Version >> 32);
  Release = static_cast<Word>(Version >> 16);
  Build = static_cast<Word>(Version);
}

Word VersionMajor(TQevVersionNumber Version) { return static_cast<Word>(Version >> 48); }

WideString VersionNumberToStr(TQevVersionNumber Version, Byte Style) {
  Word major, minor, release, build;
  SplitVersionNumber(Version, major, minor, release, build);
  switch (Style) {
    case 0: return WideFormat(L"%d.%d.%d.%d", {major, minor, release, build});
    case 1: return WideFormat(L"%d.%d.%d", {major, minor, release});
    case 2: return WideFormat(L"%d.%d r%d", {major, minor, release});
    case 3: return WideFormat(L"%d.%d", {major, minor});
    default: return {};
  }
}

#include "QevJCLUtils.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "PeImage.h"
#include "QevClasses.h"
#include "QevSysUtils.h"

namespace {

const IMAGE_SECTION_HEADER* FindSection(const TImageHeaders& Headers, const AnsiString& Name) {
  for (const IMAGE_SECTION_HEADER& section : Headers.Sections) {
    const char* raw = reinterpret_cast<const char*>(section.Name);
    AnsiString sectionName(raw, strnlen(raw, IMAGE_SIZEOF_SHORT_NAME));
    if (sectionName == Name) return &section;
  }
  return nullptr;
}

TQevFileStream OpenImage(const WideString& FileName) {
  return TQevFileStream(FileName, fmOpenRead | fmShareDenyWrite);
}

// The section's header, or false when the file has no such section; raises
// when the file cannot be read.
bool LocateSection(TStream& File, const WideString& SectionName, IMAGE_SECTION_HEADER& Section) {
  TImageHeaders headers;
  if (!ReadImageHeaders(File, headers)) return false;
  const IMAGE_SECTION_HEADER* found = FindSection(headers, WideToAnsi(SectionName));
  if (!found) return false;
  Section = *found;
  return true;
}

}  // namespace

bool PeSectionExists(const WideString& FileName, const WideString& SectionName) {
  try {
    TQevFileStream file = OpenImage(FileName);
    IMAGE_SECTION_HEADER section;
    return LocateSection(file, SectionName, section);
  } catch (const std::exception&) {
    TraceDroppedException(L"PeSectionExists");
    return false;
  }
}

std::unique_ptr<TMemoryStream> ReadPeSection(const WideString& FileName,
                                             const WideString& SectionName) {
  if (!PeSectionExists(FileName, SectionName)) return nullptr;
  TQevFileStream file = OpenImage(FileName);
  IMAGE_SECTION_HEADER section;
  if (!LocateSection(file, SectionName, section)) return nullptr;
  const Int64 requested = std::min(section.Misc.VirtualSize, section.SizeOfRawData);
  // The header is the file's word only: no buffer is larger than what the
  // file holds from the section's start.
  const Int64 returned =
      std::clamp<Int64>(file.Size() - section.PointerToRawData, 0, requested);
  if (returned != requested)
    throw EQevInternalError(L"%d bytes were requested.  %d bytes were returned.",
                            {requested, returned});
  auto result = std::make_unique<TMemoryStream>();
  result->SetSize(requested);
  file.SetPosition(section.PointerToRawData);
  if (requested > 0) file.ReadBuffer(result->Memory(), requested);
  result->SetPosition(0);
  return result;
}

WideString ReadPeSectionText(const WideString& FileName, const WideString& SectionName) {
  std::unique_ptr<TMemoryStream> section = ReadPeSection(FileName, SectionName);
  if (!section) return {};
  return WideString(static_cast<const WideChar*>(section->Memory()),
                    static_cast<size_t>(section->Size() / 2));
}

bool ReadPeImageBase(const WideString& FileName, ULONGLONG& ImageBase) {
  try {
    TQevFileStream file = OpenImage(FileName);
    TImageHeaders headers;
    if (!ReadImageHeaders(file, headers)) return false;
    ImageBase = headers.ImageBase;
    return true;
  } catch (const std::exception&) {
    TraceDroppedException(L"ReadPeImageBase");
    return false;
  }
}

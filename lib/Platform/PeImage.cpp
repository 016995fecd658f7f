#include "PeImage.h"

#include <set>

#include "Scoped.h"

namespace {

template <typename T>
void ReadAt(TStream& File, Int64 Offset, T& Value) {
  File.SetPosition(Offset);
  File.ReadBuffer(&Value, sizeof(Value));
}

template <typename TOptional>
void TakeOptionalHeader(const TOptional& Optional, TImageHeaders& Headers) {
  Headers.ImageBase = Optional.ImageBase;
  if (Optional.NumberOfRvaAndSizes > IMAGE_DIRECTORY_ENTRY_RESOURCE)
    Headers.Resources = Optional.DataDirectory[IMAGE_DIRECTORY_ENTRY_RESOURCE];
}

// The file offset of a relative virtual address, as the system's resource
// functions find it in a module loaded as a data file; -1 when no section's
// raw data hold it.
Int64 FileOffsetOf(const TImageHeaders& Headers, DWORD Rva) {
  for (const IMAGE_SECTION_HEADER& section : Headers.Sections)
    if (Rva >= section.VirtualAddress && Rva - section.VirtualAddress < section.SizeOfRawData)
      return static_cast<Int64>(section.PointerToRawData) + (Rva - section.VirtualAddress);
  return -1;
}

// Walks an image's resource directory (type, name and language tables, then
// data entries) and checks that every table, name, data entry and the data
// themselves lie inside the file: the system's resource functions trust what
// the entries claim, and a module loaded as a data file ends where its file
// ends. Each table is walked once, so a table that refers back to itself
// costs no more than any other.
class TResourceDirectoryCheck {
 public:
  TResourceDirectoryCheck(TStream& File, const TImageHeaders& Headers)
      : File_(File), Headers_(Headers), FileSize_(File.Size()) {}

  bool Passes() {
    if (Headers_.Resources.VirtualAddress == 0 || Headers_.Resources.Size == 0) return true;
    Root_ = FileOffsetOf(Headers_, Headers_.Resources.VirtualAddress);
    return Root_ >= 0 && TableInside(0, 0);
  }

 private:
  static constexpr int DataLevel = 2;  // language tables point to data entries

  bool Inside(Int64 Offset, Int64 Size) const {
    return Offset >= 0 && Size >= 0 && Offset + Size <= FileSize_;
  }

  bool TableInside(DWORD Offset, int Level) {
    const Int64 at = Root_ + Offset;
    if (!Visited_.insert(at).second) return true;
    IMAGE_RESOURCE_DIRECTORY table;
    if (!Inside(at, sizeof(table))) return false;
    ReadAt(File_, at, table);
    const Int64 count = Int64(table.NumberOfNamedEntries) + table.NumberOfIdEntries;
    const Int64 entriesAt = at + static_cast<Int64>(sizeof(table));
    if (!Inside(entriesAt, count * Int64(sizeof(IMAGE_RESOURCE_DIRECTORY_ENTRY)))) return false;
    std::vector<IMAGE_RESOURCE_DIRECTORY_ENTRY> entries(static_cast<size_t>(count));
    File_.SetPosition(entriesAt);
    File_.ReadBuffer(entries.data(), count * Int64(sizeof(IMAGE_RESOURCE_DIRECTORY_ENTRY)));
    for (const IMAGE_RESOURCE_DIRECTORY_ENTRY& entry : entries)
      if (!EntryInside(entry, Level)) return false;
    return true;
  }

  bool EntryInside(const IMAGE_RESOURCE_DIRECTORY_ENTRY& Entry, int Level) {
    if (Entry.NameIsString && !NameInside(Entry.NameOffset)) return false;
    if (Entry.DataIsDirectory != (Level < DataLevel)) return false;
    return Entry.DataIsDirectory ? TableInside(Entry.OffsetToDirectory, Level + 1)
                                 : DataInside(Entry.OffsetToData);
  }

  bool NameInside(DWORD Offset) {
    WORD length = 0;
    const Int64 at = Root_ + Offset;
    if (!Inside(at, sizeof(length))) return false;
    ReadAt(File_, at, length);
    return Inside(at + static_cast<Int64>(sizeof(length)), Int64(length) * 2);
  }

  bool DataInside(DWORD Offset) {
    IMAGE_RESOURCE_DATA_ENTRY data;
    const Int64 at = Root_ + Offset;
    if (!Inside(at, sizeof(data))) return false;
    ReadAt(File_, at, data);
    return Inside(FileOffsetOf(Headers_, data.OffsetToData), data.Size);
  }

  TStream& File_;
  const TImageHeaders& Headers_;
  const Int64 FileSize_;
  Int64 Root_ = 0;
  std::set<Int64> Visited_;
};

}  // namespace

// False when the file is no PE image; raises when it cannot be read, which
// includes headers that point past its end.
bool ReadImageHeaders(TStream& File, TImageHeaders& Headers) {
  if (File.Size() < static_cast<Int64>(sizeof(IMAGE_DOS_HEADER))) return false;
  IMAGE_DOS_HEADER dos;
  ReadAt(File, 0, dos);
  if (dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew <= 0) return false;
  DWORD signature = 0;
  ReadAt(File, dos.e_lfanew, signature);
  if (signature != IMAGE_NT_SIGNATURE) return false;
  const Int64 fileHeaderAt = dos.e_lfanew + static_cast<Int64>(sizeof(signature));
  IMAGE_FILE_HEADER fileHeader;
  ReadAt(File, fileHeaderAt, fileHeader);
  const Int64 optionalAt = fileHeaderAt + static_cast<Int64>(sizeof(fileHeader));
  WORD magic = 0;
  ReadAt(File, optionalAt, magic);
  if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
    IMAGE_OPTIONAL_HEADER64 optional;
    if (fileHeader.SizeOfOptionalHeader < sizeof(optional)) return false;
    ReadAt(File, optionalAt, optional);
    TakeOptionalHeader(optional, Headers);
  } else if (magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
    IMAGE_OPTIONAL_HEADER32 optional;
    if (fileHeader.SizeOfOptionalHeader < sizeof(optional)) return false;
    ReadAt(File, optionalAt, optional);
    TakeOptionalHeader(optional, Headers);
  } else {
    return false;
  }
  Headers.Sections.resize(fileHeader.NumberOfSections);
  File.SetPosition(optionalAt + fileHeader.SizeOfOptionalHeader);
  File.ReadBuffer(Headers.Sections.data(),
                  static_cast<Int64>(Headers.Sections.size() * sizeof(IMAGE_SECTION_HEADER)));
  return true;
}

bool ResourcesInsideFile(TStream& File) {
  try {
    TImageHeaders headers;
    return ReadImageHeaders(File, headers) && TResourceDirectoryCheck(File, headers).Passes();
  } catch (...) {
    OutputDebugStringW(L"ResourcesInsideFile: the image cannot be read\n");
    return false;
  }
}

bool ResourcesInsideFile(const WideString& FileName, TApiRoad Road) {
  const HANDLE file =
      Road == TApiRoad::Wide
          ? CreateFileW(FileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                        nullptr)
          : CreateFileA(WideToAnsi(FileName).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                        OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const THandleOwner owner(file);
  THandleStream stream(file);
  return ResourcesInsideFile(stream);
}

// A file's version information and the system's version numbers.
#pragma once

#include <cstdint>
#include <vector>

#include "System.h"
#include "WinApi.h"

// Four 16-bit parts from high to low: major, minor, release, build; the file
// version of a version resource. 0 stands for "no version".
using TQevVersionNumber = std::uint64_t;

// Every routine that reads a file's version information raises Exception
// "Internal Error: File does not exist: <name>" for a missing file and reads
// the whole block once per call.

// The file's whole version information; empty when it has none.
std::vector<Byte> GetFileVersionInfoBlock(const WideString& FileName);
// The first entry of \VarFileInfo\Translation: language in the low word, code
// page in the high word; 0 when the file has none.
Cardinal GetFileTranslation(const WideString& FileName);
// A value of \StringFileInfo\<language><code page>\; a Language or CodePage of
// 0 takes both from the file's translation. Empty when it is missing.
WideString GetFileVersionString(const WideString& ValueName, const WideString& FileName,
                                Word Language = 0, Word CodePage = 0);
// The fixed file information as the resource holds it, zero-filled when the
// file has none.
void GetFileFixedInfo(const WideString& FileName, VS_FIXEDFILEINFO& Info);
// The same two from a block already read, for a caller that wants several
// values of one file.
WideString VersionBlockString(const std::vector<Byte>& Block, const WideString& ValueName,
                              Word Language = 0, Word CodePage = 0);
VS_FIXEDFILEINFO VersionBlockFixedInfo(const std::vector<Byte>& Block);
TQevVersionNumber GetFileVersionNumber(const WideString& FileName);

TQevVersionNumber MakeVersionNumber(Word Major, Word Minor, Word Release, Word Build);
void SplitVersionNumber(TQevVersionNumber Version, Word& Major, Word& Minor, Word& Release,
                        Word& Build);
Word VersionMajor(TQevVersionNumber Version);
// Style 0 "1.2.3.4", 1 "1.2.3", 2 "1.2 r3", 3 "1.2"; any other style gives "".
WideString VersionNumberToStr(TQevVersionNumber Version, Byte Style);

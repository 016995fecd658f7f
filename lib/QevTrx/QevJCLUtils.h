// Reading a program file's image headers and its named sections, without
// loading it as a module.
#pragma once

#include <memory>

#include "Classes.h"
#include "WinApi.h"

// Section names are compared over the section table's 8 bytes, case-sensitively.
// No error escapes: a file that cannot be read or is no image has no sections.
bool PeSectionExists(const WideString& FileName, const WideString& SectionName);
// The section's bytes (min(virtual size, raw size)) positioned at 0, or null.
std::unique_ptr<TMemoryStream> ReadPeSection(const WideString& FileName, const WideString& SectionName);
// The section's bytes as UTF-16LE code units; empty when there is no section.
WideString ReadPeSectionText(const WideString& FileName, const WideString& SectionName);

// The preferred load address written in the image's optional header; false
// when the file cannot be read or is no image (32- and 64-bit images alike).
bool ReadPeImageBase(const WideString& FileName, ULONGLONG& ImageBase);

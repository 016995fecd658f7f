// A program file's image headers and the layout of its resources, read from
// the file itself: the system's resource functions trust what the entries of
// a module loaded as a data file claim, also past the end of a cut file.
#pragma once

#include <vector>

#include "Classes.h"
#include "System.h"
#include "WinApi.h"

// What a program file's headers tell without loading it as a module.
struct TImageHeaders {
  ULONGLONG ImageBase = 0;
  IMAGE_DATA_DIRECTORY Resources = {};
  std::vector<IMAGE_SECTION_HEADER> Sections;
};

// False when the file is no PE image; raises when it cannot be read, which
// includes headers that point past its end.
bool ReadImageHeaders(TStream& File, TImageHeaders& Headers);

// Whether the image's resource directory and the data of every resource it
// lists lie inside the file; true for an image without resources. False for a
// file that is no image or cannot be read: no error escapes.
bool ResourcesInsideFile(TStream& File);
bool ResourcesInsideFile(const WideString& FileName, TApiRoad Road);

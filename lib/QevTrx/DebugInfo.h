// What the exception report tells of the process and the machine: the call
// stack an exception captured, with routine names, units and lines from the
// table each program carries; the loaded modules; the operating system,
// processor and display.
#pragma once

#include <vector>

#include "SysUtils.h"
#include "WinApi.h"

class TStrings;
class TQevStrings;

// The frames an exception captured when it was made, with the time of capture.
struct TStackInfoList {
  TDateTime TimeStamp = 0;
  std::vector<void*> Frames;
  // One line per frame: address, module, unit, routine, offset from the
  // routine start and line as far as the module's routine table tells.
  void AddToStrings(TStrings* Lines) const;
  // The same, wide: module names keep characters outside the ANSI code page.
  void AddToStrings(TQevStrings* Lines) const;
};

// The stack E captured; empty Frames when it holds none.
TStackInfoList StackListOf(const Exception& E);
// "[address] module  unit  routine + 0xoffset (line n)", or less where less
// is known ("[address] module  routine + 0xoffset", "[address] module",
// "[address]"). Address is a return address: the routine and line are looked
// up at Address - 1, the offset counts from the routine's start to Address.
WideString FormatCodeLocation(void* Address);
// Where E was raised: the return address of its throw or the faulting
// instruction; for one never thrown, its first captured frame; or null.
void* ExceptionAddressOf(const Exception& E);

struct TLoadedModule {
  ULONG_PTR Base = 0;
  WideString FileName;  // full path
};
// The process's modules sorted by load address; false when the list cannot be taken.
bool GetLoadedModules(std::vector<TLoadedModule>& Modules);

struct TWindowsVersion {
  WideString Name;         // "Windows 7", "Windows XP", ...
  WideString ProductType;  // "Workstation", "Server", "Professional", "Home Edition", ...
  DWORD Major = 0, Minor = 0, Build = 0;
  WideString ServicePack;
};
TWindowsVersion GetWindowsVersion();

struct TProcessorInfo {
  WideString Vendor, Name;
  DWORD MHz = 0;
  bool HasMmx = false;
  bool HasFdivBug = false;
};
// Raises when the processor cannot be asked.
TProcessorInfo GetProcessorInfo();

#include "DebugInfo.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cpuid.h>
#include <map>
#include <memory>
#include <mutex>

#include "Classes.h"
#include "DebugInfoTable.h"
#include "QevClasses.h"
#include "QevJCLUtils.h"
#include "QevSysUtils.h"
#include "Registry.h"
#include "Scoped.h"

// ---------------------------------------------------------------- routine tables

namespace {

// The section the build adds to each program (tools/RoutineTable.cpp).
const wchar_t RoutineSectionName[] = L"QEV.SYM";

// Read once per module; a module loaded later at the same base reads afresh.
std::shared_ptr<const TDebugInfoTable> RoutineTableOf(ULONG_PTR Base, const WideString& FileName) {
  struct TCachedTable {
    WideString FileName;
    std::shared_ptr<const TDebugInfoTable> Table;
  };
  static std::mutex lock;
  static std::map<ULONG_PTR, TCachedTable> cache;
  std::lock_guard<std::mutex> guard(lock);
  TCachedTable& cached = cache[Base];
  if (!cached.Table || cached.FileName != FileName) {
    auto table = std::make_shared<TDebugInfoTable>();
    if (auto section = ReadPeSection(FileName, RoutineSectionName))
      *table = DecodeDebugInfoTable(static_cast<const BYTE*>(section->Memory()),
                                    static_cast<size_t>(section->Size()));
    cached = {FileName, std::move(table)};
  }
  return cached.Table;
}

// The image that holds Address; 0 outside every image.
ULONG_PTR ModuleBaseOf(const void* Address) {
  MEMORY_BASIC_INFORMATION info{};
  if (!VirtualQuery(Address, &info, sizeof(info)) || info.Type != MEM_IMAGE) return 0;
  return reinterpret_cast<ULONG_PTR>(info.AllocationBase);
}

// Whether Rva lies in an executable section of the loaded image.
bool IsCodeRva(ULONG_PTR Base, DWORD Rva) {
  auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(Base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return false;
  auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(Base + dos->e_lfanew);
  if (nt->Signature != IMAGE_NT_SIGNATURE) return false;
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
    if (Rva >= section->VirtualAddress && Rva - section->VirtualAddress < section->Misc.VirtualSize)
      return (section->Characteristics & (IMAGE_SCN_MEM_EXECUTE | IMAGE_SCN_CNT_CODE)) != 0;
  }
  return false;
}

}  // namespace

// ---------------------------------------------------------------- stacks

TStackInfoList StackListOf(const Exception& E) {
  TStackInfoList list;
  list.TimeStamp = E.StackTimeStamp;
  list.Frames.assign(E.StackTrace, E.StackTrace + std::clamp(E.StackDepth, 0, Exception::MaxStackDepth));
  return list;
}

void* ExceptionAddressOf(const Exception& E) {
  if (E.RaiseAddress) return E.RaiseAddress;
  return E.StackDepth > 0 ? E.StackTrace[0] : nullptr;
}

// The addresses are return addresses: the call itself lies one byte before.
WideString FormatCodeLocation(void* Address) {
  WideString line = WideFormat(L"[%p]", {Address});
  ULONG_PTR base = Address ? ModuleBaseOf(static_cast<BYTE*>(Address) - 1) : 0;
  if (!base) return line;
  WideString fileName;
  try {
    fileName = WideGetModuleFileName(reinterpret_cast<HMODULE>(base));
  } catch (const Exception&) {
    TraceDroppedException(L"FormatCodeLocation");  // an image mapped but not loaded
    return line;
  }
  line += L' ' + WideExtractFileName(fileName);
  auto rva = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(Address) - 1 - base);
  if (!IsCodeRva(base, rva)) return line;
  std::shared_ptr<const TDebugInfoTable> table = RoutineTableOf(base, fileName);
  TDebugInfoTable::TLocation at = table->Find(rva);
  if (!at.Routine) return line;
  if (at.Unit) line += WideFormat(L"  %s", {*at.Unit});
  line += WideFormat(L"  %s + 0x%x", {*at.Routine, static_cast<unsigned>(rva + 1 - at.Start)});
  return at.Unit ? line + WideFormat(L" (line %u)", {at.Line}) : line;
}

void TStackInfoList::AddToStrings(TStrings* Lines) const {
  for (void* frame : Frames) Lines->Add(WideToAnsi(FormatCodeLocation(frame)));
}

void TStackInfoList::AddToStrings(TQevStrings* Lines) const {
  for (void* frame : Frames) Lines->Add(FormatCodeLocation(frame));
}

// ---------------------------------------------------------------- modules

bool GetLoadedModules(std::vector<TLoadedModule>& Modules) {
  // Bound by name: NT 4's kernel32 has no tool help. 9x has no GetModuleHandleW.
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  auto snapshotOf = ProcAddress<decltype(&CreateToolhelp32Snapshot)>(kernel, "CreateToolhelp32Snapshot");
  auto first = ProcAddress<decltype(&Module32FirstW)>(kernel, "Module32FirstW");
  auto next = ProcAddress<decltype(&Module32NextW)>(kernel, "Module32NextW");
  if (!snapshotOf || !first || !next) return false;
  HANDLE snapshot = snapshotOf(TH32CS_SNAPMODULE, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  THandleOwner owner(snapshot);
  Modules.clear();
  MODULEENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = first(snapshot, &entry); more; more = next(snapshot, &entry))
    Modules.push_back({reinterpret_cast<ULONG_PTR>(entry.modBaseAddr), entry.szExePath});
  std::sort(Modules.begin(), Modules.end(),
            [](const TLoadedModule& a, const TLoadedModule& b) { return a.Base < b.Base; });
  return !Modules.empty();
}

// ---------------------------------------------------------------- Windows version

namespace {

// RtlGetVersion tells the truth where GetVersionEx is shimmed; 9x has neither
// it nor the wide call.
OSVERSIONINFOEXW ReadVersionInfo() {
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  using TRtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOEXW*);
  auto rtlGetVersion = ProcAddress<TRtlGetVersion>(GetModuleHandleA("ntdll.dll"), "RtlGetVersion");
  if (rtlGetVersion && rtlGetVersion(&info) == 0) return info;
  if (GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) return info;
  OSVERSIONINFOA ansi{};
  ansi.dwOSVersionInfoSize = sizeof(ansi);
  if (GetVersionExA(&ansi)) {
    info.dwMajorVersion = ansi.dwMajorVersion;
    info.dwMinorVersion = ansi.dwMinorVersion;
    info.dwBuildNumber = ansi.dwBuildNumber & 0xFFFF;
    info.dwPlatformId = ansi.dwPlatformId;
    MultiByteToWideChar(CP_ACP, 0, ansi.szCSDVersion, -1, info.szCSDVersion, 128);
  }
  return info;
}

const wchar_t* WindowsName(const OSVERSIONINFOEXW& v) {
  struct TName {
    DWORD Major, Minor;
    const wchar_t *Workstation, *Server;
  };
  static const TName NtNames[] = {
      {4, 0, L"Windows NT 4", L"Windows NT 4"},
      {5, 0, L"Windows 2000", L"Windows 2000"},
      {5, 1, L"Windows XP", L"Windows XP"},
      {5, 2, L"Windows XP", L"Windows Server 2003"},
      {6, 0, L"Windows Vista", L"Windows Server 2008"},
      {6, 1, L"Windows 7", L"Windows Server 2008 R2"},
      {6, 2, L"Windows 8", L"Windows Server 2012"},
      {6, 3, L"Windows 8.1", L"Windows Server 2012 R2"},
      {10, 0, L"Windows 10", L"Windows Server 2016"},
  };
  if (v.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS)
    return v.dwMinorVersion >= 90 ? L"Windows Me" : v.dwMinorVersion >= 10 ? L"Windows 98" : L"Windows 95";
  if (v.dwPlatformId != VER_PLATFORM_WIN32_NT) return L"Windows";
  for (const TName& n : NtNames)
    if (n.Major == v.dwMajorVersion && n.Minor == v.dwMinorVersion)
      return v.wProductType == VER_NT_WORKSTATION ? n.Workstation : n.Server;
  return v.dwMajorVersion > 10 || (v.dwMajorVersion == 10 && v.dwMinorVersion > 0) ? L"Windows 10" : L"Windows NT";
}

const wchar_t* ProductTypeName(const OSVERSIONINFOEXW& v) {
  if (v.dwPlatformId != VER_PLATFORM_WIN32_NT) return L"";
  if (v.wProductType == VER_NT_WORKSTATION) {
    if (v.dwMajorVersion == 4) return L"Workstation";
    return v.wSuiteMask & VER_SUITE_PERSONAL ? L"Home Edition" : L"Professional";
  }
  if (v.wSuiteMask & VER_SUITE_DATACENTER) return L"Datacenter Server";
  if (v.wSuiteMask & VER_SUITE_ENTERPRISE) return L"Advanced Server";
  return L"Server";
}

}  // namespace

TWindowsVersion GetWindowsVersion() {
  OSVERSIONINFOEXW v = ReadVersionInfo();
  TWindowsVersion result;
  result.Name = WindowsName(v);
  result.ProductType = ProductTypeName(v);
  result.Major = v.dwMajorVersion;
  result.Minor = v.dwMinorVersion;
  result.Build = v.dwPlatformId == VER_PLATFORM_WIN32_NT ? v.dwBuildNumber : v.dwBuildNumber & 0xFFFF;
  result.ServicePack = v.szCSDVersion;
  return result;
}

// ---------------------------------------------------------------- processor

namespace {

struct TCpuid {
  unsigned Eax = 0, Ebx = 0, Ecx = 0, Edx = 0;
};

bool Cpuid(unsigned Leaf, TCpuid& r) { return __get_cpuid(Leaf, &r.Eax, &r.Ebx, &r.Ecx, &r.Edx) != 0; }

AnsiString Registers(std::initializer_list<unsigned> Values) {
  AnsiString s;
  for (unsigned v : Values) s.append(reinterpret_cast<const char*>(&v), sizeof(v));
  return s.substr(0, s.find('\0'));
}

AnsiString BrandString() {
  TCpuid r;
  if (!Cpuid(0x80000000, r) || r.Eax < 0x80000004) return {};
  AnsiString brand;
  for (unsigned leaf = 0x80000002; leaf <= 0x80000004; ++leaf) {
    Cpuid(leaf, r);
    brand += Registers({r.Eax, r.Ebx, r.Ecx, r.Edx});
  }
  return Trim(brand);
}

// The flawed Pentium divider gets this quotient wrong in the fifth digit.
bool DividesWrongly() {
  volatile double x = 4195835.0, y = 3145727.0;
  return x - (x / y) * y > 1.0;
}

DWORD NominalMHz() {
  TRegistry reg(KEY_READ);
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  if (reg.OpenKeyReadOnly("HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0") &&
      reg.GetDataType("~MHz") == rdInteger)
    return static_cast<DWORD>(reg.ReadInteger("~MHz"));
  return 0;
}

}  // namespace

TProcessorInfo GetProcessorInfo() {
  TCpuid r;
  if (!Cpuid(0, r)) throw EQevGeneralError(L"The processor does not identify itself.");
  TProcessorInfo info;
  AnsiString vendor = Registers({r.Ebx, r.Edx, r.Ecx});
  info.Vendor = AnsiToWide(vendor);
  unsigned maxLeaf = r.Eax;
  TCpuid features;
  if (maxLeaf >= 1) Cpuid(1, features);
  unsigned family = features.Eax >> 8 & 0xF, model = features.Eax >> 4 & 0xF;
  info.HasMmx = (features.Edx & bit_MMX) != 0;
  info.HasFdivBug = vendor == "GenuineIntel" && family == 5 && DividesWrongly();
  AnsiString brand = BrandString();
  info.Name = AnsiToWide(!brand.empty() ? brand
                                        : Format("x86 Family %d Model %d Stepping %d",
                                                 {family, model, features.Eax & 0xF}));
  info.MHz = NominalMHz();
  return info;
}

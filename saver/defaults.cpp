#include "defaults.h"

#include <cwchar>
#include <utility>
#include <vector>

#include "QevClasses.h"
#include "QevLXRegistry.h"

TStatArray StatNames;
TStatArray StatDefaults;
TStatArray StatValues;

bool AutoWebUpdate = true;
bool DisplayImages = true;
bool AnimateDisplay = true;
bool AllowMsgUpdate = true;

AnsiString SettingsKey = "Software\\Qev\\VINTRAFilmScreenSaver";
TSettingsErrorProc OnSaveSettingsError = nullptr;

namespace {

const TStatArray Names = {
    L"WorldPresentPeople", L"WorldPresentDate",     L"WorldPresentRate",
    L"WorldYearlyRateDecay", L"VintraPresentPeople", L"VintraPresentDate",
    L"VintraGrowthPerSecond", L"ScreenSaverMsg",    L"UpdateMsg",
    L"UpdateUrl",          L"WebUpdateUrl"};

const TStatArray BuiltInDefaults = {
    L"6,119,036,535",
    L"01/01/2001",
    L"1.28674165457186",
    L"-0.00782195489561269",
    L"5,164,836,643",
    L"07/01/2002",
    L"5.68",
    L"Visit www.vintrafilm.example and tell your friends!",  // fits the message line
    L"The estimates are based on 2000 reported data.  Be sure to check out our Web site!",
    L"http://www.vintrafilm.example/",
    L"http://www.vintrafilm.example/stats/webstats.txt"};

// What this process read or last wrote: a save writes only what differs.
TStatArray StoredDefaults;
TStatArray StoredValues;

struct TOption {
  const WideChar* Name;
  bool* Value;
  bool Stored;
};
TOption Options[] = {{L"AutoWebUpdate", &AutoWebUpdate, true},
                     {L"DisplayImages", &DisplayImages, true},
                     {L"AnimateDisplay", &AnimateDisplay, true},
                     {L"AllowMsgUpdate", &AllowMsgUpdate, true}};

// A download quoted in a message is cut after this many characters, so that
// an error page cannot make the message larger than the screen.
constexpr std::size_t MaxQuotedDownload = 1024;

AnsiString KeyPath(const char* Subkey) { return SettingsKey + "\\" + Subkey; }
// From the root whatever key is open.
AnsiString RootedKeyPath(const char* Subkey) {
  AnsiString path = "\\";
  return path += KeyPath(Subkey);
}

bool OpenForReading(TQevRegistryLX& Reg, const char* Subkey) {
  return Reg.OpenKeyReadOnly(RootedKeyPath(Subkey));
}

void OpenForWriting(TQevRegistryLX& Reg, const char* Subkey) {
  if (!Reg.OpenKey(RootedKeyPath(Subkey), true))
    throw Exception(L"Could not create or open \"" + AnsiToWide(KeyPath(Subkey)) +
                    L"\" in registry.");
}

// A value stored with another type than text counts as missing.
WideString ReadTextDef(const TQevRegistryLX& Reg, const WideString& Name,
                       const WideString& Default) {
  try {
    return Reg.ReadStringDef(Name, Default);
  } catch (const ERegistryException&) {
    TraceDroppedException(L"ReadTextDef");
    return Default;
  }
}

void ReadStatistics(const char* Subkey, TStatArray& Target, const TStatArray& Fallback) {
  TQevRegistryLX reg;
  const bool open = OpenForReading(reg, Subkey);
  for (TStatIndex i = 0; i < StatCount; ++i) {
    const WideString text = open ? ReadTextDef(reg, StatNames[i], Fallback[i]) : Fallback[i];
    // A figure the counters cannot read would stop them: keep the fallback.
    Target[i] = StatReadable(i, text) ? text : Fallback[i];
  }
}

void WriteChangedStatistics(const char* Subkey, const TStatArray& Current, TStatArray& Stored) {
  TQevRegistryLX reg;
  for (TStatIndex i = 0; i < StatCount; ++i) {
    if (Current[i] == Stored[i]) continue;
    if (!reg.CurrentKey()) OpenForWriting(reg, Subkey);
    reg.WriteString(StatNames[i], Current[i]);
    Stored[i] = Current[i];
  }
}

bool ReadOption(const TQevRegistryLX& Reg, const TOption& Option) {
  const bool current = *Option.Value;
  try {
    return StrToInt(WideToAnsi(ReadTextDef(Reg, Option.Name, current ? L"1" : L"0"))) != 0;
  } catch (const EConvertError&) {
    return current;
  }
}

bool IsCount(TStatIndex Index) {
  return Index == siWorldPresentPeople || Index == siVintraPresentPeople ||
         Index == siVintraGrowthPerSecond;
}
bool IsNumber(TStatIndex Index) {
  return IsCount(Index) || Index == siWorldPresentRate || Index == siWorldYearlyRateDecay;
}
bool IsDate(TStatIndex Index) {
  return Index == siWorldPresentDate || Index == siVintraPresentDate;
}

// Characters outside ASCII become "?", which no conversion accepts.
AnsiString AsciiText(const WideString& Text) {
  AnsiString s;
  s.reserve(Text.size());
  for (WideChar c : Text) s += c < 0x80 ? static_cast<AnsiChar>(c) : '?';
  return s;
}

const TFormatSettings& StatFormat() {
  static const TFormatSettings settings = [] {
    TFormatSettings s;
    s.DecimalSeparator = '.';
    s.DateSeparator = '/';
    s.ShortDateFormat = "mm/dd/yyyy";
    return s;
  }();
  return settings;
}

// Whether a downloaded value may replace statistic Index at all.
bool Accepted(TStatIndex Index, const WideString& Value) {
  if (Index == siScreenSaverMsg) return AllowMsgUpdate;
  if (Index == siUpdateUrl || Index == siWebUpdateUrl) return IsWebAddress(Value);
  return true;
}

[[noreturn]] void RejectDownload(const WideString& Reason, const TQevStringList& List) {
  WideString text = List.Text();
  if (text.size() > MaxQuotedDownload) {
    std::size_t cut = MaxQuotedDownload;
    if (text[cut - 1] >= 0xD800 && text[cut - 1] <= 0xDBFF) --cut;  // keep pairs whole
    text = text.substr(0, cut) + L"...";
  }
  throw Exception(Reason + L"\r\n\r\n" + text);
}

void AppendLine(WideString& Lines, const WideString& Line) {
  if (!Lines.empty()) Lines += L"\r\n";
  Lines += Line;
}

}  // namespace

bool IsWebAddress(const WideString& Text) {
  for (const WideChar* scheme : {L"http://", L"https://"}) {
    const std::size_t n = std::wcslen(scheme);
    if (Text.size() > n && WideSameText(Text.substr(0, n), scheme)) return true;
  }
  return false;
}

// ------------------------------------------------------------------ storage

void LoadStatistics() {
  ReadStatistics("Defaults", StatDefaults, StatDefaults);
  ReadStatistics("Values", StatValues, StatDefaults);
  StoredDefaults = StatDefaults;
  StoredValues = StatValues;
}

void LoadOptions() {
  TQevRegistryLX reg;
  const bool open = OpenForReading(reg, "Options");
  for (TOption& option : Options) {
    if (open) *option.Value = ReadOption(reg, option);
    option.Stored = *option.Value;
  }
}

void SaveStatistics() {
  WriteChangedStatistics("Defaults", StatDefaults, StoredDefaults);
  WriteChangedStatistics("Values", StatValues, StoredValues);
}

void SaveOptions() {
  TQevRegistryLX reg;
  for (TOption& option : Options) {
    if (*option.Value == option.Stored) continue;
    if (!reg.CurrentKey()) OpenForWriting(reg, "Options");
    reg.WriteString(option.Name, *option.Value ? L"1" : L"0");
    option.Stored = *option.Value;
  }
}

WideString SaveSettings() {
  WideString errors;
  for (void (*save)() : {SaveStatistics, SaveOptions}) {
    try {
      save();
    } catch (const Exception& e) {
      AppendLine(errors, e.Message);
    } catch (const std::exception& e) {
      AppendLine(errors, AnsiToWide(e.what()));
    }
  }
  return errors;
}

// -------------------------------------------------------- statistics text

WideString StripCommas(const WideString& Text) {
  WideString result;
  result.reserve(Text.size());
  for (WideChar c : Text)
    if (c != L',') result += c;
  return result;
}

Extended StatToFloat(TStatIndex Index, const WideString& Text) {
  return StrToFloat(AsciiText(IsCount(Index) ? StripCommas(Text) : Text), StatFormat());
}

TDateTime StatToDate(const WideString& Text) { return StrToDate(AsciiText(Text), StatFormat()); }

bool StatReadable(TStatIndex Index, const WideString& Text) {
  try {
    if (IsNumber(Index)) StatToFloat(Index, Text);
    if (IsDate(Index)) StatToDate(Text);
    return true;
  } catch (const EConvertError&) {
    return false;
  }
}

void ApplyWebStats(TStream* Stream) {
  TQevStringList list;
  if (Stream) {
    Stream->SetPosition(0);
    list.LoadFromStream(Stream);
  }
  if (list.Values(StatNames[siWebUpdateUrl]).empty())
    RejectDownload(L"Incomplete download: ", list);
  // Everything is checked before anything changes.
  std::vector<std::pair<TStatIndex, WideString>> updates;
  for (TStatIndex i = 0; i < StatCount; ++i) {
    WideString value = list.Values(StatNames[i]);
    if (value.empty() || !Accepted(i, value)) continue;
    if (!StatReadable(i, value))
      RejectDownload(L"Invalid download: " + StatNames[i] + L"=" + value, list);
    updates.emplace_back(i, std::move(value));
  }
  for (const auto& [index, value] : updates) StatDefaults[index] = StatValues[index] = value;
}

// ------------------------------------------------------- unit start and end

void Initialization_defaults() {
  FormatSettings.DateSeparator = '/';
  FormatSettings.ShortDateFormat = "mm/dd/yyyy";
  StatNames = Names;
  StatDefaults = BuiltInDefaults;
  for (TOption& option : Options) *option.Value = true;
  LoadStatistics();
  LoadOptions();
}

void Finalization_defaults() {
  const WideString errors = SaveSettings();
  if (!errors.empty() && OnSaveSettingsError) {
    try {
      OnSaveSettingsError(errors);
    } catch (...) {
      // Nothing may leave the program's end.
      TraceDroppedException(L"OnSaveSettingsError");
    }
  }
  StatNames = StatDefaults = StatValues = StoredDefaults = StoredValues = TStatArray{};
}

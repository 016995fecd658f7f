#include "defaults.h"

#include <cmath>
#include <cwchar>
#include <vector>

#include "QevClasses.h"
#include "QevLXFetchUrl.h"
#include "QevLXRegistry.h"
#include "QevLXSafeWinInet.h"

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

constexpr double DaysPerYear = 365.25;
constexpr double SecondsPerDay = 60.0 * 60.0 * 24.0;
// FloatToStr writes whole numbers below this in digits, larger ones with an
// exponent that no digit display can show.
constexpr double MaxCounter = 1e15;
// How long from now a figure must keep its counter showing a number.
constexpr double CounterHorizonDays = 10 * DaysPerYear;

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
  TStatArray read = Fallback;
  for (TStatIndex i = 0; i < StatCount; ++i) {
    const WideString text = open ? ReadTextDef(reg, StatNames[i], Fallback[i]) : Fallback[i];
    // A figure the counters cannot read or show would stop them: keep the fallback.
    if (StatReadable(i, text, read)) read[i] = text;
  }
  Target = read;
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
bool DrivesWorld(TStatIndex Index) {
  return Index >= siWorldPresentPeople && Index <= siWorldYearlyRateDecay;
}
bool DrivesViewings(TStatIndex Index) {
  return Index >= siVintraPresentPeople && Index <= siVintraGrowthPerSecond;
}

double Stat(const TStatArray& Stats, TStatIndex Index) {
  return static_cast<double>(StatToFloat(Index, Stats[Index]));
}

// A counter shows the whole part of Value, or its overflow mark for NaN.
double Shown(double Value) {
  return std::isfinite(Value) && std::fabs(Value) < MaxCounter ? std::trunc(Value) : NAN;
}

// The counter that statistic Index drives, computed from Stats as the saver
// computes it (a saver started later reads the world's rate for then), stays
// a number from now to the horizon. Raises EConvertError.
bool CounterShowable(TStatIndex Index, const TStatArray& Stats) {
  const TDateTime now = Now();
  for (TDateTime t : {now, now + CounterHorizonDays}) {
    if (DrivesWorld(Index) && std::isnan(ReadWorldFigures(Stats, t).At(t))) return false;
    if (DrivesViewings(Index) && std::isnan(ReadViewingsFigures(Stats).At(t))) return false;
  }
  return true;
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

bool StatReadable(TStatIndex Index, const WideString& Text, const TStatArray& Stats) {
  try {
    if (IsNumber(Index)) StatToFloat(Index, Text);
    if (IsDate(Index)) StatToDate(Text);
  } catch (const EConvertError&) {
    return false;
  }
  TStatArray trial = Stats;
  trial[Index] = Text;
  try {
    return CounterShowable(Index, trial);
  } catch (const EConvertError&) {
    return true;  // another figure of the counter is at fault, not this one
  }
}

// ------------------------------------------------------------------ counters

double TWorldFigures::At(TDateTime T) const {
  return Shown(People * std::exp((T - Date) * (Rate / 100) / DaysPerYear));
}

double TViewingsFigures::At(TDateTime T) const { return Shown(T * PerDay + Base); }

TWorldFigures ReadWorldFigures(const TStatArray& Stats, TDateTime Now) {
  TWorldFigures figures;
  figures.People = Stat(Stats, siWorldPresentPeople);
  figures.Date = StatToDate(Stats[siWorldPresentDate]);
  figures.Rate = Stat(Stats, siWorldPresentRate) +
                 (Now - figures.Date) / DaysPerYear * Stat(Stats, siWorldYearlyRateDecay);
  return figures;
}

TViewingsFigures ReadViewingsFigures(const TStatArray& Stats) {
  const double people = Stat(Stats, siVintraPresentPeople);
  const TDateTime date = StatToDate(Stats[siVintraPresentDate]);
  const double perDay = Stat(Stats, siVintraGrowthPerSecond) * SecondsPerDay;
  return {perDay, people - date * perDay};
}

// ------------------------------------------------------------ web updates

void ApplyWebStats(TStream* Stream) {
  TQevStringList list;
  if (Stream) {
    Stream->SetPosition(0);
    list.LoadFromStream(Stream);
  }
  if (Stream && Stream->Size() > MaxStatisticsText) RejectDownload(L"Download too large: ", list);
  if (list.Values(StatNames[siWebUpdateUrl]).empty())
    RejectDownload(L"Incomplete download: ", list);
  TStatArray defaults = StatDefaults, values = StatValues;
  std::vector<TStatIndex> given;
  for (TStatIndex i = 0; i < StatCount; ++i) {
    const WideString value = list.Values(StatNames[i]);
    if (value.empty() || !Accepted(i, value)) continue;
    defaults[i] = values[i] = value;
    given.push_back(i);
  }
  // Each figure with all the others of the text, before anything changes.
  for (TStatIndex i : given)
    if (!StatReadable(i, values[i], values) || !StatReadable(i, values[i], defaults))
      RejectDownload(L"Invalid download: " + StatNames[i] + L"=" + values[i], list);
  StatDefaults = defaults;
  StatValues = values;
}

// ------------------------------------------------------- unit start and end

void Initialization_defaults() {
  FormatSettings.DateSeparator = '/';
  FormatSettings.ShortDateFormat = "mm/dd/yyyy";
  FetchUrlMaxBytes = MaxStatisticsText + 1;
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

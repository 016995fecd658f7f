// The saver's statistics and options: built-in defaults, their storage under
// HKEY_CURRENT_USER and the reader of the downloaded statistics text.
#pragma once

#include <array>

#include "Classes.h"
#include "SysUtils.h"

// ------------------------------------------------------------- statistics

using TStatIndex = Integer;  // 0..10
constexpr TStatIndex StatCount = 11;

// Indexes by meaning. People counts and the growth per second may carry ","
// separators; dates are "mm/dd/yyyy"; the rates are percent a year and
// percentage points a year.
constexpr TStatIndex siWorldPresentPeople = 0;
constexpr TStatIndex siWorldPresentDate = 1;
constexpr TStatIndex siWorldPresentRate = 2;
constexpr TStatIndex siWorldYearlyRateDecay = 3;
constexpr TStatIndex siVintraPresentPeople = 4;
constexpr TStatIndex siVintraPresentDate = 5;
constexpr TStatIndex siVintraGrowthPerSecond = 6;
constexpr TStatIndex siScreenSaverMsg = 7;
constexpr TStatIndex siUpdateMsg = 8;
constexpr TStatIndex siUpdateUrl = 9;
constexpr TStatIndex siWebUpdateUrl = 10;

using TStatArray = std::array<WideString, StatCount>;

// Registry value names and keys of the statistics text; fixed at start.
extern TStatArray StatNames;
// Built-in, then the registry's "Defaults", then every web update.
extern TStatArray StatDefaults;
// The current values; the settings dialog and web updates change them here.
extern TStatArray StatValues;

// ---------------------------------------------------------------- options

extern bool AutoWebUpdate;   // fetch on the saver's timers
extern bool DisplayImages;   // earth picture and scenes
extern bool AnimateDisplay;  // move the panel; off = centred
extern bool AllowMsgUpdate;  // a web update may replace ScreenSaverMsg

// ----------------------------------------------------------------- storage

// Root of the settings under HKEY_CURRENT_USER, with the subkeys "Defaults",
// "Values" and "Options". Tests point it at a scratch key.
extern AnsiString SettingsKey;

// Reads both arrays: a stored default replaces the built-in one, and a
// missing current value is the (stored) default. A value that cannot be read
// as text counts as missing. Remembers what it read (see SaveStatistics).
void LoadStatistics();
// Reads the options stored as integer texts; non-zero is on. A value that is
// missing, not text or not an integer leaves its option as it is.
void LoadOptions();

// Only what this process changed is written: a statistic or option whose
// value differs from what LoadStatistics / LoadOptions read (or from what the
// last save wrote). So a process that ends without changes never overwrites
// settings that another process saved meanwhile; changes made in the arrays
// or the option variables are saved whichever way they were made.
// A key that cannot be opened or created raises Exception "Could not create
// or open \"<key>\" in registry.".
void SaveStatistics();
void SaveOptions();
// SaveStatistics, then SaveOptions even when the first failed; never raises.
// The messages of the failures, one a line; empty when all was written.
WideString SaveSettings();

// The finalisation hands SaveSettings' message to this when it is not empty;
// the program sets it to show the message. Must not raise.
using TSettingsErrorProc = void (*)(const WideString& Message);
extern TSettingsErrorProc OnSaveSettingsError;

// ------------------------------------------------------ statistics text

// Text without any ",".
WideString StripCommas(const WideString& Text);

// The conversions of the counters, independent of the process's settings:
// "." as decimal point, "," removed from the people counts and the growth per
// second (not from the rates), dates "mm/dd/yyyy". Only ASCII text converts.
// Raise EConvertError.
Extended StatToFloat(TStatIndex Index, const WideString& Text);
TDateTime StatToDate(const WideString& Text);
// True when Text is a value the counters can read at Index (any text for the
// messages and addresses) and, put into Stats, leaves the counter it drives
// showing a number now and for some years ahead.
bool StatReadable(TStatIndex Index, const WideString& Text,
                  const TStatArray& Stats = StatValues);

// A statistics text longer than this, in bytes, is refused whole; the fetch
// reads one byte more, so that such a text shows.
constexpr Int64 MaxStatisticsText = 64 * 1024;


// ---------------------------------------------------------------- counters

// The world counter's figures as of a moment: People at Date, growing by Rate
// percent a year (the rate at that moment).
struct TWorldFigures {
  double People = 0;
  TDateTime Date = 0;
  double Rate = 0;
  // Whole people at T (days); NaN when that is no number the counter shows.
  double At(TDateTime T) const;
};
// The viewings counter's figures: PerDay a day, Base at day 0.
struct TViewingsFigures {
  double PerDay = 0;
  double Base = 0;
  double At(TDateTime T) const;  // as TWorldFigures::At
};
// From the statistics in Stats; raise EConvertError.
TWorldFigures ReadWorldFigures(const TStatArray& Stats, TDateTime Now);
TViewingsFigures ReadViewingsFigures(const TStatArray& Stats);

// Applies a downloaded statistics text of Name=Value lines, read from the
// stream's start (its encoding told by a byte-order mark, else ANSI). Every
// non-empty value replaces both the default and the current value, the
// message only while AllowMsgUpdate is on; UpdateUrl and WebUpdateUrl only
// when they are well-formed web addresses (IsWebAddress; a line with another
// is ignored, the rest of the text still applies). Nothing is written to the
// registry.
// Changes nothing and raises Exception when the text is longer than
// MaxStatisticsText ("Download too large: " CR LF CR LF and the text), is
// incomplete ("Incomplete download: ", likewise; nullptr counts as empty) or
// holds a number or date the counters cannot read or show ("Invalid download: ",
// the line, CR LF CR LF and the text). A long text is cut in the message.
void ApplyWebStats(TStream* Stream);

// ------------------------------------------------------- unit start and end

// Date separator "/" and short date format "mm/dd/yyyy" in FormatSettings;
// fetches read at most MaxStatisticsText + 1 bytes; names and built-in values;
// LoadStatistics; LoadOptions. Never raises.
void Initialization_defaults();
// SaveSettings (failures go to OnSaveSettingsError); then the arrays are
// emptied. Never raises.
void Finalization_defaults();

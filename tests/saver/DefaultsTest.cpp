// The saver's stored statistics and options, in a scratch key under
// HKEY_CURRENT_USER\Software\QevTests, and the reader of the statistics text.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "QevClasses.h"
#include "QevLXFetchUrl.h"
#include "Registry.h"
#include "TestSupport.h"
#include "defaults.h"

namespace {

const WideString WebUrl = L"http://stats.example/webstats.txt";

// Points the settings at a scratch key for one test and removes it after.
class DefaultsTest : public testing::Test {
 protected:
  void SetUp() override { SettingsKey = Root_ + "\\Settings"; }
  void TearDown() override {
    SettingsKey = SavedKey_;
    FormatSettings = SavedFormat_;
    OnSaveSettingsError = nullptr;
    TRegistry().DeleteKey("\\" + Root_);
  }

  static std::wstring Path(const char* subkey) {
    return AnsiToWide(SettingsKey) + L"\\" + AnsiToWide(subkey);
  }
  static void SetRaw(const char* subkey, const wchar_t* name, DWORD type, const void* data,
                     DWORD size) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, Path(subkey).c_str(), 0, nullptr,
                                             0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    EXPECT_EQ(ERROR_SUCCESS,
              RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size));
    RegCloseKey(key);
  }
  static void SetText(const char* subkey, const wchar_t* name, const WideString& text) {
    SetRaw(subkey, name, REG_SZ, text.c_str(),
           static_cast<DWORD>((text.size() + 1) * sizeof(WideChar)));
  }
  static void SetDword(const char* subkey, const wchar_t* name, DWORD value) {
    SetRaw(subkey, name, REG_DWORD, &value, sizeof(value));
  }
  // A stored text; nothing when the value is missing or not REG_SZ.
  static std::optional<WideString> Stored(const char* subkey, const wchar_t* name) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Path(subkey).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
      return std::nullopt;
    wchar_t buffer[512] = {};
    DWORD type = 0, size = sizeof(buffer) - sizeof(wchar_t);
    LONG rc = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    return WideString(buffer);
  }

  const AnsiString Root_ = "Software\\QevTests\\Saver" + std::to_string(GetCurrentProcessId());

 private:
  const AnsiString SavedKey_ = SettingsKey;
  const TFormatSettings SavedFormat_ = FormatSettings;
};

// ------------------------------------------------------------- loading

TEST_F(DefaultsTest, EmptyRegistryGivesTheBuiltInValuesAndStaysEmpty) {
  Initialization_defaults();
  EXPECT_EQ(StatDefaults, StatValues);
  EXPECT_EQ(L"6,119,036,535", StatValues[siWorldPresentPeople]);
  EXPECT_EQ(L"07/01/2002", StatValues[siVintraPresentDate]);
  EXPECT_EQ(L"The estimates are based on 2000 reported data.  Be sure to check out our Web site!",
            StatValues[siUpdateMsg]);
  EXPECT_EQ(L"WebUpdateUrl", StatNames[siWebUpdateUrl]);
  EXPECT_TRUE(StatValues[siWebUpdateUrl].starts_with(L"http://"));
  EXPECT_TRUE(StatValues[siWebUpdateUrl].ends_with(L"/webstats.txt"));
  EXPECT_FALSE(StatValues[siScreenSaverMsg].empty());
  for (TStatIndex i = 0; i < StatCount; ++i) EXPECT_TRUE(StatReadable(i, StatValues[i])) << i;
  EXPECT_TRUE(AutoWebUpdate && DisplayImages && AnimateDisplay && AllowMsgUpdate);

  Finalization_defaults();  // nothing changed: nothing written
  EXPECT_FALSE(TRegistry().KeyExists("\\" + SettingsKey));
}

TEST_F(DefaultsTest, StoredDefaultsAndValuesReplaceTheBuiltInOnes) {
  SetText("Defaults", L"WorldPresentDate", L"02/02/2002");
  SetText("Defaults", L"VintraPresentDate", L"09/09/2009");
  SetText("Values", L"VintraPresentDate", L"03/03/2003");
  SetText("Values", L"ScreenSaverMsg", L"\x4E2D\x6587 \x0436");
  Initialization_defaults();
  // A default without a value is also the current value.
  EXPECT_EQ(L"02/02/2002", StatDefaults[siWorldPresentDate]);
  EXPECT_EQ(L"02/02/2002", StatValues[siWorldPresentDate]);
  EXPECT_EQ(L"09/09/2009", StatDefaults[siVintraPresentDate]);
  EXPECT_EQ(L"03/03/2003", StatValues[siVintraPresentDate]);
  EXPECT_EQ(L"\x4E2D\x6587 \x0436", StatValues[siScreenSaverMsg]);
  EXPECT_NE(StatValues[siScreenSaverMsg], StatDefaults[siScreenSaverMsg]);
}

TEST_F(DefaultsTest, UnreadableStoredSettingsFallBackAndTheOthersStillLoad) {
  SetDword("Defaults", L"WorldPresentPeople", 5);
  SetText("Defaults", L"VintraPresentDate", L"09/09/2009");
  SetDword("Values", L"VintraPresentDate", 1);
  const char bytes[] = {'1', 0};
  SetRaw("Values", L"WorldPresentRate", REG_BINARY, bytes, sizeof(bytes));
  SetText("Values", L"UpdateMsg", L"read");
  SetText("Defaults", L"VintraGrowthPerSecond", L"fast");
  SetText("Values", L"WorldPresentDate", L"13/45/2001");
  SetText("Options", L"AutoWebUpdate", L"yes");
  SetDword("Options", L"DisplayImages", 0);
  SetText("Options", L"AnimateDisplay", L"0");
  SetText("Options", L"AllowMsgUpdate", L"12");
  Initialization_defaults();
  EXPECT_EQ(L"6,119,036,535", StatDefaults[siWorldPresentPeople]);
  EXPECT_EQ(L"09/09/2009", StatValues[siVintraPresentDate]);
  EXPECT_EQ(L"1.28674165457186", StatValues[siWorldPresentRate]);
  EXPECT_EQ(L"read", StatValues[siUpdateMsg]);
  EXPECT_EQ(L"5.68", StatDefaults[siVintraGrowthPerSecond]);
  EXPECT_EQ(L"5.68", StatValues[siVintraGrowthPerSecond]);
  EXPECT_EQ(L"01/01/2001", StatValues[siWorldPresentDate]);
  EXPECT_TRUE(AutoWebUpdate);
  EXPECT_TRUE(DisplayImages);
  EXPECT_FALSE(AnimateDisplay);
  EXPECT_TRUE(AllowMsgUpdate);
  // An unreadable option keeps the value it had, whatever that was.
  AutoWebUpdate = false;
  LoadOptions();
  EXPECT_FALSE(AutoWebUpdate);
}

// ---------------------------------------------------------------- saving

// Another process saves while this one runs: what this one did not change
// survives its end, what it changed is written.
TEST_F(DefaultsTest, TheEndWritesOnlyWhatThisProcessChanged) {
  SetText("Values", L"UpdateMsg", L"loaded");
  Initialization_defaults();
  SetText("Values", L"UpdateMsg", L"other's");
  SetText("Defaults", L"UpdateUrl", L"http://other.example/");
  SetText("Options", L"DisplayImages", L"0");

  StatValues[siScreenSaverMsg] = L"mine";
  AutoWebUpdate = false;
  Finalization_defaults();
  EXPECT_EQ(L"other's", Stored("Values", L"UpdateMsg"));
  EXPECT_EQ(L"http://other.example/", Stored("Defaults", L"UpdateUrl"));
  EXPECT_EQ(L"0", Stored("Options", L"DisplayImages"));
  EXPECT_EQ(L"mine", Stored("Values", L"ScreenSaverMsg"));
  EXPECT_EQ(std::nullopt, Stored("Defaults", L"ScreenSaverMsg"));
  EXPECT_EQ(L"0", Stored("Options", L"AutoWebUpdate"));
  EXPECT_EQ(std::nullopt, Stored("Options", L"AnimateDisplay"));
}

TEST_F(DefaultsTest, AWebUpdateIsSavedAsDefaultAndValueOnce) {
  Initialization_defaults();
  TMemoryStream stream;
  const std::string text = "WorldPresentRate=1.5\r\nWebUpdateUrl=http://new.example/w.txt\r\n";
  stream.WriteBuffer(text.data(), static_cast<Int64>(text.size()));
  ApplyWebStats(&stream);
  EXPECT_EQ(L"", SaveSettings());
  EXPECT_EQ(L"1.5", Stored("Defaults", L"WorldPresentRate"));
  EXPECT_EQ(L"1.5", Stored("Values", L"WorldPresentRate"));
  EXPECT_EQ(L"http://new.example/w.txt", Stored("Values", L"WebUpdateUrl"));
  // Saved once: a later save leaves another writer's value alone.
  SetText("Values", L"WorldPresentRate", L"2.5");
  EXPECT_EQ(L"", SaveSettings());
  EXPECT_EQ(L"2.5", Stored("Values", L"WorldPresentRate"));
}

TEST_F(DefaultsTest, OptionsAreStoredAsOneAndZero) {
  SetText("Options", L"AnimateDisplay", L"0");
  Initialization_defaults();
  EXPECT_FALSE(AnimateDisplay);
  AnimateDisplay = true;
  DisplayImages = false;
  Finalization_defaults();
  EXPECT_EQ(L"1", Stored("Options", L"AnimateDisplay"));
  EXPECT_EQ(L"0", Stored("Options", L"DisplayImages"));
  Initialization_defaults();
  EXPECT_TRUE(AnimateDisplay);
  EXPECT_FALSE(DisplayImages);
}

std::vector<WideString> Reported;
void Report(const WideString& message) { Reported.push_back(message); }
void ReportAndRaise(const WideString& message) { throw Exception(message); }

// Non-volatile keys cannot be made under a volatile one.
TEST_F(DefaultsTest, AFailedSaveIsReportedNotRaised) {
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExA(HKEY_CURRENT_USER, (Root_ + "\\Volatile").c_str(), 0, nullptr,
                            REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr));
  RegCloseKey(key);
  SettingsKey = Root_ + "\\Volatile\\Settings";
  Initialization_defaults();
  StatValues[siUpdateMsg] = L"changed";
  DisplayImages = false;
  const WideString expected =
      L"Could not create or open \"" + AnsiToWide(SettingsKey) + L"\\Values\" in registry.\r\n" +
      L"Could not create or open \"" + AnsiToWide(SettingsKey) + L"\\Options\" in registry.";
  EXPECT_EQ(expected, SaveSettings());
  Reported.clear();
  OnSaveSettingsError = Report;
  Finalization_defaults();
  EXPECT_EQ(std::vector<WideString>{expected}, Reported);

  Initialization_defaults();
  StatDefaults[siUpdateMsg] = L"changed";
  OnSaveSettingsError = ReportAndRaise;
  EXPECT_NO_THROW(Finalization_defaults());
}

// ------------------------------------------------------ statistics text

TMemoryStream* Bytes(TMemoryStream& stream, const std::string& bytes) {
  stream.WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  return &stream;  // left at its end: the reader rewinds
}

class WebStatsTest : public DefaultsTest {
 protected:
  void SetUp() override {
    DefaultsTest::SetUp();
    Initialization_defaults();
  }
  // Raises with Message and changes nothing.
  void ExpectRejected(TStream* stream, const WideString& message) {
    const TStatArray defaults = StatDefaults, values = StatValues;
    ExpectRaises<Exception>([&] { ApplyWebStats(stream); }, message);
    EXPECT_EQ(defaults, StatDefaults);
    EXPECT_EQ(values, StatValues);
  }
};

TEST_F(WebStatsTest, IncompleteDownloadsChangeNothing) {
  TMemoryStream empty, noUrl, emptyUrl;
  ExpectRejected(Bytes(empty, ""), L"Incomplete download: \r\n\r\n");
  ExpectRejected(nullptr, L"Incomplete download: \r\n\r\n");
  ExpectRejected(Bytes(noUrl, "ScreenSaverMsg=Hi\nWorldPresentRate=2"),
                 L"Incomplete download: \r\n\r\nScreenSaverMsg=Hi\r\nWorldPresentRate=2\r\n");
  ExpectRejected(Bytes(emptyUrl, "ScreenSaverMsg=Hi\r\nWebUpdateUrl=\r\n"),
                 L"Incomplete download: \r\n\r\nScreenSaverMsg=Hi\r\nWebUpdateUrl=\r\n");
  // UTF-8 cut in the middle of a character: what arrived is shown.
  TMemoryStream cut;
  ExpectRejected(Bytes(cut, "\xEF\xBB\xBFScreenSaverMsg=Gr\xC3\xBC\xC3"),
                 L"Incomplete download: \r\n\r\nScreenSaverMsg=Gr\u00FC\uFFFD\r\n");
}

TEST_F(WebStatsTest, AnErrorPageIsCutInTheMessage) {
  TMemoryStream page;
  const WideString message = MessageOf<Exception>(
      [&] { ApplyWebStats(Bytes(page, "<html>" + std::string(5000, 'x') + "</html>")); });
  EXPECT_TRUE(message.starts_with(L"Incomplete download: \r\n\r\n<html>xxx"));
  EXPECT_TRUE(message.ends_with(L"xxx..."));
  EXPECT_LT(message.size(), 1100u);
}

TEST_F(WebStatsTest, UnreadableNumbersOrDatesRejectTheWholeText) {
  for (const char* line :
       {"WorldPresentPeople=6.119.036.535", "WorldPresentDate=13/01/2001",
        "WorldPresentRate=1,28", "WorldYearlyRateDecay=fast", "VintraPresentPeople=",
        "VintraPresentDate=  /  /    ", "VintraGrowthPerSecond=__.__"}) {
    SCOPED_TRACE(line);
    TMemoryStream stream;
    const std::string text = std::string("ScreenSaverMsg=New\r\n") + line +
                             "\r\nWebUpdateUrl=http://new.example/webstats.txt\r\n";
    Bytes(stream, text);
    if (std::string(line).ends_with("=")) {  // an empty value is no value
      ApplyWebStats(&stream);
      EXPECT_EQ(L"New", StatValues[siScreenSaverMsg]);
      continue;
    }
    ExpectRejected(&stream, L"Invalid download: " + AnsiToWide(line) + L"\r\n\r\n" +
                                AnsiToWide(text));
  }
}

// Figures that read but leave a counter infinite, no number or beyond its
// digits, and a text too long: refused whole when downloaded, falling back
// when stored.
TEST_F(WebStatsTest, HostileFiguresAndOverlongTextsAreRefused) {
  const std::string url = "WebUpdateUrl=" + WideToAnsi(WebUrl) + "\r\n";
  const std::string message = "ScreenSaverMsg=" + std::string(MaxStatisticsText - 15, 'x');
  const struct {
    const char* Subkey;  // stored there, else downloaded
    std::string Line;
    const char* Refusal;  // nullptr: taken
  } cases[] = {
      {nullptr, "WorldPresentRate=1e5", "Invalid download: WorldPresentRate=1e5"},
      {nullptr, "WorldYearlyRateDecay=1e300", "Invalid download: WorldYearlyRateDecay=1e300"},
      {nullptr, "WorldPresentPeople=1e20", "Invalid download: WorldPresentPeople=1e20"},
      {nullptr, "VintraGrowthPerSecond=1e300", "Invalid download: VintraGrowthPerSecond=1e300"},
      {nullptr, "VintraPresentPeople=1e999", "Invalid download: VintraPresentPeople=1e999"},
      {nullptr, message.substr(0, message.size() - url.size() - 2), nullptr},  // 64 KB whole
      {nullptr, message.substr(0, message.size() - url.size() - 1), "Download too large: "},
      {"Values", "VintraGrowthPerSecond=1e999", nullptr},
      {"Defaults", "WorldPresentRate=1e308", nullptr},
  };
  EXPECT_EQ(MaxStatisticsText + 1, FetchUrlMaxBytes) << "enough to tell a longer text";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Line.substr(0, 40));
    const size_t eq = c.Line.find('=');
    const WideString name = AnsiToWide(c.Line.substr(0, eq));
    const WideString value = AnsiToWide(c.Line.substr(eq + 1));
    if (c.Subkey) {
      SetText(c.Subkey, name.c_str(), value);
      LoadStatistics();
      for (const TStatArray& stats : {StatDefaults, StatValues}) {
        EXPECT_EQ(L"5.68", stats[siVintraGrowthPerSecond]);
        EXPECT_EQ(L"1.28674165457186", stats[siWorldPresentRate]);
      }
      continue;
    }
    TMemoryStream stream;
    const std::string text = c.Line + "\r\n" + url;
    Bytes(stream, text);
    if (!c.Refusal) {
      ApplyWebStats(&stream);
      EXPECT_EQ(MaxStatisticsText, stream.Size());
      EXPECT_EQ(value, StatValues[siScreenSaverMsg]);
      continue;
    }
    const TStatArray defaults = StatDefaults, values = StatValues;
    const WideString shown = MessageOf<Exception>([&] { ApplyWebStats(&stream); });
    EXPECT_TRUE(shown.starts_with(AnsiToWide(c.Refusal) + L"\r\n\r\n")) << WideToAnsi(shown);
    EXPECT_LT(shown.size(), 1200u);
    EXPECT_EQ(defaults, StatDefaults);
    EXPECT_EQ(values, StatValues);
  }
}

TEST_F(WebStatsTest, GivenValuesReplaceDefaultsAndValues) {
  StatValues[siUpdateMsg] = L"kept";
  AllowMsgUpdate = false;
  TMemoryStream stream;
  ApplyWebStats(Bytes(stream,
                      "webupdateurl=" + WideToAnsi(WebUrl) +
                          "\r\nScreenSaverMsg=Not taken\r\nUpdateMsg=\r\n"
                          "VintraGrowthPerSecond=7.25\r\nUnknown=1\r\n"));
  EXPECT_EQ(WebUrl, StatValues[siWebUpdateUrl]);
  EXPECT_EQ(WebUrl, StatDefaults[siWebUpdateUrl]);
  EXPECT_EQ(L"7.25", StatValues[siVintraGrowthPerSecond]);
  EXPECT_EQ(L"7.25", StatDefaults[siVintraGrowthPerSecond]);
  EXPECT_NE(L"Not taken", StatValues[siScreenSaverMsg]);
  EXPECT_NE(L"Not taken", StatDefaults[siScreenSaverMsg]);
  EXPECT_EQ(L"kept", StatValues[siUpdateMsg]);

  AllowMsgUpdate = true;
  TMemoryStream again;
  ApplyWebStats(Bytes(again, "ScreenSaverMsg=Taken\r\nWebUpdateUrl=" + WideToAnsi(WebUrl)));
  EXPECT_EQ(L"Taken", StatValues[siScreenSaverMsg]);
}

TEST_F(WebStatsTest, OnlyWebAddressesAreTaken) {
  const WideString updateUrl = StatValues[siUpdateUrl], webUrl = StatValues[siWebUpdateUrl];
  TMemoryStream stream;
  ApplyWebStats(Bytes(stream,
                      "UpdateUrl=file:///C:/Windows/system32/calc.exe\r\n"
                      "WebUpdateUrl=ftp://new.example/webstats.txt\r\nWorldPresentRate=1.5\r\n"));
  EXPECT_EQ(updateUrl, StatValues[siUpdateUrl]);
  EXPECT_EQ(webUrl, StatValues[siWebUpdateUrl]);
  EXPECT_EQ(webUrl, StatDefaults[siWebUpdateUrl]);
  EXPECT_EQ(L"1.5", StatValues[siWorldPresentRate]);

  TMemoryStream https;
  ApplyWebStats(Bytes(https, "UpdateUrl=HTTPS://site.example/\r\nWebUpdateUrl=http://"));
  EXPECT_EQ(L"HTTPS://site.example/", StatValues[siUpdateUrl]);
  EXPECT_EQ(webUrl, StatValues[siWebUpdateUrl]);

  // A web scheme alone is not enough: the shell would see more than an address.
  for (const char* hostile : {"http://site.example/a b", "http://site.example/\"x\" calc",
                              "https://site.example/\x01", "http:///calc.exe"}) {
    TMemoryStream more;
    ApplyWebStats(Bytes(more, std::string("UpdateUrl=") + hostile + "\r\nWebUpdateUrl=" +
                                  WideToAnsi(webUrl)));
    EXPECT_EQ(L"HTTPS://site.example/", StatValues[siUpdateUrl]) << hostile;
  }
}

// The settings dialog saves UTF-16LE with FF FE and CR LF; masked edits keep
// their separators.
TEST_F(WebStatsTest, TheDialogsTextIsReadBackUnchanged) {
  const TStatArray saved = {L"6,200,000,000",  L"01/01/2003",       L"1.2", L"-0.01",
                            L"5,300,000,000",  L"07/01/2003",       L"05.68",
                            L"\x4E2D\x6587 \x0436 \x201CVINTRA\x201D", L"Updated",
                            L"http://www.vintrafilm.example/more", WebUrl};
  TQevStringList lines;
  for (TStatIndex i = 0; i < StatCount; ++i) lines.Add(StatNames[i] + L"=" + saved[i]);
  TMemoryStream stream;
  lines.SaveToStream(&stream);
  const auto* bytes = static_cast<const unsigned char*>(stream.Memory());
  ASSERT_GT(stream.Size(), 4);
  EXPECT_EQ(0xFF, bytes[0]);
  EXPECT_EQ(0xFE, bytes[1]);
  ApplyWebStats(&stream);
  EXPECT_EQ(saved, StatValues);
  EXPECT_EQ(saved, StatDefaults);
}

TEST_F(WebStatsTest, Utf8WithAByteOrderMark) {
  TMemoryStream stream;
  ApplyWebStats(Bytes(stream, "\xEF\xBB\xBFScreenSaverMsg=\xD0\x96 \xE4\xB8\xAD\r\nWebUpdateUrl=" +
                                  WideToAnsi(WebUrl) + "\r\n"));
  EXPECT_EQ(L"\x0416 \x4E2D", StatValues[siScreenSaverMsg]);
}

// ------------------------------------------------------------ conversions

TEST(StatConversions, CountsRatesAndDates) {
  EXPECT_EQ(L"6119036535", StripCommas(L"6,119,036,535"));
  EXPECT_EQ(6119036535.0L, StatToFloat(siWorldPresentPeople, L"6,119,036,535"));
  EXPECT_EQ(5.68L, StatToFloat(siVintraGrowthPerSecond, L"05.68"));
  EXPECT_THROW(StatToFloat(siWorldPresentRate, L"1,28"), EConvertError);
  EXPECT_THROW(StatToFloat(siWorldPresentPeople, L"\xFF11"), EConvertError);  // full-width 1
  EXPECT_EQ(EncodeDate(2002, 7, 1), StatToDate(L"07/01/2002"));
  EXPECT_THROW(StatToDate(L"2002-07-01"), EConvertError);
  EXPECT_TRUE(StatReadable(siScreenSaverMsg, L"anything"));
  EXPECT_FALSE(StatReadable(siVintraPresentDate, L"31/12/2002"));
}

// The process reads "07/01/2002" as 1 July 2002 after the unit started, even
// when its settings came from a day-first locale.
TEST_F(DefaultsTest, TheProcessReadsMonthFirstDates) {
  GetLocaleFormatSettings(MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT),
                          FormatSettings);
  ASSERT_EQ('d', FormatSettings.ShortDateFormat[0]);
  Initialization_defaults();
  EXPECT_EQ(EncodeDate(2002, 7, 1), StrToDate("07/01/2002"));
  EXPECT_EQ(EncodeDate(2002, 7, 1), StrToDate(WideToAnsi(StatValues[siVintraPresentDate])));
}

}  // namespace

// The registry class in a scratch key under HKEY_CURRENT_USER\Software\QevTests.
#include <gtest/gtest.h>

#include "Registry.h"
#include "TestSupport.h"

namespace {

class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    Path_ = "Software\\QevTests\\Classes" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(Reg_.OpenKey("\\" + Path_, true));
  }
  void TearDown() override {
    Reg_.CloseKey();
    TRegistry cleaner;
    EXPECT_TRUE(cleaner.DeleteKey(Path_));
    EXPECT_FALSE(cleaner.KeyExists(Path_));
  }
  // Stores raw bytes, as another program might.
  void SetRaw(const char* name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(Reg_.CurrentKey(), AnsiToWide(name).c_str(), 0, type,
                                            static_cast<const BYTE*>(data), size));
  }
  AnsiString Path_;
  TRegistry Reg_;
};

}  // namespace

TEST_F(Registry, ValuesRoundTripWithTheirTypes) {
  Reg_.WriteString("s", "text");
  Reg_.WriteExpandString("e", "%TEMP%\\x");
  Reg_.WriteInteger("i", -7);
  Reg_.WriteBool("b", true);
  const Byte bytes[] = {1, 2, 3};
  Reg_.WriteBinaryData("bin", bytes, 3);
  const double pi = 3.25;
  Reg_.WriteBinaryData("f", &pi, sizeof(pi));
  Reg_.WriteString("empty", "");

  EXPECT_EQ("text", Reg_.ReadString("s"));
  EXPECT_EQ("%TEMP%\\x", Reg_.ReadString("e"));  // as stored, not expanded
  EXPECT_EQ(-7, Reg_.ReadInteger("i"));
  EXPECT_TRUE(Reg_.ReadBool("b"));
  Byte back[4] = {};
  EXPECT_EQ(3, Reg_.ReadBinaryData("bin", back, 4));
  EXPECT_EQ(3, back[2]);
  EXPECT_EQ(3.25, Reg_.ReadFloat("f"));
  EXPECT_EQ(3.25, Reg_.ReadDateTime("f"));
  EXPECT_EQ("", Reg_.ReadString("empty"));

  EXPECT_EQ(rdString, Reg_.GetDataType("s"));
  EXPECT_EQ(rdExpandString, Reg_.GetDataType("e"));
  EXPECT_EQ(rdInteger, Reg_.GetDataType("i"));
  EXPECT_EQ(rdBinary, Reg_.GetDataType("bin"));
  EXPECT_EQ(rdUnknown, Reg_.GetDataType("missing"));
  EXPECT_EQ(4, Reg_.GetDataSize("i"));
  EXPECT_EQ(-1, Reg_.GetDataSize("missing"));

  TStringList names;
  names.SetSorted(true);
  Reg_.GetValueNames(&names);
  EXPECT_EQ("b,bin,e,empty,f,i,s", names.CommaText());
  EXPECT_TRUE(Reg_.DeleteValue("s"));
  EXPECT_FALSE(Reg_.ValueExists("s"));
  EXPECT_FALSE(Reg_.DeleteValue("s"));
}

TEST_F(Registry, WrongTypesAndMissingValues) {
  Reg_.WriteInteger("n", 1);
  Reg_.WriteString("s", "12");
  EXPECT_EQ("", Reg_.ReadString("missing"));
  EXPECT_EQ(0, Reg_.ReadBinaryData("missing", nullptr, 0));
  ExpectRaises<ERegistryException>([&] { Reg_.ReadString("n"); }, L"Invalid data type for 'n'");
  ExpectRaises<ERegistryException>([&] { Reg_.ReadInteger("s"); }, L"Invalid data type for 's'");
  ExpectRaises<ERegistryException>([&] { Reg_.ReadFloat("n"); }, L"Invalid data type for 'n'");
  ExpectRaises<ERegistryException>([&] { Reg_.ReadInteger("missing"); }, L"Failed to get data for 'missing'");
  Byte small[1];
  Reg_.WriteBinaryData("bin", "abc", 3);
  ExpectRaises<ERegistryException>([&] { Reg_.ReadBinaryData("bin", small, 1); },
                      L"Invalid data type for 'bin'");
}

TEST_F(Registry, StoredTextsWithoutTerminatorOrWithInnerZeros) {
  SetRaw("bare", REG_SZ, L"abc", 6);  // no terminator
  SetRaw("odd", REG_SZ, L"abcd", 7);  // half a character at the end
  SetRaw("inner", REG_SZ, L"ab\0cd", 12);
  EXPECT_EQ("abc", Reg_.ReadString("bare"));
  EXPECT_EQ("abc", Reg_.ReadString("odd").substr(0, 3));
  EXPECT_EQ("ab", Reg_.ReadString("inner"));
  AnsiString longText(5000, 'x');
  Reg_.WriteString("long", longText);
  EXPECT_EQ(longText, Reg_.ReadString("long"));
}

TEST_F(Registry, KeysOpenRelativeOrAbsolute) {
  EXPECT_EQ(Path_, Reg_.CurrentPath());
  ASSERT_TRUE(Reg_.OpenKey("A\\B", true));
  EXPECT_EQ(Path_ + "\\A\\B", Reg_.CurrentPath());
  Reg_.WriteString("v", "deep");
  EXPECT_FALSE(Reg_.OpenKey("missing", false));  // the current key stays open
  EXPECT_EQ(Path_ + "\\A\\B", Reg_.CurrentPath());
  EXPECT_EQ("deep", Reg_.ReadString("v"));
  ASSERT_TRUE(Reg_.OpenKey("\\" + Path_, false));
  EXPECT_TRUE(Reg_.KeyExists("A\\B"));
  EXPECT_TRUE(Reg_.CreateKey("C"));
  TStringList keys;
  keys.SetSorted(true);
  Reg_.GetKeyNames(&keys);
  EXPECT_EQ("A,C", keys.CommaText());

  HKEY scratch = Reg_.CurrentKey();
  Reg_.SetRootKey(HKEY_LOCAL_MACHINE);  // closes the current key
  EXPECT_EQ(nullptr, Reg_.CurrentKey());
  EXPECT_NE(nullptr, scratch);
  EXPECT_FALSE(Reg_.KeyExists(Path_));
  Reg_.SetRootKey(HKEY_CURRENT_USER);
  EXPECT_TRUE(Reg_.KeyExists(Path_ + "\\A"));
}

TEST_F(Registry, DeleteKeyRemovesTheTreeButNeverAnEmptyName) {
  ASSERT_TRUE(Reg_.CreateKey("A\\B\\C"));
  EXPECT_FALSE(Reg_.DeleteKey(""));  // would be the scratch key itself
  EXPECT_FALSE(Reg_.DeleteKey("\\"));
  EXPECT_TRUE(Reg_.KeyExists("A\\B\\C"));
  EXPECT_TRUE(Reg_.DeleteKey("A"));
  EXPECT_FALSE(Reg_.KeyExists("A"));
  EXPECT_FALSE(Reg_.DeleteKey("A"));
}

TEST_F(Registry, ReadOnlyKeysAndFailedCreation) {
  Reg_.WriteString("v", "1");
  ASSERT_TRUE(Reg_.OpenKeyReadOnly("\\" + Path_));
  EXPECT_EQ("1", Reg_.ReadString("v"));
  ExpectRaises<ERegistryException>([&] { Reg_.WriteString("v", "2"); }, L"Failed to set data for 'v'");
  EXPECT_EQ(static_cast<LongWord>(KEY_ALL_ACCESS), Reg_.Access());
  ASSERT_TRUE(Reg_.OpenKey("\\" + Path_, false));
  Reg_.WriteString("v", "2");  // writable again
  EXPECT_EQ("2", Reg_.ReadString("v"));

  TRegistry nowhere;
  nowhere.SetRootKey(nullptr);
  ExpectRaises<ERegistryException>([&] { nowhere.CreateKey("x"); }, L"Failed to create key x");
}

// Reading a registry value as the type of its default.
#include <gtest/gtest.h>

#include <string>

#include "CustomMMUtils.h"
#include "QevRegistry.h"

namespace {

TEST(ReadRegistryVariant, ReadsByTheDefaultsTypeOrGivesTheDefault) {
  const AnsiString key =
      "Software\\QevTests\\CustomMMUtils" + std::to_string(GetCurrentProcessId());
  {
    TQevRegistry reg;
    ASSERT_TRUE(reg.OpenKey(key, true));
    reg.WriteInteger("Number", 42);
    const double half = 2.5;
    reg.WriteBinaryData("Float", &half, sizeof(half));
    reg.WriteString(L"Wide", L"\x0436\x4E2D");
  }
  auto read = [&](const char* name, const Variant& def, HKEY root = HKEY_CURRENT_USER) {
    return ReadRegistryVariant(root, key, name, def);
  };
  EXPECT_EQ(varInteger, VarType(read("Number", Variant(short{0}))));
  EXPECT_EQ(42, read("Number", Variant(short{0})).AsInteger());
  EXPECT_EQ(varBoolean, VarType(read("Number", Variant(false))));
  EXPECT_DOUBLE_EQ(2.5, read("Float", Variant(0.0)).AsDouble());
  EXPECT_EQ(L"\x0436\x4E2D", read("Wide", Variant(L"")).AsWideString());
  // A root that is no predefined key means the current user.
  EXPECT_EQ(42, read("Number", Variant(0), reinterpret_cast<HKEY>(LONG_PTR{1234})).AsInteger());

  EXPECT_EQ(7, read("Missing", Variant(7)).AsInteger());
  EXPECT_EQ(7, ReadRegistryVariant(HKEY_CURRENT_USER, key + "\\None", "Number", Variant(7))
                   .AsInteger());
  EXPECT_EQ(7, read("Number", Variant(7LL)).AsInt64());  // a type it does not read
  EXPECT_THROW(read("Wide", Variant(0)), ERegistryException);
  TRegistry().DeleteKey("\\" + key);
}

}  // namespace

#include <gtest/gtest.h>

#include <string>

#include "Forms.h"
#include "QevLXMapiUtils.h"
#include "Scoped.h"
#include "TestSupport.h"

namespace {

// MAPISendMail of MapiStandIn.dll, built beside the test program, records
// its call; the test keeps its own reference so the record outlives each call.
class MapiTest : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    StandIn = exe;
    StandIn = StandIn.substr(0, StandIn.rfind(L'\\') + 1) + L"MapiStandIn.dll";
    MapiLibraryName = StandIn;
    Library.reset(LoadLibraryW(StandIn.c_str()));
    ASSERT_TRUE(Library);
    LastCall = ProcAddress<const char* (*)()>(Library.get(), "StandInLastCall");
    LastAttachment = ProcAddress<const char* (*)()>(Library.get(), "StandInLastAttachment");
  }
  void TearDown() override { SetEnvironmentVariableA("QEV_MAPI_RESULT", nullptr); }
  static void Answer(const char* Result) { SetEnvironmentVariableA("QEV_MAPI_RESULT", Result); }
  static std::string Window() {
    char text[32];
    snprintf(text, sizeof text, "%llx",
             static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(Application->Handle())));
    return text;
  }

  TRestore<WideString> SavedName{MapiLibraryName};
  std::wstring StandIn;
  TModuleOwner Library;
  const char* (*LastCall)() = nullptr;
  const char* (*LastAttachment)() = nullptr;
};

TEST_F(MapiTest, MessageCarriesSmtpAddressesNamesAndAnUnplacedAttachment) {
  SendMailMapi("Report", "Details", "C:\\r.txt", true, "help@x.example", "Support",
               "me@x.example");
  EXPECT_EQ("session=0 window=" + Window() + " flags=1 reserved=0\n"
            "subject=Report note=Details type=null date=null conversation=null flags=0\n"
            "from=0|me@x.example|SMTP:me@x.example\n"
            "to=1 1|Support|SMTP:help@x.example\n"
            "files=1 0|0|ffffffff|C:\\r.txt|null|null",
            LastCall());
}

TEST_F(MapiTest, EmptyAddressesAndAttachmentAreLeftOutAndTheSendWindowIsAskedFor) {
  SendMailMapi("Report", "Details", "", false);
  EXPECT_EQ("session=0 window=" + Window() + " flags=9 reserved=0\n"
            "subject=Report note=Details type=null date=null conversation=null flags=0\n"
            "from=none\nto=0\nfiles=0",
            LastCall());
}

TEST_F(MapiTest, CancelIsSilentAndOtherResultsRaiseTheirText) {
  Answer("1");
  EXPECT_THROW(SendMailMapi("S", "B", "", false), EAbort);
  Answer("2");
  ExpectRaises<Exception>([] { SendMailMapi("S", "B", "", false); },
                          L"One or more unspecified errors occurred. No message was sent.");
  Answer("99");
  ExpectRaises<Exception>([] { SendMailMapi("S", "B", "", false); },
                          L"MAPISendMail resulted in an error (99).");
  EXPECT_THROW(MapiErrorText(0), EAssertionFailed);
}

TEST_F(MapiTest, MissingLibraryOrEntryRaiseTheirTextsAndTheLibraryIsFreedOnEveryPath) {
  Library.reset();
  SendMailMapi("S", "B", "", true);
  Answer("2");
  EXPECT_THROW(SendMailMapi("S", "B", "", true), Exception);
  EXPECT_EQ(nullptr, GetModuleHandleW(StandIn.c_str()));
  MapiLibraryName = L"QevNoSuchMapi.dll";
  ExpectRaises<Exception>([] { SendMailMapi("S", "B", "", true); },
                          L"Mapi32.dll is not available at this time.");
  MapiLibraryName = L"version.dll";
  ExpectRaises<Exception>([] { SendMailMapi("S", "B", "", true); },
                          L"MAPISendMail is not available at this time (in Mapi32.dll).");
}

// The client opens the attachment by the 8-bit path: a folder named outside
// the code page is reached by its short name, one inside it by its own.
TEST_F(MapiTest, AttachmentsAreHandedByAPathTheCodePageHolds) {
  TTempFolder folder;
  const std::wstring outside = folder.Path() + L"\x436\x4E2D";
  ASSERT_TRUE(CreateDirectoryW(outside.c_str(), nullptr));
  const std::wstring details = outside + L"\\Error Details.txt";
  TTempFolder::CreateFileWithText(details, "the details");
  SendMailMapi("S", "B", WideToAnsi(details), true);
  EXPECT_STREQ("missing", LastAttachment());
  SendMailMapi("S", "B", MapiFilePath(details), true);
  EXPECT_STREQ("the details", LastAttachment());
  const std::wstring inside = folder.Path() + L"caf\xE9.txt";
  TTempFolder::CreateFileWithText(inside, "inside");
  EXPECT_EQ(WideToAnsi(inside), MapiFilePath(inside));
}

}  // namespace

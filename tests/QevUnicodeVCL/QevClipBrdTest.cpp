#include <vector>

#include "QevClipBrd.h"
#include "QevSystem.h"
#include "QevTestSupport.h"

namespace {

// The Unicode text on the clipboard and the size of its block in bytes.
WideString ClipboardWideText(SIZE_T* blockSize = nullptr) {
  Clipboard()->Open();
  WideString result;
  if (HANDLE data = Clipboard()->GetAsHandle(CF_UNICODETEXT)) {
    SIZE_T size = GlobalSize(data);
    if (blockSize) *blockSize = size;
    if (auto* text = static_cast<const WideChar*>(GlobalLock(data))) {
      result.assign(text, wcsnlen(text, size / sizeof(WideChar)));
      GlobalUnlock(data);
    }
  }
  Clipboard()->Close();
  return result;
}

TEST(TQevClipboard, PlacesWideTextInBothFormats) {
  const WideString text = L"a\u0436b\u4E2D\U0001F600";
  QevClipboard()->SetAsWideText(text);
  EXPECT_EQ(ClipboardWideText(), text);
  EXPECT_EQ(Clipboard()->AsText(), WideStringToStringEx(text, ConversionCodePage));
  EXPECT_EQ(Clipboard()->AsText().substr(0, 1), "a");

  QevClipboard()->SetAsWideText(L"caf\u00E9");  // inside the code page: exact in both
  EXPECT_EQ(ClipboardWideText(), L"caf\u00E9");
  EXPECT_EQ(Clipboard()->AsText(), WideStringToStringEx(L"caf\u00E9", ConversionCodePage));
}

TEST(TQevClipboard, EmptyTextIsOneZeroCharacter) {
  QevClipboard()->SetAsWideText(L"x");
  SIZE_T size = 0;
  QevClipboard()->SetAsWideText(L"");
  EXPECT_EQ(ClipboardWideText(&size), L"");
  EXPECT_GE(size, sizeof(WideChar));
  EXPECT_TRUE(Clipboard()->HasFormat(CF_TEXT));
  EXPECT_EQ(Clipboard()->AsText(), "");
}

TEST(TQevClipboard, ClosesTheClipboardAfterwards) {
  QevClipboard()->SetAsWideText(L"\u0436");
  // Nobody holds it any more: another owner can open it.
  ASSERT_TRUE(OpenClipboard(nullptr));
  CloseClipboard();
}

// Bytes of private memory committed in this process.
ULONGLONG CommittedPrivateBytes() {
  ULONGLONG total = 0;
  MEMORY_BASIC_INFORMATION info{};
  for (auto* p = static_cast<const char*>(nullptr);
       VirtualQuery(p, &info, sizeof(info)) == sizeof(info);
       p = static_cast<const char*>(info.BaseAddress) + info.RegionSize) {
    if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
  }
  return total;
}

// A block that SetClipboardData refuses is freed, not lost.
TEST(TQevClipboard, RefusedBlockIsFreed) {
  constexpr Integer BlockSize = 16 << 20;
  std::vector<char> buffer(BlockSize, 'x');
  ULONGLONG before = CommittedPrivateBytes();
  for (int i = 0; i < 8; ++i) {
    Clipboard()->Open();
    // Format 0 is no clipboard format.
    EXPECT_THROW(Clipboard()->SetBuffer(0, buffer.data(), BlockSize), EOSError);
    Clipboard()->Close();
  }
  // Eight lost blocks would keep 128 MB committed.
  EXPECT_LT(CommittedPrivateBytes(), before + (32ULL << 20));
  ASSERT_TRUE(OpenClipboard(nullptr));
  CloseClipboard();
}

}  // namespace

// Helpers shared by the test programs.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "SysUtils.h"
#include "WinApi.h"

// The message of the exception of class E that action raises.
template <typename E, typename F>
WideString MessageOf(F action) {
  try {
    action();
  } catch (const E& e) {
    return e.Message;
  }
  return L"<no exception>";
}

template <typename E, typename F>
void ExpectRaises(F action, const WideString& message) {
  EXPECT_EQ(message, MessageOf<E>(action));
}

// A new folder under the temp path, removed with everything in it at the end.
// Works with the system's wide functions only, whatever road a test takes.
class TTempFolder {
 public:
  TTempFolder() {
    WCHAR temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    for (unsigned n = 0; Path_.empty(); ++n) {
      std::wstring path = std::wstring(temp) + L"QevTest" + std::to_wstring(GetCurrentProcessId()) +
                          L"_" + std::to_wstring(n);
      if (CreateDirectoryW(path.c_str(), nullptr))
        Path_ = path + L"\\";
      else if (GetLastError() != ERROR_ALREADY_EXISTS)
        break;
    }
  }
  ~TTempFolder() {
    if (!Path_.empty()) RemoveTree(Path_.substr(0, Path_.size() - 1));
  }
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;

  // With a trailing backslash.
  const std::wstring& Path() const { return Path_; }

  static void CreateFileWithText(const std::wstring& name, const std::string& text) {
    HANDLE h = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(h);
  }

 private:
  static void RemoveTree(const std::wstring& dir) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        std::wstring path = dir + L"\\" + name;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          RemoveTree(path);
        else
          DeleteFileW(path.c_str());
      } while (FindNextFileW(find, &data));
      FindClose(find);
    }
    RemoveDirectoryW(dir.c_str());
  }

  std::wstring Path_;
};

// Stands in for the mail library in the tests: MAPISendMail records what it
// is handed, for StandInLastCall, and the text of its first attachment as the
// client would read it by that path, for StandInLastAttachment ("missing" when
// it cannot be opened); it answers the result named by the environment
// variable QEV_MAPI_RESULT (0 without it).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "WinApi.h"
// after <windows.h>
#include <mapi.h>

namespace {

std::string LastCall;
std::string LastAttachment;

std::string FileText(const char* Path) {
  std::FILE* file = Path ? std::fopen(Path, "rb") : nullptr;
  if (!file) return "missing";
  std::string text;
  char buffer[256];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, n);
  std::fclose(file);
  return text;
}

std::string Text(const char* S) { return S ? S : "null"; }

std::string Number(unsigned long long N, const char* Format = "%llu") {
  char text[32];
  std::snprintf(text, sizeof text, Format, N);
  return text;
}

std::string Recipient(const MapiRecipDesc& R) {
  return Number(R.ulRecipClass) + "|" + Text(R.lpszName) + "|" + Text(R.lpszAddress);
}

std::string File(const MapiFileDesc& F) {
  return Number(F.ulReserved) + "|" + Number(F.flFlags) + "|" + Number(F.nPosition, "%llx") + "|" +
         Text(F.lpszPathName) + "|" + Text(F.lpszFileName) + "|" + (F.lpFileType ? "type" : "null");
}

}  // namespace

extern "C" __declspec(dllexport) const char* StandInLastCall() { return LastCall.c_str(); }
extern "C" __declspec(dllexport) const char* StandInLastAttachment() {
  return LastAttachment.c_str();
}

extern "C" __declspec(dllexport) ULONG WINAPI MAPISendMail(LHANDLE Session, ULONG_PTR UIParam,
                                                           lpMapiMessage M, FLAGS Flags,
                                                           ULONG Reserved) {
  LastCall = "session=" + Number(Session) + " window=" + Number(UIParam, "%llx") +
             " flags=" + Number(Flags) + " reserved=" + Number(Reserved) + "\n";
  LastCall += "subject=" + Text(M->lpszSubject) + " note=" + Text(M->lpszNoteText) +
              " type=" + Text(M->lpszMessageType) + " date=" + Text(M->lpszDateReceived) +
              " conversation=" + Text(M->lpszConversationID) + " flags=" + Number(M->flFlags) + "\n";
  LastCall += "from=" + (M->lpOriginator ? Recipient(*M->lpOriginator) : "none") + "\n";
  LastCall += "to=" + Number(M->nRecipCount);
  for (ULONG i = 0; i < M->nRecipCount; ++i) LastCall += " " + Recipient(M->lpRecips[i]);
  LastCall += "\nfiles=" + Number(M->nFileCount);
  for (ULONG i = 0; i < M->nFileCount; ++i) LastCall += " " + File(M->lpFiles[i]);
  LastAttachment = M->nFileCount ? FileText(M->lpFiles[0].lpszPathName) : "";
  char result[16] = "0";
  GetEnvironmentVariableA("QEV_MAPI_RESULT", result, sizeof result);
  return static_cast<ULONG>(std::strtoul(result, nullptr, 10));
}

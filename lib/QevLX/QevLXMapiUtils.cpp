#include "QevLXMapiUtils.h"

#include <algorithm>

#include "Forms.h"
#include "QevLXSetupUtils.h"
#include "QevSysUtils.h"
#include "QevWindows.h"
#include "Scoped.h"
// after <windows.h>; the library itself is loaded by name
#include <mapi.h>

WideString MapiLibraryName;

namespace {

constexpr const WideChar* QevUnitSource = L"lib\\QevLX\\QevLXMapiUtils";  // named by assertions
constexpr ULONG NotInText = 0xFFFFFFFF;  // an attachment placed in no position of the note

// The Simple MAPI message with the texts and descriptors it points into.
class TMapiMail {
 public:
  TMapiMail(const AnsiString& Subject, const AnsiString& Body, const AnsiString& AttachmentPath)
      : Subject_(Subject), Body_(Body), Attachment_(AttachmentPath) {
    Message_.lpszSubject = Subject_.data();
    Message_.lpszNoteText = Body_.data();
    if (Attachment_.empty()) return;
    File_.nPosition = NotInText;
    File_.lpszPathName = Attachment_.data();
    Message_.nFileCount = 1;
    Message_.lpFiles = &File_;
  }
  TMapiMail(const TMapiMail&) = delete;
  TMapiMail& operator=(const TMapiMail&) = delete;

  void SetRecipient(const AnsiString& Address, const AnsiString& Name) {
    if (!Describe(Recipient_, MAPI_TO, Address, Name, ToAddress_, ToName_)) return;
    Message_.nRecipCount = 1;
    Message_.lpRecips = &Recipient_;
  }
  void SetOriginator(const AnsiString& Address, const AnsiString& Name) {
    if (Describe(Originator_, MAPI_ORIG, Address, Name, FromAddress_, FromName_))
      Message_.lpOriginator = &Originator_;
  }
  MapiMessage* Message() { return &Message_; }

 private:
  // Addresses go as "SMTP:" + address; a missing name is the address itself.
  static bool Describe(MapiRecipDesc& Desc, ULONG Class, const AnsiString& Address,
                       const AnsiString& Name, AnsiString& AddressText, AnsiString& NameText) {
    if (Address.empty()) return false;
    AddressText = "SMTP:" + Address;
    NameText = Name.empty() ? Address : Name;
    Desc.ulRecipClass = Class;
    Desc.lpszAddress = AddressText.data();
    Desc.lpszName = NameText.data();
    return true;
  }

  AnsiString Subject_, Body_, Attachment_, ToAddress_, ToName_, FromAddress_, FromName_;
  MapiRecipDesc Recipient_{}, Originator_{};
  MapiFileDesc File_{};
  MapiMessage Message_{};
};

}  // namespace

void SendMailMapi(const AnsiString& Subject, const AnsiString& Body,
                  const AnsiString& AttachmentPath, bool NoDialog, const AnsiString& ToAddress,
                  const AnsiString& ToName, const AnsiString& FromAddress,
                  const AnsiString& FromName) {
  TMapiMail mail(Subject, Body, AttachmentPath);
  mail.SetRecipient(ToAddress, ToName);
  mail.SetOriginator(FromAddress, FromName);
  TModuleOwner library(Qev_LoadLibraryW(MapiLibraryName.c_str()));
  if (!library) throw Exception(L"Mapi32.dll is not available at this time.");
  auto sendMail = ProcAddress<LPMAPISENDMAIL>(library.get(), "MAPISendMail");
  if (!sendMail) throw Exception(L"MAPISendMail is not available at this time (in Mapi32.dll).");
  const FLAGS flags = NoDialog ? MAPI_LOGON_UI : MAPI_LOGON_UI | MAPI_DIALOG;
  const auto window = reinterpret_cast<ULONG_PTR>(Application ? Application->Handle() : nullptr);
  const ULONG result = sendMail(0, window, mail.Message(), flags, 0);
  if (result == SUCCESS_SUCCESS) return;
  if (result == MAPI_USER_ABORT) Abort();
  throw Exception(MapiErrorText(result));
}

AnsiString MapiFilePath(const WideString& FileName) {
  if (std::all_of(FileName.begin(), FileName.end(), CanConvertToDefaultCodePage))
    return WideToAnsi(FileName);
  const WideString shortName = WideGetShortPathName(FileName);
  return WideToAnsi(shortName.empty() ? FileName : shortName);
}

WideString MapiErrorText(Cardinal Code) {
  QEV_ASSERT(Code != SUCCESS_SUCCESS, L"Assertion failure");
  switch (Code) {
    case 1: return L"The user canceled one of the dialog boxes. No message was sent.";
    case 2: return L"One or more unspecified errors occurred. No message was sent.";
    case 3:
      return L"There was no default logon, and the user failed to log on successfully when the "
             L"logon dialog box was displayed. No message was sent.";
    case 5: return L"There was insufficient memory to proceed. No message was sent.";
    case 9: return L"There were too many file attachments. No message was sent.";
    case 10: return L"There were too many recipients. No message was sent.";
    case 11: return L"The specified attachment was not found. No message was sent.";
    case 12: return L"The specified attachment could not be opened. No message was sent.";
    case 14: return L"A recipient did not appear in the address list. No message was sent.";
    case 15:
      return L"The type of a recipient was not MAPI_TO, MAPI_CC, or MAPI_BCC. No message was "
             L"sent.";
    case 18: return L"The text in the message was too large. No message was sent.";
    case 21:
      return L"A recipient matched more than one of the recipient descriptor structures and "
             L"MAPI_DIALOG was not set. No message was sent.";
    case 25: return L"One or more recipients were invalid or did not resolve to any address.";
    default:
      return WideFormat(L"MAPISendMail resulted in an error (%d).", {static_cast<Integer>(Code)});
  }
}

void Initialization_QevLXMapiUtils() { MapiLibraryName = L"MAPI32.DLL"; }

void Finalization_QevLXMapiUtils() { MapiLibraryName.clear(); }

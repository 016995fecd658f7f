#include "Maincontrol.h"

#include <memory>

#include "AboutBx.h"
#include "CheckWinInetAndAdo.h"
#include "MaskedFigures.h"
#include "QevClasses.h"
#include "QevLXFetchUrl.h"
#include "QevLXSafeWinInet.h"
#include "QevLXUtils.h"
#include "UpdateMsgFrm.h"

QEV_RESOURCESTRING(Maincontrol, SNoWinInet,
                   L"This feature requires Microsoft Internet Explorer 4.0 or newer.");

QEV_DEFINE_CLASS(TControlForm, QEV_METHOD(FormCreate), QEV_METHOD(FormShow),
                 QEV_METHOD(FormKeyPress), QEV_METHOD(Apply), QEV_METHOD(OK), QEV_METHOD(Cancel),
                 QEV_METHOD(WorldDefault), QEV_METHOD(UrmDefault), QEV_METHOD(BitBtn3Click),
                 QEV_METHOD(BitBtn6Click), QEV_METHOD(RateAExit), QEV_METHOD(About),
                 QEV_METHOD(SpeedButton1Click), QEV_METHOD(SpeedButton2Click),
                 QEV_METHOD(WebUpdateBtnClick), QEV_METHOD(BitBtn2Click))

WideString TypedKeys;

namespace {

const WideString Keyword = L"plinkavor";

const char* const StatEditNames[StatCount] = {
    "WorldPresentPeople", "WorldPresentDate", "RateA",          "RateDecay", "VintraPresentPeople",
    "VintraPresentDate",  "VintraGrowthEdit", "ScreenSaverMsg", "UpdateMsg", "UpdateWeb",
    "WebUpdateSrcEdit"};

// A line of the statistics text stays one line whatever a value holds.
WideString OneLine(WideString Text) {
  for (WideChar& c : Text)
    if (c == L'\r' || c == L'\n') c = L' ';
  return Text;
}

}  // namespace

// ------------------------------------------------------------------ edits

// The masked edits are 8-bit controls holding figures (see MaskedFigures.h);
// the others keep their text wide. A text that holds no figure (mistyped)
// is stored as the edit gives it: the saver refuses it then.
WideString TControlForm::StatText(TStatIndex Index) {
  TWinControl* edit = StatEdits.at(static_cast<size_t>(Index));
  if (auto* wide = dynamic_cast<TQevEdit*>(edit)) return wide->Text();
  auto& masked = dynamic_cast<TMaskEdit&>(*edit);
  if (!masked.IsMasked()) return AnsiToWide(masked.Text());
  return EditTextFigure(Index, masked.EditText(), TEditMask(masked.EditMask()))
      .value_or(AnsiToWide(masked.Text()));
}

// A figure that its mask cannot hold would be cut: its edit shows it without
// the mask, so that it is kept as it is unless the user changes it.
void TControlForm::SetStatText(TStatIndex Index, const WideString& Value) {
  TWinControl* edit = StatEdits.at(static_cast<size_t>(Index));
  if (auto* wide = dynamic_cast<TQevEdit*>(edit)) {
    wide->SetText(Value);
    return;
  }
  auto& masked = dynamic_cast<TMaskEdit&>(*edit);
  AnsiString& mask = FigureMasks_.at(static_cast<size_t>(Index));
  if (mask.empty()) mask = masked.EditMask();
  const std::optional<AnsiString> shown = FigureEditText(Index, Value, TEditMask(mask));
  masked.SetEditMask(shown ? mask : AnsiString());
  masked.SetText(shown ? *shown : WideToAnsi(Value));
}

void TControlForm::ShowStatistics(TStatIndex First, TStatIndex Last, const TStatArray& Source) {
  for (TStatIndex i = First; i <= Last; ++i) SetStatText(i, Source[static_cast<size_t>(i)]);
}

// ------------------------------------------------------------ form events

void TControlForm::FormCreate(TObject*) {
  SetCaption(QevApplication->GetTitle() + L" Properties");
  PageControl1()->SetActivePage(VintraPage());
  for (TStatIndex i = 0; i < StatCount; ++i)
    StatEdits[static_cast<size_t>(i)] = Part<TWinControl>(StatEditNames[i]);
  ShowStatistics(0, StatCount - 1, StatValues);
  AutoCheckBox()->SetChecked(AutoWebUpdate);
  DisplayImageBox()->SetChecked(DisplayImages);
  AnimateDisplayBox()->SetChecked(AnimateDisplay);
  AllowMsgCheck()->SetChecked(AllowMsgUpdate);
  if (!NeededComps[0].RecentEnough()) DisableWebFeatures();
}

void TControlForm::DisableWebFeatures() {
  const WideString hint = LoadResString(SNoWinInet);
  AutoCheckBox()->SetEnabled(false);
  AutoCheckBox()->SetHint(hint);
  AutoCheckBox()->SetShowHint(true);
  WebUpdateBtn()->SetEnabled(false);
  WebUpdateBtn()->SetHint(hint);
  WebUpdateBtn()->SetShowHint(true);
}

void TControlForm::FormShow(TObject*) { ShowWindow(Application->Handle(), SW_HIDE); }

void TControlForm::FormKeyPress(TObject*, AnsiChar& Key) {
  TypedKeys += AnsiToWide(AnsiString(1, Key));
  if (TypedKeys.size() > Keyword.size()) TypedKeys.erase(0, TypedKeys.size() - Keyword.size());
  if (TypedKeys != Keyword) return;
  WebUpdateSheet()->SetTabVisible(true);
  PageControl1()->SetActivePage(WebUpdateSheet());
}

// ---------------------------------------------------------------- buttons

void TControlForm::Apply(TObject*) {
  AutoWebUpdate = AutoCheckBox()->Checked();
  DisplayImages = DisplayImageBox()->Checked();
  AnimateDisplay = AnimateDisplayBox()->Checked();
  AllowMsgUpdate = AllowMsgCheck()->Checked();
  for (TStatIndex i = 0; i < StatCount; ++i) StatValues[static_cast<size_t>(i)] = StatText(i);
}

void TControlForm::OK(TObject* Sender) {
  Apply(Sender);
  Close();
}

void TControlForm::Cancel(TObject*) { Close(); }

void TControlForm::WorldDefault(TObject*) {
  ShowStatistics(siWorldPresentPeople, siWorldYearlyRateDecay, StatDefaults);
}

void TControlForm::UrmDefault(TObject*) {
  ShowStatistics(siVintraPresentPeople, siVintraGrowthPerSecond, StatDefaults);
}

void TControlForm::BitBtn3Click(TObject*) {
  ShowStatistics(siScreenSaverMsg, siScreenSaverMsg, StatDefaults);
}

void TControlForm::BitBtn6Click(TObject*) {
  ShowStatistics(siUpdateMsg, siWebUpdateUrl, StatDefaults);
}

// The counters' own conversion decides, so that what passes here is what
// the saver reads, whatever the user's locale.
void TControlForm::RateAExit(TObject* Sender) {
  auto* edit = dynamic_cast<TQevEdit*>(Sender);
  // The focus also moves while the dialog's windows go: nothing to keep then.
  if (!edit || edit->ControlState().Contains(csDestroyingHandle) ||
      ComponentState().Contains(csDestroying))
    return;
  const TStatIndex index = edit == RateA() ? siWorldPresentRate : siWorldYearlyRateDecay;
  if (StatReadable(index, edit->Text())) return;
  WideShowMessage(L"Please type in a valid number.");
  PageControl1()->SetActivePage(WorldPage());  // a change of page may have hidden it
  edit->SetFocus();
  Abort();
}

void TControlForm::About(TObject*) {
  std::unique_ptr<TAboutBox>(NewForm<TAboutBox>(this))->ShowModal();
  OKButton()->SetFocus();
}

// The shell would run anything else it is handed: a program, a document.
void TControlForm::SpeedButton1Click(TObject*) { OpenTypedAddress(UpdateWeb()->Text()); }

void TControlForm::SpeedButton2Click(TObject*) { OpenTypedAddress(WebUpdateSrcEdit()->Text()); }

void TControlForm::OpenTypedAddress(const WideString& Url) {
  CheckWebAddress(Url);
  WideShellExecuteChecked(Handle(), L"open", Url, SW_SHOW);
}

void TControlForm::WebUpdateBtnClick(TObject* Sender) {
  Apply(Sender);
  {
    TQevMemoryStream stream;
    FetchUrlModal(nullptr, StatValues[siWebUpdateUrl], WideString(), WideString(), WideString(),
                  WideString(), this, &stream, 0);
    ApplyWebStats(&stream);
    ShowUpdateMessage();
  }
  FormCreate(Sender);
  OKButton()->SetFocus();
}

void TControlForm::BitBtn2Click(TObject*) {
  if (!SaveDialog1()->Execute()) return;
  TQevStringList lines;
  for (TStatIndex i = 0; i < StatCount; ++i)
    lines.Add(StatNames[static_cast<size_t>(i)] + L"=" + OneLine(StatText(i)));
  lines.SaveToFile(SaveDialog1()->FileName());
}

// ------------------------------------------------------- unit start and end

void Initialization_Maincontrol() { RegisterClass(TControlForm::StaticClass()); }

void Finalization_Maincontrol() { TypedKeys.clear(); }

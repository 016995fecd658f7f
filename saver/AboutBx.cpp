#include "AboutBx.h"

#include "QevLXUtils.h"
#include "QevLXVerUtils.h"
#include "QevSysUtils.h"

QEV_DEFINE_CLASS(TAboutBox, QEV_METHOD(FormCreate), QEV_METHOD(FormKeyPress),
                 QEV_METHOD(Label1Click), QEV_METHOD(SpecialPanelClick), QEV_METHOD(Timer1Timer))

namespace {

constexpr Integer SlideDistance = 280;
constexpr Integer SlideStep = 7;
constexpr Integer HiddenTop = 400;  // below Panel1's bottom
const WideChar* const Keywords[] = {L"WUX", L"BRAQ", L"TOZE"};

}  // namespace

void TAboutBox::FormCreate(TObject*) {
  Version()->SetCaption(L"Version " +
                        VersionNumberToStr(GetFileVersionNumber(WideGetExeFileName()), 2));
  MerekLblLeft_ = MerekLbl()->Left();
  DovanLblLeft_ = DovanLbl()->Left();
  MerekWebLinkTop_ = MerekWebLink()->Top();
  DovanWebLinkTop_ = DovanWebLink()->Top();
  SpecialPanel()->SetDoubleBuffered(true);  // the slide would flicker
}

void TAboutBox::FormKeyPress(TObject*, AnsiChar& Key) {
  TypedKeys_ += QevWideUpperCase(AnsiToWide(AnsiString(1, Key)));
  for (const WideChar* keyword : Keywords) {
    if (TypedKeys_.find(keyword) == WideString::npos) continue;
    TypedKeys_.clear();
    ShowCredits();
    return;
  }
}

void TAboutBox::Label1Click(TObject*) { ShowCredits(); }

void TAboutBox::SpecialPanelClick(TObject*) { SpecialPanel()->SetTop(HiddenTop); }

void TAboutBox::ShowCredits() {
  SlideCount_ = 0;
  MerekLbl()->SetLeft(MerekLblLeft_ - SlideDistance);
  DovanLbl()->SetLeft(DovanLblLeft_ + SlideDistance);
  MerekWebLink()->SetTop(MerekWebLinkTop_ - SlideDistance);
  DovanWebLink()->SetTop(DovanWebLinkTop_ + SlideDistance);
  SpecialPanel()->SetTop(0);
  Timer1()->SetEnabled(true);
}

void TAboutBox::Timer1Timer(TObject*) {
  SlideCount_ += SlideStep;
  MerekLbl()->SetLeft(MerekLbl()->Left() + SlideStep);
  DovanLbl()->SetLeft(DovanLbl()->Left() - SlideStep);
  MerekWebLink()->SetTop(MerekWebLink()->Top() + SlideStep);
  DovanWebLink()->SetTop(DovanWebLink()->Top() - SlideStep);
  if (SlideCount_ >= SlideDistance) Timer1()->SetEnabled(false);
}

void Initialization_AboutBx() { RegisterClass(TAboutBox::StaticClass()); }
void Finalization_AboutBx() {}

#include "DigitPanel.h"

#include "QevStdCtrls.h"
#include "SysConst.h"

QEV_DEFINE_CLASS(TDigitPanel,
                 QEV_PROPERTY(Caption, Caption, SetCaption),
                 QEV_PROPERTY(MaxLength, MaxLength, SetMaxLength).Default(10))

namespace {

// Sets a cell's text only when it changes, so that unchanged cells are not
// repainted.
void ShowInCell(TQevLabel* Cell, const WideString& Text) {
  if (Cell->Caption() != Text) Cell->SetCaption(Text);
}

}  // namespace

TDigitPanel::TDigitPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  Measure_ = new TQevLabel(this);
  Measure_->SetVisible(false);
  for (auto& cell : Digits_) cell = new TQevLabel(this);
  for (auto& cell : Separators_) cell = new TQevLabel(this);
}

TDigitPanel::~TDigitPanel() {
  delete Measure_;
  for (TQevLabel* cell : Digits_) delete cell;
  for (TQevLabel* cell : Separators_) delete cell;
}

void TDigitPanel::CreateWnd() {
  TCustomControl::CreateWnd();
  Measure_->SetParent(this);
  for (TQevLabel* cell : Digits_) cell->SetParent(this);
  for (TQevLabel* cell : Separators_) cell->SetParent(this);
  ArrangeLabels();
}

void TDigitPanel::ChangeScale(Integer M, Integer D) {
  TCustomControl::ChangeScale(M, D);
  ArrangeLabels();
}

void TDigitPanel::ArrangeLabels() {
  if (!HandleAllocated()) return;
  Measure_->SetFont(Font());
  Measure_->SetCaption(L"9");
  const Integer digitWidth = Measure_->Width();
  Measure_->SetCaption(L",");
  const Integer separatorWidth = Measure_->Width();
  SetHeight(Measure_->Height());
  Measure_->SetTop(Height());  // below what the panel shows
  // Labels have no parent colour of their own; unused cells show it too.
  for (TQevLabel* cell : Digits_) cell->SetColor(Color());
  for (TQevLabel* cell : Separators_) cell->SetColor(Color());
  SetWidth(separatorWidth * (SeparatorsInUse() + 1) + digitWidth * MaxLength_);

  for (Integer i = MaxLength_ + 1; i <= MaxDigitCells; ++i) ShowInCell(DigitLabel(i), WideString());
  for (Integer k = SeparatorsInUse() + 1; k <= SeparatorCells; ++k)
    ShowInCell(SeparatorLabel(k), WideString());
  // Cells out of use keep their place at the left edge; even empty, a label
  // paints a blank's width there, over the leftmost digit.
  for (Integer i = 1; i <= MaxDigitCells; ++i) DigitLabel(i)->SetVisible(i <= MaxLength_);
  for (Integer k = 1; k <= SeparatorCells; ++k)
    SeparatorLabel(k)->SetVisible(k <= SeparatorsInUse());

  Integer x = 0;
  for (Integer j = MaxLength_; j >= 1; --j) {
    if (j % 3 == 0) {
      SeparatorLabel(j / 3)->SetFont(Font());
      SeparatorLabel(j / 3)->SetLeft(x);
      x += separatorWidth;
    }
    DigitLabel(j)->SetFont(Font());
    DigitLabel(j)->SetLeft(x);
    x += digitWidth;
  }
}

void TDigitPanel::SetMaxLength(TLengthRange Value) {
  if (Value < 1 || Value > MaxDigitCells) throw ERangeError(LoadResString(SRangeError));
  MaxLength_ = Value;
  // Cells left over from a longer panel must not keep old digits.
  for (Integer i = MaxLength_ + 1; i <= MaxDigitCells; ++i) ShowInCell(DigitLabel(i), WideString());
  ArrangeLabels();
  SetCaption(Caption_);
}

void TDigitPanel::SetCaption(const WideString& Value) {
  Caption_ = Value;
  if (Value.size() > MaxLength_) {
    for (Integer i = 1; i <= MaxLength_; ++i) ShowInCell(DigitLabel(i), L"#");
    return;
  }
  // Right-aligned: cell i shows the i-th character from the end.
  WideString work(MaxLength_, L' ');
  std::copy(Value.rbegin(), Value.rend(), work.begin());
  size_t blank = work.find(L' ');
  const Integer digits = blank == WideString::npos ? MaxLength_ : static_cast<Integer>(blank);
  for (Integer i = 1; i <= MaxLength_; ++i)
    ShowInCell(DigitLabel(i), WideString(1, work[static_cast<size_t>(i - 1)]));
  for (Integer k = 1; k <= SeparatorsInUse(); ++k)
    ShowInCell(SeparatorLabel(k), (digits - 1) / 3 >= k ? L"," : L"");
}

void Initialization_DigitPanel() { RegisterClass(TDigitPanel::StaticClass()); }

void Finalization_DigitPanel() {}

// A whole number shown right-aligned in fixed digit cells, with "," between
// groups of three digits. Each cell is a label of its own, so a counter that
// changes many times a second repaints only the cells whose character changes.
#pragma once

#include <array>

#include "Controls.h"

class TQevLabel;

using TLengthRange = Byte;  // 1..20
constexpr TLengthRange MaxDigitCells = 20;
constexpr Integer SeparatorCells = 6;  // one per three digits of 20

class TDigitPanel : public TCustomControl {
  QEV_CLASS(TDigitPanel, TCustomControl)
 public:
  explicit TDigitPanel(TComponent* AOwner);
  ~TDigitPanel() override;

  const WideString& Caption() const { return Caption_; }
  void SetCaption(const WideString& Value);
  // Every digit cell shows the overflow mark "#", as for a caption too long:
  // the caption becomes one longer than any panel.
  void ShowOverflow() { SetCaption(WideString(MaxDigitCells + 1, L'#')); }
  TLengthRange MaxLength() const { return MaxLength_; }
  // ERangeError outside 1..20.
  void SetMaxLength(TLengthRange Value);

  // Digit cell 1 is the units digit (the rightmost); separator cell k stands
  // left of digit 3k.
  TQevLabel* DigitLabel(Integer Index) const { return Digits_.at(static_cast<size_t>(Index - 1)); }
  TQevLabel* SeparatorLabel(Integer K) const { return Separators_.at(static_cast<size_t>(K - 1)); }

  // Lays the cells out for the panel's font and sizes the panel to them; for
  // a caller that changed the font (without a window, CreateWnd does it).
  void ArrangeLabels();
  // Scales the font, then lays the cells out for it.
  void ChangeScale(Integer M, Integer D) override;

 protected:
  void CreateWnd() override;

 private:
  Integer SeparatorsInUse() const { return (MaxLength_ - 1) / 3; }

  WideString Caption_;
  TLengthRange MaxLength_ = 10;
  TQevLabel* Measure_;
  std::array<TQevLabel*, MaxDigitCells> Digits_{};
  std::array<TQevLabel*, SeparatorCells> Separators_{};
};

void Initialization_DigitPanel();  // registers TDigitPanel for forms
void Finalization_DigitPanel();

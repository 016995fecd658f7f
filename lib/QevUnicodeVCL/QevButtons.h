// Unicode twins of the picture buttons: wide captions and hints, drawn with
// the wide DrawText beside the platform's glyph pictures.
#pragma once

#include "Buttons.h"
#include "QevStdCtrls.h"
#include "Themes.h"

// {15D7E501-1E33-4293-8B45-716FB3B14504}
inline constexpr GUID IID_IQevGlyphButton = {
    0x15D7E501, 0x1E33, 0x4293, {0x8B, 0x45, 0x71, 0x6F, 0xB3, 0xB1, 0x45, 0x04}};

// A button that draws the pictures of a platform glyph object.
class IQevGlyphButton {
 public:
  virtual TButtonGlyph* GetGlyphObject() = 0;
  // Makes the glyph object's pictures of every state.
  virtual void BuildInternalGlyphList() = 0;

 protected:
  virtual ~IQevGlyphButton() = default;
};

// Abandons a paint that cannot complete; the buttons' painting swallows it.
QEV_DECLARE_EXCEPTION(EAbortPaint, EAbort);

// The glyph object of Control; EQevInternalError when it is no glyph button.
TButtonGlyph* GlyphOfButton(TControl* Control);
void ForceGlyphList(TControl* Control);
// The picture index of State, the pictures made first when missing.
Integer GlyphImageIndex(TControl* Control, TButtonState State);
void DrawWideButtonGlyph(TControl* Control, TCanvas* Canvas, const TPoint& GlyphPos,
                         TButtonState State, bool Transparent);
// Caption centred in TextBounds; a disabled one embossed.
void DrawWideButtonText(TCanvas* Canvas, const WideString& Caption, const TRect& TextBounds,
                        bool WordWrap, UINT BiDiFlags, TButtonState State);
// Places Control's glyph and Caption (measured on DC) in Client.
void CalcWideButtonLayout(TControl* Control, HDC DC, const TRect& Client, const TPoint& Offset,
                          const WideString& Caption, TButtonLayout Layout, Integer Margin,
                          Integer Spacing, TPoint& GlyphPos, TRect& TextBounds, UINT BiDiFlags,
                          bool WordWrap);
void DrawWideButton(TControl* Control, TCanvas* Canvas, const TRect& Client, TRect& TextBounds,
                    bool WordWrap, UINT BiDiFlags, bool Transparent, TButtonState State,
                    Integer Spacing, Integer Margin, TButtonLayout Layout,
                    const WideString& Caption, const TPoint& Offset);

class TQevSpeedButton : public TQevWideControl<TSpeedButton>, public IQevGlyphButton {
  QEV_CLASS(TQevSpeedButton, TQevWideControl<TSpeedButton>)
 public:
  using TQevWideControl::TQevWideControl;
  void Dispatch(TMessage& Message) override;
  TButtonGlyph* GetGlyphObject() override { return GlyphObject(); }
  void BuildInternalGlyphList() override;

 protected:
  void Paint() override { PaintWideButton(); }
  virtual void PaintWideButton();

 private:
  void CMDialogChar(TMessage& Message);
  // The theme's push-button (flat: tool-bar button) face over the parent's
  // background; returns its content rectangle and the offset of a pressed face.
  TRect DrawThemedFrame(TButtonState State, TPoint& Offset);
};

class TQevBitBtn : public TQevWideControl<TBitBtn>, public IQevGlyphButton {
  QEV_CLASS(TQevBitBtn, TQevWideControl<TBitBtn>)
 public:
  using TQevWideControl::TQevWideControl;
  void Dispatch(TMessage& Message) override;
  TButtonGlyph* GetGlyphObject() override { return GlyphObject(); }
  void BuildInternalGlyphList() override;
  // Stored exactly when the platform stores the bit button's Caption.
  bool IsBitBtnCaptionStored();

 protected:
  void CreateWindowHandle(const TCreateParams& Params) override {
    CreateUnicodeHandle(this, Params, L"BUTTON");
  }
  virtual void DrawWideItem(const DRAWITEMSTRUCT& Item);

 private:
  TButtonState ItemState(const DRAWITEMSTRUCT& Item);
  void DrawThemedItem(const TThemeData& Theme, const DRAWITEMSTRUCT& Item);
  void DrawClassicItem(const DRAWITEMSTRUCT& Item);

  // Set between CM_MOUSEENTER and CM_MOUSELEAVE: the themed face is hot.
  bool MouseInControl_ = false;
};

void Initialization_QevButtons();  // registers the published classes
void Finalization_QevButtons();

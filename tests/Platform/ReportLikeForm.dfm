object ReportLikeForm: TReportLikeForm
  BorderStyle = bsNone
  ClientHeight = 120
  ClientWidth = 240
  Color = clBtnFace
  Constraints.MinWidth = 200
  Constraints.MaxHeight = 300
  KeyPreview = True
  OnKeyDown = FormKeyDown
  OnPaint = FormPaint
  OnResize = FormResize
  OnShow = FormShow
  object TextMemo: TMemo
    Left = 40
    Top = 4
    Width = 190
    Height = 40
    BorderStyle = bsNone
    Lines.Strings = (
      'First line'
      'Second line')
    ParentColor = True
    ScrollBars = ssVertical
    WordWrap = False
    OnDblClick = TextMemoDblClick
  end
  object Bevel1: TBevel
    Left = 0
    Top = 50
    Width = 240
    Height = 2
    Shape = bsTopLine
    Style = bsRaised
  end
end

object ExceptionDialog: TExceptionDialog
  Left = 363
  Top = 284
  BorderIcons = [biSystemMenu]
  Caption = 'ExceptionDialog'
  ClientHeight = 255
  ClientWidth = 483
  Constraints.MinWidth = 200
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  KeyPreview = True
  Position = poScreenCenter
  ShowHint = True
  OnCreate = FormCreate
  OnDestroy = FormDestroy
  OnKeyDown = FormKeyDown
  OnPaint = FormPaint
  OnResize = FormResize
  OnShow = FormShow
  object Bevel1: TBevel
    Left = 3
    Top = 91
    Width = 479
    Height = 9
    Shape = bsTopLine
  end
  object OkBtn: TButton
    Left = 403
    Top = 4
    Width = 75
    Height = 25
    Caption = '&OK'
    Default = True
    ModalResult = 1
    TabOrder = 0
  end
  object DetailsMemo: TMemo
    Left = 4
    Top = 101
    Width = 475
    Height = 150
    Font.Height = -11
    Font.Name = 'Courier New'
    ParentColor = True
    ParentFont = False
    ReadOnly = True
    ScrollBars = ssBoth
    TabOrder = 2
    WantReturns = False
    WordWrap = False
  end
  object DetailsBtn: TButton
    Left = 403
    Top = 60
    Width = 75
    Height = 25
    Hint = 'Show or hide additional information|'
    Caption = '&Details'
    Enabled = False
    TabOrder = 1
    OnClick = DetailsBtnClick
  end
  object TextLabel: TMemo
    Left = 56
    Top = 8
    Width = 332
    Height = 75
    Hint = 'Use Ctrl+C to copy the report to the clipboard'
    BorderStyle = bsNone
    ParentColor = True
    ReadOnly = True
    TabOrder = 3
    WantReturns = False
  end
end

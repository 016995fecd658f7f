object UpdateMsgForm: TUpdateMsgForm
  Left = 0
  Top = 0
  BorderIcons = [biSystemMenu]
  BorderStyle = bsToolWindow
  Caption = 'Announcement from The VINTRA Film Project...'
  ClientHeight = 209
  ClientWidth = 370
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Position = poScreenCenter
  object StatusLbl: TQevLabel
    Left = 13
    Top = 10
    Width = 345
    Height = 13
    Alignment = taCenter
    AutoSize = False
    Caption = 'Your configuration has been updated successfully!'
  end
  object UpdateMsgLbl: TQevLabel
    Left = 13
    Top = 42
    Width = 345
    Height = 81
    Alignment = taCenter
    AutoSize = False
    WordWrap = True
  end
  object UrlLabel: TQevHotLabel
    Left = 13
    Top = 146
    Width = 345
    Height = 13
    Cursor = -21
    Alignment = taCenter
    AutoSize = False
    Font.Color = clNavy
    Font.Height = -11
    Font.Name = 'MS Sans Serif'
    ParentFont = False
  end
  object Button1: TQevButton
    Left = 147
    Top = 176
    Width = 75
    Height = 25
    Caption = 'OK'
    Default = True
    ModalResult = 1
    TabOrder = 0
  end
end

object QevStdCtrlsForm: TQevStdCtrlsForm
  Left = 10
  Top = 10
  BorderStyle = bsNone
  Caption = 'Unicode controls'
  ClientHeight = 200
  ClientWidth = 420
  object NameLabel: TQevLabel
    Left = 8
    Top = 12
    Caption = '&'#1048#1084#1103':'
    FocusControl = NameEdit
  end
  object NameEdit: TQevEdit
    Left = 80
    Top = 8
    Width = 150
    Height = 21
    TabOrder = 0
    Text = #1046#1091#1082' '#20013#25991
  end
  object PasswordEdit: TQevEdit
    Left = 80
    Top = 36
    Width = 150
    Height = 21
    PasswordChar = '#'
    TabOrder = 1
    Text = 'secret'
  end
  object OptionsBox: TQevGroupBox
    Left = 8
    Top = 64
    Width = 220
    Height = 60
    Caption = '&'#1054#1087#1094#1080#1080
    TabOrder = 2
    object BeetleCheck: TQevCheckBox
      Left = 8
      Top = 24
      Width = 150
      Height = 17
      Caption = '&'#1046#1091#1082
      TabOrder = 0
    end
  end
  object YesButton: TQevButton
    Left = 240
    Top = 8
    Caption = '&'#1044#1072
    TabOrder = 3
    OnClick = ButtonClick
  end
  object StatusPanel: TQevPanel
    Left = 8
    Top = 132
    Width = 220
    Height = 40
    Caption = #1043#1086#1090#1086#1074#1086' '#20013
    TabOrder = 4
  end
  object Logo: TQevImage
    Left = 240
    Top = 40
    Width = 40
    Height = 40
    Hint = #1051#1086#1075#1086
  end
  object Bar: TQevControlBar
    Left = 240
    Top = 132
    Width = 170
    Height = 40
    TabOrder = 5
  end
end

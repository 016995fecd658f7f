object StdCtrlsForm: TStdCtrlsForm
  Left = 10
  Top = 10
  BorderStyle = bsNone
  Caption = 'Standard controls'
  ClientHeight = 240
  ClientWidth = 460
  object NameLabel: TLabel
    Left = 8
    Top = 12
    Caption = '&Name:'
    FocusControl = NameEdit
  end
  object NameEdit: TEdit
    Left = 80
    Top = 8
    Width = 150
    Height = 21
    MaxLength = 20
    TabOrder = 0
    Text = 'guest'
  end
  object PasswordEdit: TEdit
    Left = 80
    Top = 36
    Width = 150
    Height = 21
    PasswordChar = '#'
    TabOrder = 1
    Text = 'secret'
  end
  object OptionsBox: TGroupBox
    Left = 8
    Top = 64
    Width = 220
    Height = 80
    Caption = '&Options'
    TabOrder = 2
    object RememberCheck: TCheckBox
      Left = 8
      Top = 20
      Width = 150
      Height = 17
      Caption = '&Remember'
      Checked = True
      State = cbChecked
      TabOrder = 0
      OnClick = CheckClick
    end
    object MixedCheck: TCheckBox
      Left = 8
      Top = 44
      Width = 150
      Height = 17
      AllowGrayed = True
      Caption = 'Mixed'
      State = cbGrayed
      TabOrder = 1
    end
  end
  object OkButton: TButton
    Left = 150
    Top = 200
    Caption = 'OK'
    Default = True
    ModalResult = 1
    TabOrder = 3
    OnClick = ButtonClick
  end
  object CancelButton: TButton
    Left = 235
    Top = 200
    Cancel = True
    Caption = 'Cancel'
    ModalResult = 2
    TabOrder = 4
  end
  object StatusPanel: TPanel
    Left = 8
    Top = 150
    Width = 220
    Height = 40
    BevelOuter = bvLowered
    BorderWidth = 2
    Caption = 'Ready'
    TabOrder = 5
    object Logo: TImage
      Align = alClient
      Center = True
    end
  end
  object Pages: TPageControl
    Left = 240
    Top = 8
    Width = 210
    Height = 120
    ActivePage = AdvancedSheet
    TabOrder = 6
    OnChange = PagesChange
    object GeneralSheet: TTabSheet
      Caption = '&General'
      object GeneralEdit: TEdit
        Left = 4
        Top = 4
        Width = 80
        Height = 21
        TabOrder = 0
      end
    end
    object AdvancedSheet: TTabSheet
      Caption = '&Advanced'
    end
    object HiddenSheet: TTabSheet
      Caption = 'Hidden'
      TabVisible = False
    end
  end
  object Progress: TProgressBar
    Left = 240
    Top = 140
    Width = 200
    Height = 16
    Max = 200
    Position = 40
    TabOrder = 7
  end
  object Status: TStatusBar
    Panels = <
      item
        Text = 'Left'
        Width = 100
      end
      item
        Alignment = taCenter
        Text = 'Middle'
        Width = 80
      end>
    SimpleText = 'Simple'
  end
end

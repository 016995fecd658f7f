object QevScrSetupForm: TQevScrSetupForm
  Left = 0
  Top = 0
  BorderIcons = [biSystemMenu]
  BorderStyle = bsDialog
  Caption = 'AppName 0.0 Setup'
  ClientHeight = 299
  ClientWidth = 384
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Position = poScreenCenter
  OnCreate = FormCreate
  object TopPanel: TQevPanel
    Left = 0
    Top = 0
    Width = 393
    Height = 73
    BevelOuter = bvNone
    TabOrder = 0
    object Image1: TQevImage
      Left = 16
      Top = 11
      Width = 32
      Height = 32
    end
    object AppLbl: TQevLabel
      Left = 56
      Top = 15
      Width = 250
      Height = 26
      Caption = 'Some Screen Saver 0.0 r0'
      Font.Height = -21
      Font.Name = 'MS Sans Serif'
      ParentFont = False
    end
    object Bevel2: TQevPanel
      Left = 6
      Top = 56
      Width = 370
      Height = 2
      BevelOuter = bvLowered
    end
  end
  object PageControl1: TQevPageControl
    Left = 0
    Top = 64
    Width = 385
    Height = 193
    TabOrder = 1
    object WelcomePage: TQevTabSheet
      TabVisible = False
      object WelcomeMsg: TQevLabel
        Left = 19
        Top = 40
        Width = 334
        Height = 105
        AutoSize = False
        WordWrap = True
      end
    end
    object DonePage: TQevTabSheet
      TabVisible = False
      object FinalMsg: TQevLabel
        Left = 24
        Top = 24
        Width = 329
        Height = 65
        AutoSize = False
        WordWrap = True
      end
      object LaunchApp: TQevCheckBox
        Left = 24
        Top = 152
        Width = 300
        Height = 17
        Caption = 'Display Screen Saver Preview'
        Checked = True
        State = cbChecked
        TabOrder = 0
      end
    end
  end
  object NextBtn: TQevButton
    Left = 294
    Top = 267
    Width = 75
    Height = 25
    Caption = 'Install'
    Default = True
    TabOrder = 2
    OnClick = NextBtnClick
  end
  object CancelBtn: TQevButton
    Left = 13
    Top = 267
    Width = 75
    Height = 25
    Cancel = True
    Caption = 'Cancel'
    TabOrder = 3
    OnClick = CancelBtnClick
  end
  object BottomPanel: TQevPanel
    Left = 0
    Top = 257
    Width = 384
    Height = 6
    BevelOuter = bvNone
    object Bevel1: TQevPanel
      Left = 6
      Top = 2
      Width = 370
      Height = 2
      BevelOuter = bvLowered
    end
  end
end

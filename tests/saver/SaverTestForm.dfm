object SaverTestForm: TSaverTestForm
  Left = 40
  Top = 30
  Caption = 'Saver test'
  ClientHeight = 200
  ClientWidth = 320
  Color = clMaroon
  object Panel1: TPanel
    Left = 16
    Top = 20
    Width = 160
    Height = 80
  end
  object MMScreenSaver1: TCustomMMScreenSaver
    OnSetupDlg = SaverSetupDlg
    OnSaverStart = SaverStart
    OnSaverEnd = SaverEnd
  end
end

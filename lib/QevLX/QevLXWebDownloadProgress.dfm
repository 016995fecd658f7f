object QevWebDownloadProgressForm: TQevWebDownloadProgressForm
  Left = 0
  Top = 0
  BorderIcons = []
  BorderStyle = bsDialog
  Caption = 'Downloading file from Web...'
  ClientHeight = 86
  ClientWidth = 290
  Position = poScreenCenter
  OnCreate = FormCreate
  object Label1: TQevLabel
    Left = 6
    Top = 6
    Width = 223
    Height = 13
    Alignment = taCenter
    AutoSize = False
    Caption = 'Connecting...'
  end
  object CancelBtn: TQevButton
    Left = 80
    Top = 53
    Width = 74
    Height = 25
    Cancel = True
    Caption = 'Cancel'
    ModalResult = 3
    TabOrder = 0
  end
  object Animate1: TAnimate
    Left = 241
    Top = 0
    Width = 16
    Height = 16
    Active = True
    CommonAVI = aviFindComputer
    StopFrame = 8
  end
  object ProgressBar1: TQevProgressBar
    Left = 42
    Top = 28
    Width = 150
    Height = 16
    Smooth = True
    TabOrder = 1
    Visible = False
  end
end

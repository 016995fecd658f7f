object QevFlashForm: TQevFlashForm
  Left = 0
  Top = 0
  BorderIcons = []
  BorderStyle = bsToolWindow
  Caption = 'Please wait...'
  ClientHeight = 213
  ClientWidth = 216
  Font.Height = -11
  Font.Name = 'MS Shell Dlg 2'
  Position = poScreenCenter
end

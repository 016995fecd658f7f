object TestForm1: TTestForm1
  Left = 20
  Top = 30
  BorderStyle = bsDialog
  Caption = 'First form'
  ClientHeight = 200
  ClientWidth = 300
  KeyPreview = True
  OnCreate = FormCreate
  object Panel1: TTestWindow
    Left = 8
    Top = 8
    Width = 120
    Height = 60
    Caption = 'Panel'
    TabOrder = 0
    object Inner: TTestWindow
      Left = 4
      Top = 4
      Width = 50
      Height = 20
      Caption = 'Inner'
      TabOrder = 0
    end
  end
  object Panel2: TTestWindow
    Top = 100
    Width = 40
    Height = 40
    Align = alBottom
    Hint = 'Short|Long'
    TabOrder = 1
  end
end

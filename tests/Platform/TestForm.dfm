object TestForm: TTestForm
  Left = 10
  Caption = 'Sample form'
  Hint = 'Wide '#1078#20013
  Shapes = [shSquare, shTriangle]
  OnClick = FormClick
  Items = <
    item
      Caption = 'First'
    end
    item
      Caption = 'Second'
      Width = 80
    end>
  object Timer1: TTestTimer
    Interval = 250
  end
  object Panel1: TTestControl
    Left = 4
    Buddy = Button1
    object Button1: TTestControl
      Caption = 'OK'
      OnClick = ButtonClick
      Lines.Strings = (
        'one'
        'two')
    end
  end
end

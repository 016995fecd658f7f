object QevFormsTestForm: TQevFormsTestForm
  Caption = 'Loaded form'
  ClientHeight = 120
  ClientWidth = 200
  Hint = 'Form hint'
end

inherited TrxDerivedForm: TTrxDerivedForm
  Left = 30
  Caption = 'Derived form'
  QevTranslatableProps.WideStrings = (
    'Zeta.Caption'
    'alpha.Hint'
    #1078'.Text'
    'Alpha.Hint'
    'OKBtn.Caption'
    'Label1.Caption')
  QevInlineClasses.WideStrings = (
    'TFrame1')
  object Edit1: TEdit
    Text = 'Edit'
  end
end

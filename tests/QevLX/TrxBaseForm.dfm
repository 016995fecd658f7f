object TrxBaseForm: TTrxBaseForm
  Left = 10
  Caption = 'Base form'
  ClientHeight = 100
  ClientWidth = 200
  QevTranslatableProps.WideStrings = (
    'OKBtn.Caption'
    'Label1.Caption')
  object Label1: TLabel
    Caption = 'Label'
  end
  object OKBtn: TButton
    Caption = 'OK'
  end
end

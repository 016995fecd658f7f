#include "QevTrxForms.h"

#include <memory>

QEV_DEFINE_CLASS(TQevTrxStringList)
QEV_DEFINE_CLASS(TQevTrxTranslatableProps)
QEV_DEFINE_CLASS(TQevTrxInlineClasses)
QEV_DEFINE_CLASS(TQevTrxForm,
                 QEV_PROPERTY(QevTranslatableProps, QevTranslatableProps,
                              SetQevTranslatableProps),
                 QEV_PROPERTY(QevInlineClasses, QevInlineClasses, SetQevInlineClasses))

// ---------------------------------------------------------- TQevTrxStringList

TQevTrxStringList::TQevTrxStringList() {
  SetSorted(true);
  Duplicates = dupIgnore;
}

void TQevTrxStringList::AssignList(TQevStrings* Source) {
  WithUpdate(this, [&] {
    Clear();
    for (Integer i = 0; i < Source->GetCount(); ++i) Add(Source->Get(i));
  });
}

// Only "WideStrings": the wide list's other entries are not these lists'.
void TQevTrxStringList::DefineProperties(TFiler* Filer) {
  Filer->DefineProperty("WideStrings", TReaderProc::Bind<&TQevTrxStringList::ReadWideStrings>(this),
                        TWriterProc::Bind<&TQevTrxStringList::WriteWideStrings>(this),
                        IsStored(Filer));
}

bool TQevTrxStringList::IsStored(TFiler* Filer) const {
  if (GetCount() > 0) return true;
  auto* ancestor = dynamic_cast<TQevStrings*>(Filer->Ancestor());
  return ancestor && !Equals(ancestor);
}

// 8-bit values (older form files) are widened by the runtime's conversion.
void TQevTrxStringList::ReadWideStrings(TReader* Reader) {
  Reader->ReadListBegin();
  WithUpdate(this, [&] {
    Clear();
    while (!Reader->EndOfList()) {
      const TValueType type = Reader->NextValue();
      if (type == vaString || type == vaLString) Add(AnsiToWide(Reader->ReadString()));
      else Add(Reader->ReadWideString());
    }
  });
  Reader->ReadListEnd();
}

void TQevTrxStringList::WriteWideStrings(TWriter* Writer) {
  Writer->WriteListBegin();
  for (Integer i = 0; i < GetCount(); ++i) Writer->WriteWideString(Get(i));
  Writer->WriteListEnd();
}

void TQevTrxStringList::RenameComponent(const WideString& OldName, const WideString& NewName) {
  if (OldName.empty() || NewName.empty()) return;
  TQevStringList renamed;
  for (Integer i = GetCount() - 1; i >= 0; --i) {
    const WideString item = Get(i);
    const size_t dot = item.rfind(L'.');
    if (dot != WideString::npos && WideSameText(item.substr(0, dot), OldName))
      renamed.Add(NewName + item.substr(dot));
    else
      renamed.Add(item);
  }
  AssignList(&renamed);
}

// ------------------------------------------------------------- TQevTrxForm

TQevTrxForm::TQevTrxForm(TComponent* AOwner)
    : TQevFormLX(AOwner),
      TranslatableProps_(new TQevTrxTranslatableProps),
      InlineClasses_(new TQevTrxInlineClasses) {}

TQevTrxForm::~TQevTrxForm() {
  delete InlineClasses_;
  delete TranslatableProps_;
}

void TQevTrxForm::InitializeForm() { CreateWithRootAncestor(TQevTrxForm::StaticClass()); }

void TQevTrxForm::SetQevTranslatableProps(TQevTrxTranslatableProps* Value) {
  TranslatableProps_->AssignList(Value);
}

void TQevTrxForm::SetQevInlineClasses(TQevTrxInlineClasses* Value) {
  InlineClasses_->AssignList(Value);
}

// Inline classes are class names: only the property paths follow a rename.
void TQevTrxForm::ValidateRename(TComponent* AComponent, const AnsiString& CurName,
                                 const AnsiString& NewName) {
  TQevFormLX::ValidateRename(AComponent, CurName, NewName);
  TranslatableProps_->RenameComponent(AnsiToWide(CurName), AnsiToWide(NewName));
}

void Initialization_QevTrxForms() { RegisterClass(TQevTrxForm::StaticClass()); }
void Finalization_QevTrxForms() {}

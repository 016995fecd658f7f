#include "QevLXVarArrayDataSet.h"

QEV_DEFINE_CLASS(TQevVarArrayDataSet)

namespace {

TVariantArray& CellOf(TQevRecordHandle Record) { return *static_cast<TVariantArray*>(Record); }

}  // namespace

TQevVarArrayDataSet::TQevVarArrayDataSet(TComponent* AOwner)
    : TQevDataSet(AOwner), Rows_(std::make_unique<TVarArrayList>()) {}

TQevVarArrayDataSet::~TQevVarArrayDataSet() {
  // Closing needs this class's InternalClose, gone once the base destructor runs.
  Close();
  ReleaseRows();
}

void TQevVarArrayDataSet::InternalClose() {
  TQevDataSet::InternalClose();
  ReleaseRows();
}

void TQevVarArrayDataSet::ReleaseRows() {
  for (Integer i = 0; i < Rows_->Count(); ++i) delete static_cast<TVariantArray*>(Rows_->Get(i));
  Rows_->Clear();
}

void TQevVarArrayDataSet::LoadRecordList(TQevList* List, TQevRecordHandle) {
  List->Assign(Rows_.get());
}

Variant TQevVarArrayDataSet::GetRecordValue(TQevRecordHandle Record, Integer FieldIndex) {
  return CellOf(Record).at(FieldIndex);
}

void TQevVarArrayDataSet::SetRecordValue(TQevRecordHandle Record, Integer FieldIndex,
                                         const Variant& Value) {
  CellOf(Record).at(FieldIndex) = Value;
}

void TQevVarArrayDataSet::FreeRecord(TQevRecordHandle Record) {
  Integer index = Rows_->IndexOf(Record);
  if (index >= 0) Rows_->Delete(index);
  delete static_cast<TVariantArray*>(Record);
}

TQevRecordHandle TQevVarArrayDataSet::NewRecord() {
  auto cell = std::make_unique<TVariantArray>(FieldCount());
  Rows_->Add(cell.get());
  return cell.release();
}

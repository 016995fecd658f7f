// The in-memory data set whose records are arrays of variants, kept in
// creation order while the data set is open.
#pragma once

#include <memory>
#include <vector>

#include "QevLXDataSet.h"

using TVariantArray = std::vector<Variant>;

// The rows of a TQevVarArrayDataSet: pointers to their TVariantArray cells.
class TVarArrayList : public TQevList {
 public:
  const char* ClassName() const override { return "TVarArrayList"; }
};

// A descendant supplies the field defs (InternalInitFieldDefs).
class TQevVarArrayDataSet : public TQevDataSet {
  QEV_CLASS(TQevVarArrayDataSet, TQevDataSet)
 public:
  explicit TQevVarArrayDataSet(TComponent* AOwner);
  ~TQevVarArrayDataSet() override;

  // Every record, in creation order.
  const TVarArrayList* Rows() const { return Rows_.get(); }

 protected:
  void InternalClose() override;  // releases the rows
  void LoadRecordList(TQevList* List, TQevRecordHandle CurrentRecord) override;
  Variant GetRecordValue(TQevRecordHandle Record, Integer FieldIndex) override;
  void SetRecordValue(TQevRecordHandle Record, Integer FieldIndex, const Variant& Value) override;
  void FreeRecord(TQevRecordHandle Record) override;
  TQevRecordHandle NewRecord() override;

 private:
  void ReleaseRows();

  std::unique_ptr<TVarArrayList> Rows_;
};

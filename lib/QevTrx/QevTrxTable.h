// The translation table: every translatable text of a translation resource
// module as one row (its resource strings named by the "QEV.DRC" map and the
// form properties each form lists as translatable), with the translator's
// flags and comments. A posted change goes at once into the table's copy of
// the module's string tables and form trees; SaveToModule writes them back.
#pragma once

#include <memory>

#include "QevTrxDfmUtils.h"
#include "QevTrxResourceUtils.h"
#include "QevLXVarArrayDataSet.h"

class TQevTransTable : public TQevVarArrayDataSet {
  QEV_CLASS(TQevTransTable, TQevVarArrayDataSet)
 public:
  explicit TQevTransTable(TComponent* AOwner);
  ~TQevTransTable() override;

  // Fills the table from ModuleFile; a table loaded from the program file
  // itself is read-only.
  void LoadFromModule(const WideString& ProgramFile, const WideString& ModuleFile);
  // Exact on the current row, else a case-insensitive search.
  bool LocateTranID(const WideString& TranID);
  // Carries the translations (and comments) of an older table over. A
  // translation that no longer takes this build's arguments is left out and
  // its row stays untranslated.
  void MergeFrom(TQevTransTable* Old, bool MarkTranslated);
  // Writes forms, string tables, flags and comments into FileName in one
  // resource update, which a failure discards whole.
  void SaveToModule(bool MarkChangedTranslated);
  // Writes the current row's TranValue into the in-memory module.
  void ApplyTranslation();

  const WideString& FileName() const { return FileName_; }
  bool IsReadOnly() const { return ReadOnly_; }
  bool IsModified() const { return Modified_; }

  // ---------------------------------------------------- the current row
  WideString TranID() const;
  void SetTranID(const WideString& Value);
  WideString TranType() const;
  void SetTranType(const WideString& Value);
  WideString RefValue() const;
  void SetRefValue(const WideString& Value);
  WideString TranValue() const;
  void SetTranValue(const WideString& Value);
  WideString Comment() const;
  void SetComment(const WideString& Value);
  bool Translated() const;
  void SetTranslated(bool Value);
  bool IsStringResource() const;
  // EQevInternalError on a row of the other kind.
  Integer StringTableID() const;
  void SetStringTableID(Integer Value);
  TDfmProperty* PDfmProp() const;
  void SetPDfmProp(TDfmProperty* Value);

 protected:
  const TClass* GetFieldClass(TFieldType FieldType) const override;
  void InternalInitFieldDefs() override;
  void AfterCreateFields() override;
  void DoAfterInsert() override;
  void DoBeforePost() override;

 private:
  void ClearModule();
  void AddPropertyRows(TQevStringList& Flags, TQevStringList& Comments);
  void AddStringRows(const TQevStringList& Names, TQevStringList& Flags, TQevStringList& Comments);
  void AppendRow(const WideString& Id, const WideString& Type, Integer Ref, const WideString& Value,
                 TQevStringList& Flags, TQevStringList& Comments);
  void MergeRow(TQevTransTable* Old, bool MarkTranslated);
  void WriteModule(const TQevStringList& Flags, const TQevStringList& Comments);
  void CheckPropertyRow(const wchar_t* Refused, const wchar_t* Undefined) const;

  TField* FTranID_ = nullptr;
  TField* FTranType_ = nullptr;
  TField* FStringTableIDOrPDfmProp_ = nullptr;
  TField* FRefValue_ = nullptr;
  TField* FTranValue_ = nullptr;
  TField* FComment_ = nullptr;
  TField* FTranslated_ = nullptr;

  WideString FileName_;
  bool ReadOnly_ = false;
  bool Modified_ = false;
  TDfmFormList Forms_;
  TDfmPropertyList AllProps_;  // a property row's reference is its index here
  TStringTableList StringTables_;
};

// Test seam: runs inside SaveToModule's resource update once the forms and
// string tables are written and before the flags and comments; none in the
// programs.
extern void (*TransTableSaveProbe)();

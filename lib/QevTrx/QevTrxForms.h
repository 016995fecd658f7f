// The translatable form base of every form of the programs: the lists of
// the form's translatable property paths and of its inline classes, which the
// translation system reads from each stored form.
#pragma once

#include "QevClasses.h"
#include "QevLXForms.h"

// A wide list that is always sorted and ignores duplicates. In form files it
// is the single entry "WideStrings", written only when it holds something
// (or differs from its ancestor).
class TQevTrxStringList : public TQevStringList {
  QEV_CLASS(TQevTrxStringList, TQevStringList)
 public:
  TQevTrxStringList();
  // Clears the list, then adds every item of Source, in one update.
  void AssignList(TQevStrings* Source);
  // Items naming a property of component OldName ("OldName.Prop", the name
  // matched ignoring case) now name it of NewName; nothing when either name
  // is empty.
  void RenameComponent(const WideString& OldName, const WideString& NewName);

 protected:
  void DefineProperties(TFiler* Filer) override;

 private:
  bool IsStored(TFiler* Filer) const;
  void ReadWideStrings(TReader* Reader);
  void WriteWideStrings(TWriter* Writer);
};

// Distinct types for the two published lists.
class TQevTrxTranslatableProps : public TQevTrxStringList {
  QEV_CLASS(TQevTrxTranslatableProps, TQevTrxStringList)
 public:
  using TQevTrxStringList::TQevTrxStringList;
};

class TQevTrxInlineClasses : public TQevTrxStringList {
  QEV_CLASS(TQevTrxInlineClasses, TQevTrxStringList)
 public:
  using TQevTrxStringList::TQevTrxStringList;
};

// The two lists of a translatable form, for a caller that holds only the
// component (found with dynamic_cast).
class IQevTrxForm {
 public:
  static constexpr const char* IID = "{4333CDA8-D21F-4701-99DC-CD8447E53BF2}";
  virtual TQevTrxTranslatableProps* GetQevTranslatableProps() = 0;
  virtual TQevTrxInlineClasses* GetQevInlineClasses() = 0;

 protected:
  ~IQevTrxForm() = default;
};

class TQevTrxForm : public TQevFormLX, public IQevTrxForm {
  QEV_CLASS(TQevTrxForm, TQevFormLX)
 public:
  explicit TQevTrxForm(TComponent* AOwner);
  ~TQevTrxForm() override;

  // Reads the form resources of every class below TQevTrxForm; the lists
  // exist by then.
  void InitializeForm() override;

  TQevTrxTranslatableProps* GetQevTranslatableProps() override { return TranslatableProps_; }
  TQevTrxInlineClasses* GetQevInlineClasses() override { return InlineClasses_; }
  // The form keeps its own list objects: setting copies the items.
  TQevTrxTranslatableProps* QevTranslatableProps() const { return TranslatableProps_; }
  void SetQevTranslatableProps(TQevTrxTranslatableProps* Value);
  TQevTrxInlineClasses* QevInlineClasses() const { return InlineClasses_; }
  void SetQevInlineClasses(TQevTrxInlineClasses* Value);

 protected:
  // A renamed component takes its translatable property paths along.
  void ValidateRename(TComponent* AComponent, const AnsiString& CurName,
                      const AnsiString& NewName) override;

 private:
  TQevTrxTranslatableProps* TranslatableProps_;
  TQevTrxInlineClasses* InlineClasses_;
};

void Initialization_QevTrxForms();
void Finalization_QevTrxForms();

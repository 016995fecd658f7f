// Components with a property of every kind, for the form-streaming tests.
#pragma once

#include "Classes.h"

enum TShape { shCircle, shSquare, shTriangle };
QEV_ENUM_TYPEINFO(TShape, "shCircle", "shSquare", "shTriangle");
using TShapes = TSet<TShape>;
using TKeyEvent = TEvent<void(TObject* Sender, Integer Key)>;

class TTestFont : public TPersistent {
  QEV_CLASS(TTestFont, TPersistent)
 public:
  AnsiString Name = "Tahoma";
  Integer Size = 8;
  TShapes Style;
};

class TTestItem : public TCollectionItem {
  QEV_CLASS(TTestItem, TCollectionItem)
 public:
  using TCollectionItem::TCollectionItem;
  AnsiString Caption;
  Integer Width = 50;
};

// A control: a component with a parent, which writes its children.
class TTestControl : public TComponent {
  QEV_CLASS(TTestControl, TComponent)
 public:
  explicit TTestControl(TComponent* AOwner);
  ~TTestControl() override;

  Integer Left = 0;
  AnsiString Caption;
  WideString Hint;
  bool Visible = true;
  TShape Shape = shCircle;
  TShapes Shapes;
  double Ratio = 0;
  float Scale = 0;
  Currency Price;
  TDateTime When = 0;
  Int64 Big = 0;
  AnsiChar Letter = 0;
  WideChar WideLetter = 0;
  TNotifyEvent OnClick;
  TKeyEvent OnKey;
  AnsiString Data;  // the binary "Data" entry
  bool CaptionStored() const { return Caption != "(auto)"; }

  TTestControl* Buddy() const { return Buddy_; }
  void SetBuddy(TTestControl* Value);
  TTestFont* Font() const { return Font_; }
  TCollection* Items() const { return Items_; }
  TStrings* Lines() const { return Lines_; }

  TTestControl* Parent() const { return Parent_; }
  void SetParent(TTestControl* Value);
  const std::vector<TTestControl*>& Children() const { return Children_; }

  void GetChildren(TGetChildProc Proc, TComponent* Root) override;
  TComponent* GetParentComponent() const override { return Parent_; }
  bool HasParent() const override { return true; }
  void SetParentComponent(TComponent* Value) override;
  void SetChildOrder(TComponent* Child, Integer Order) override;
  void ReadState(TReader* Reader) override;
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // Names of the components whose Loaded ran, in order.
  static std::vector<AnsiString> LoadedLog;

 protected:
  void DefineProperties(TFiler* Filer) override;

 private:
  void ReadBinary(TStream* Stream);
  void WriteBinary(TStream* Stream);

  TTestControl* Buddy_ = nullptr;
  TTestFont* Font_ = new TTestFont;
  TCollection* Items_ = new TCollection(TTestItem::StaticClass());
  TStrings* Lines_ = new TStringList;
  TTestControl* Parent_ = nullptr;
  std::vector<TTestControl*> Children_;
};

class TTestTimer : public TComponent {
  QEV_CLASS(TTestTimer, TComponent)
 public:
  using TComponent::TComponent;
  Integer Interval = 1000;
};

// The root: owned components without a parent first, then its controls.
class TTestForm : public TTestControl {
  QEV_CLASS(TTestForm, TTestControl)
 public:
  using TTestControl::TTestControl;
  void GetChildren(TGetChildProc Proc, TComponent* Root) override;
  bool HasParent() const override { return false; }

  void FormClick(TObject*) { ++Clicks; }
  void ButtonClick(TObject*) { ++Clicks; }
  void KeyPressed(TObject*, Integer) {}
  int Clicks = 0;
};

// Caption redeclared as never stored.
class TTestLabel : public TTestControl {
  QEV_CLASS(TTestLabel, TTestControl)
 public:
  using TTestControl::TTestControl;
};

// Registers the classes above for reading.
void RegisterTestClasses();

#include "FormTestClasses.h"

#include <algorithm>

QEV_DEFINE_CLASS(TTestFont,
                 QEV_PROPERTY(Name, Name, Name),
                 QEV_PROPERTY(Size, Size, Size).Default(8),
                 QEV_PROPERTY(Style, Style, Style).Default(TShapes{}))

QEV_DEFINE_CLASS(TTestItem,
                 QEV_PROPERTY(Caption, Caption, Caption),
                 QEV_PROPERTY(Width, Width, Width).Default(50))

QEV_DEFINE_CLASS(TTestControl,
                 QEV_PROPERTY(Left, Left, Left),
                 QEV_PROPERTY(Caption, Caption, Caption).Stored<&Self::CaptionStored>(),
                 QEV_PROPERTY(Hint, Hint, Hint),
                 QEV_PROPERTY(Visible, Visible, Visible).Default(true),
                 QEV_PROPERTY(Shape, Shape, Shape).Default(shCircle),
                 QEV_PROPERTY(Shapes, Shapes, Shapes).Default(TShapes{}),
                 QEV_PROPERTY(Ratio, Ratio, Ratio),
                 QEV_PROPERTY(Scale, Scale, Scale),
                 QEV_PROPERTY(Price, Price, Price),
                 QEV_PROPERTY(When, When, When).Type(TypeInfoTDateTime()),
                 QEV_PROPERTY(Big, Big, Big).Default(0),
                 QEV_PROPERTY(Letter, Letter, Letter).Default(0),
                 QEV_PROPERTY(WideLetter, WideLetter, WideLetter).Default(0),
                 QEV_PROPERTY(Buddy, Buddy, SetBuddy),
                 QEV_READONLY_PROPERTY(Font, Font),
                 QEV_READONLY_PROPERTY(Items, Items),
                 QEV_READONLY_PROPERTY(Lines, Lines),
                 QEV_PROPERTY(OnClick, OnClick, OnClick),
                 QEV_PROPERTY(OnKey, OnKey, OnKey))

QEV_DEFINE_CLASS(TTestTimer, QEV_PROPERTY(Interval, Interval, Interval).Default(1000))

QEV_DEFINE_CLASS(TTestForm,
                 QEV_METHOD(FormClick),
                 QEV_METHOD(ButtonClick),
                 QEV_METHOD(KeyPressed))

QEV_DEFINE_CLASS(TTestLabel, QEV_PROPERTY(Caption, Caption, Caption).NotStored())

std::vector<AnsiString> TTestControl::LoadedLog;

TTestControl::TTestControl(TComponent* AOwner) : TComponent(AOwner) {}

TTestControl::~TTestControl() {
  SetParent(nullptr);
  for (TTestControl* child : Children_) child->Parent_ = nullptr;
  delete Font_;
  delete Items_;
  delete Lines_;
}

void TTestControl::SetBuddy(TTestControl* Value) {
  if (Buddy_) Buddy_->RemoveFreeNotification(this);
  Buddy_ = Value;
  if (Buddy_) Buddy_->FreeNotification(this);
}

void TTestControl::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == Buddy_) Buddy_ = nullptr;
}

void TTestControl::SetParent(TTestControl* Value) {
  if (Parent_) {
    auto& siblings = Parent_->Children_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  Parent_ = Value;
  if (Parent_) Parent_->Children_.push_back(this);
}

void TTestControl::GetChildren(TGetChildProc Proc, TComponent* Root) {
  for (TTestControl* child : Children_)
    if (child->Owner() == Root) Proc(child);
}

void TTestControl::SetParentComponent(TComponent* Value) {
  SetParent(dynamic_cast<TTestControl*>(Value));
}

void TTestControl::SetChildOrder(TComponent* Child, Integer Order) {
  auto it = std::find(Children_.begin(), Children_.end(), Child);
  if (it == Children_.end() || Order < 0 || Order >= static_cast<Integer>(Children_.size())) return;
  Children_.erase(it);
  Children_.insert(Children_.begin() + Order, static_cast<TTestControl*>(Child));
}

void TTestControl::ReadState(TReader* Reader) {
  if (auto* parent = dynamic_cast<TTestControl*>(Reader->Parent())) SetParent(parent);
  TComponent::ReadState(Reader);
}

void TTestControl::Loaded() {
  TComponent::Loaded();
  LoadedLog.push_back(Name());
}

void TTestControl::DefineProperties(TFiler* Filer) {
  TComponent::DefineProperties(Filer);
  Filer->DefineBinaryProperty("Data", TStreamProc::Bind<&TTestControl::ReadBinary>(this),
                              TStreamProc::Bind<&TTestControl::WriteBinary>(this), !Data.empty());
}

void TTestControl::ReadBinary(TStream* Stream) {
  Data.resize(static_cast<std::size_t>(Stream->Size()));
  Stream->ReadBuffer(Data.data(), static_cast<Int64>(Data.size()));
}

void TTestControl::WriteBinary(TStream* Stream) {
  Stream->WriteBuffer(Data.data(), static_cast<Int64>(Data.size()));
}

void TTestForm::GetChildren(TGetChildProc Proc, TComponent* Root) {
  for (Integer i = 0; i < ComponentCount(); ++i)
    if (!Components(i)->HasParent()) Proc(Components(i));
  TTestControl::GetChildren(Proc, Root);
}

void RegisterTestClasses() {
  RegisterClasses({TTestControl::StaticClass(), TTestTimer::StaticClass(),
                   TTestForm::StaticClass(), TTestLabel::StaticClass()});
}

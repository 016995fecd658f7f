// Pictures of any registered format.
#include <memory>
#include <vector>

#include "Graphics.h"

QEV_RESOURCESTRING(Graphics, SUnknownExtension, L"Unknown picture file extension (.%s)");

// ----------------------------------------------------------------- picture

namespace {

struct TFileFormat {
  AnsiString Extension;
  AnsiString Description;
  const TClass* GraphicClass;
};
std::vector<TFileFormat> FileFormats;

const TClass* FindFormat(const AnsiString& Extension) {
  for (auto it = FileFormats.rbegin(); it != FileFormats.rend(); ++it)
    if (SameText(it->Extension, Extension)) return it->GraphicClass;
  return nullptr;
}

const TClass* FindGraphicClass(const AnsiString& ClassName) {
  for (const TFileFormat& f : FileFormats)
    if (f.GraphicClass->ClassNameIs(ClassName)) return f.GraphicClass;
  return nullptr;
}

TGraphic* NewGraphic(const TClass* GraphicClass) {
  TClassFactory factory = GraphicClass->Factory();
  if (!factory) throw EInvalidGraphic(SInvalidPropertyValue);
  return static_cast<TGraphic*>(factory(nullptr));
}

}  // namespace

QEV_DEFINE_CLASS(TPicture)

TPicture::~TPicture() { delete Graphic_; }

void TPicture::RegisterFileFormat(const AnsiString& Extension, const AnsiString& Description,
                                  const TClass* GraphicClass) {
  FileFormats.push_back({Extension, Description, GraphicClass});
}

void TPicture::UnregisterGraphicClass(const TClass* GraphicClass) {
  std::erase_if(FileFormats, [&](const TFileFormat& f) { return f.GraphicClass == GraphicClass; });
}

void TPicture::Assign(TPersistent* Source) {
  if (!Source)
    SetGraphic(nullptr);
  else if (auto* picture = dynamic_cast<TPicture*>(Source))
    SetGraphic(picture->Graphic_);
  else if (auto* graphic = dynamic_cast<TGraphic*>(Source))
    SetGraphic(graphic);
  else
    TPersistent::Assign(Source);
}

void TPicture::AssignTo(TPersistent* Dest) {
  if (Graphic_ && dynamic_cast<TGraphic*>(Dest))
    Dest->Assign(Graphic_);
  else
    TPersistent::AssignTo(Dest);
}

void TPicture::SetGraphic(TGraphic* Value) {
  if (!Value) return Replace(nullptr);
  std::unique_ptr<TGraphic> copy(NewGraphic(Value->ClassType()));
  copy->Assign(Value);
  Replace(copy.release());
}

void TPicture::Replace(TGraphic* Value) {
  if (Value != Graphic_) delete Graphic_;
  Graphic_ = Value;
  if (Graphic_) Graphic_->OnChange = TNotifyEvent::Bind<&TPicture::Changed>(this);
  Changed(this);
}

template <typename T>
T* TPicture::ForceGraphic() {
  if (auto* graphic = dynamic_cast<T*>(Graphic_)) return graphic;
  auto* graphic = new T;
  Replace(graphic);
  return graphic;
}

TBitmap* TPicture::Bitmap() { return ForceGraphic<TBitmap>(); }
TIcon* TPicture::Icon() { return ForceGraphic<TIcon>(); }

void TPicture::LoadFromFile(const AnsiString& FileName) {
  std::size_t dot = FileName.find_last_of(".\\/:");
  AnsiString ext = dot != AnsiString::npos && FileName[dot] == '.' ? FileName.substr(dot + 1) : "";
  const TClass* graphicClass = FindFormat(ext);
  if (!graphicClass) throw EInvalidGraphic(SUnknownExtension, {ext});
  std::unique_ptr<TGraphic> graphic(NewGraphic(graphicClass));
  graphic->LoadFromFile(FileName);
  Replace(graphic.release());
}

void TPicture::SaveToFile(const AnsiString& FileName) {
  if (Graphic_) Graphic_->SaveToFile(FileName);
}

void TPicture::Changed(TObject*) {
  if (OnChange) OnChange(this);
}

void TPicture::DefineProperties(TFiler* Filer) {
  Filer->DefineBinaryProperty("Data", TStreamProc::Bind<&TPicture::ReadData>(this),
                              TStreamProc::Bind<&TPicture::WriteData>(this), Graphic_ != nullptr);
}

// A class that is not registered leaves the picture empty.
void TPicture::ReadData(TStream* Stream) {
  Byte length = 0;
  Stream->ReadBuffer(&length, 1);
  AnsiString className(length, '\0');
  Stream->ReadBuffer(className.data(), length);
  const TClass* graphicClass = FindGraphicClass(className);
  std::unique_ptr<TGraphic> graphic(graphicClass ? NewGraphic(graphicClass) : nullptr);
  if (graphic) graphic->ReadData(Stream);
  Replace(graphic.release());
}

void TPicture::WriteData(TStream* Stream) {
  AnsiString className = Graphic_->ClassName();
  Byte length = static_cast<Byte>(className.size());
  Stream->WriteBuffer(&length, 1);
  Stream->WriteBuffer(className.data(), length);
  Graphic_->WriteData(Stream);
}

// Helpers shared by the Classes unit's implementation files.
#pragma once

// Puts a variable back as it was when this goes.
template <typename T>
class TRestore {
 public:
  explicit TRestore(T& var) : Var_(var), Old_(var) {}
  ~TRestore() { Var_ = Old_; }
  TRestore(const TRestore&) = delete;
  TRestore& operator=(const TRestore&) = delete;

 private:
  T& Var_;
  T Old_;
};

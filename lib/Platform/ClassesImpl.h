// Helpers shared by the Classes unit's implementation files.
#pragma once

// Puts a variable back as it was when this goes.
template <typename T>
class TRestore {
 public:
  explicit TRestore(T& var) : Var_(var), Old_(var) {}
  // Sets the variable to Value for the life of this.
  TRestore(T& var, T Value) : Var_(var), Old_(var) { Var_ = Value; }
  ~TRestore() { Var_ = Old_; }
  TRestore(const TRestore&) = delete;
  TRestore& operator=(const TRestore&) = delete;

 private:
  T& Var_;
  T Old_;
};

// Helpers shared by the FormStream module's implementation files.
#pragma once

#include <cstddef>
#include <limits>
#include <string>

static_assert(std::numeric_limits<long double>::digits == 64,
              "the stream's extended values are the 10-byte x87 format");

namespace FormStreamImpl {

// Objects, lists and collections inside each other; forms nest a few levels,
// so this only stops a damaged stream from exhausting the stack.
constexpr int MaxNesting = 256;

class TNesting {
 public:
  explicit TNesting(int& Depth) : Depth_(Depth) { ++Depth_; }
  ~TNesting() { --Depth_; }
  TNesting(const TNesting&) = delete;
  TNesting& operator=(const TNesting&) = delete;
  bool TooDeep() const { return Depth_ > MaxNesting; }

 private:
  int& Depth_;
};

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

inline char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

inline bool SameAscii(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

}  // namespace FormStreamImpl

// Build tool: collects the resource strings that the given sources declare with
// QEV_RESOURCESTRING(Unit, Name, L"text"), numbers them from 65535 downwards and
// writes
//   <out>.rc     string-table blocks (resource type 6), language neutral
//   <out>.drc    the identifier map: UTF-16LE lines "id=Unit_Name" CR LF
//   <out>.S      a section "QEV.DRC" holding exactly the bytes of <out>.drc
//                (byte alignment, so that its size is not padded)
// Usage: ResStringGen <out> <source>...
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Utf16 = std::u16string;

struct ResString {
  std::string Ident;  // Unit_Name
  Utf16 Text;
  std::string Where;
};

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
  throw std::runtime_error(where + ": " + what);
}

void AppendCodePoint(Utf16& out, uint32_t cp) {
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (cp >> 10));
    out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  } else {
    out += static_cast<char16_t>(cp);
  }
}

class Scanner {
 public:
  Scanner(const std::string& text, const std::string& file) : S_(text), File_(file) {}

  // Finds the next declaration; false at the end of the text.
  bool Next(ResString& rs) {
    static const std::string kMacro = "QEV_RESOURCESTRING(";
    for (;;) {
      size_t at = S_.find(kMacro, P_);
      if (at == std::string::npos) return false;
      P_ = at + kMacro.size();
      if (at > 0 && (isalnum(static_cast<unsigned char>(S_[at - 1])) || S_[at - 1] == '_')) continue;
      if (IsDefineLine(at)) continue;
      rs.Where = File_ + ":" + std::to_string(LineOf(at));
      std::string unit = Identifier(rs.Where);
      Expect(',', rs.Where);
      std::string name = Identifier(rs.Where);
      Expect(',', rs.Where);
      rs.Text = Literals(rs.Where);
      Expect(')', rs.Where);
      rs.Ident = unit + "_" + name;
      return true;
    }
  }

 private:
  // The macro's own definition is not a declaration.
  bool IsDefineLine(size_t at) const {
    size_t bol = S_.rfind('\n', at);
    bol = bol == std::string::npos ? 0 : bol + 1;
    return S_.substr(bol, at - bol).find("#define") != std::string::npos;
  }
  int LineOf(size_t at) const { return 1 + static_cast<int>(std::count(S_.begin(), S_.begin() + at, '\n')); }
  void SkipBlanks() {
    while (P_ < S_.size() && isspace(static_cast<unsigned char>(S_[P_]))) ++P_;
  }
  void Expect(char c, const std::string& where) {
    SkipBlanks();
    if (P_ >= S_.size() || S_[P_] != c) Fail(where, std::string("expected '") + c + "'");
    ++P_;
  }
  std::string Identifier(const std::string& where) {
    SkipBlanks();
    size_t start = P_;
    while (P_ < S_.size() && (isalnum(static_cast<unsigned char>(S_[P_])) || S_[P_] == '_')) ++P_;
    if (start == P_) Fail(where, "expected an identifier");
    return S_.substr(start, P_ - start);
  }
  // One or more adjacent wide literals.
  Utf16 Literals(const std::string& where) {
    Utf16 text;
    SkipBlanks();
    if (S_.compare(P_, 2, "L\"") != 0) Fail(where, "expected a wide string literal L\"...\"");
    while (S_.compare(P_, 2, "L\"") == 0) {
      P_ += 2;
      Literal(text, where);
      SkipBlanks();
    }
    return text;
  }
  uint32_t Hex(size_t maxDigits, const std::string& where) {
    uint32_t v = 0;
    size_t n = 0;
    while (n < maxDigits && P_ < S_.size() && isxdigit(static_cast<unsigned char>(S_[P_]))) {
      v = v * 16 + static_cast<uint32_t>(std::stoi(S_.substr(P_++, 1), nullptr, 16));
      ++n;
    }
    if (n == 0) Fail(where, "bad hexadecimal escape");
    return v;
  }
  void Literal(Utf16& text, const std::string& where) {
    while (P_ < S_.size() && S_[P_] != '"') {
      unsigned char c = static_cast<unsigned char>(S_[P_]);
      if (c == '\n') Fail(where, "unterminated literal");
      if (c == '\\') {
        ++P_;
        char e = P_ < S_.size() ? S_[P_++] : '\0';
        switch (e) {
          case 'n': text += u'\n'; break;
          case 'r': text += u'\r'; break;
          case 't': text += u'\t'; break;
          case '0': text += u'\0'; break;
          case '\\': case '"': case '\'': case '?': text += static_cast<char16_t>(e); break;
          case 'x': {
            uint32_t v = Hex(8, where);
            if (v > 0xFFFF) Fail(where, "hexadecimal escape beyond 16 bits");
            text += static_cast<char16_t>(v);
            break;
          }
          case 'u': AppendCodePoint(text, Hex(4, where)); break;
          case 'U': AppendCodePoint(text, Hex(8, where)); break;
          default: Fail(where, std::string("unsupported escape \\") + e);
        }
        continue;
      }
      // UTF-8 source text.
      int extra = c < 0x80 ? 0 : c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
      if (extra < 0 || P_ + extra >= S_.size()) Fail(where, "malformed UTF-8 in literal");
      uint32_t cp = extra == 0 ? c : c & (0x3F >> extra);
      for (int i = 1; i <= extra; ++i) cp = (cp << 6) | (static_cast<unsigned char>(S_[P_ + i]) & 0x3F);
      P_ += 1 + extra;
      AppendCodePoint(text, cp);
    }
    if (P_ >= S_.size()) Fail(where, "unterminated literal");
    ++P_;
  }

  const std::string& S_;
  std::string File_;
  size_t P_ = 0;
};

std::string ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + name);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& name, const std::string& bytes) {
  // Leave an unchanged file alone so that dependent steps do not rerun.
  std::ifstream in(name, std::ios::binary);
  if (in) {
    std::ostringstream s;
    s << in.rdbuf();
    if (s.str() == bytes) return;
  }
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + name);
}

void PutUtf16(std::string& out, const Utf16& text) {
  for (char16_t c : text) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
}

Utf16 Ascii(const std::string& s) { return Utf16(s.begin(), s.end()); }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: ResStringGen <out> <source>...\n";
    return 2;
  }
  try {
    const std::string out = argv[1];
    std::map<std::string, ResString> all;
    for (int i = 2; i < argc; ++i) {
      const std::string text = ReadFile(argv[i]);
      Scanner scan(text, argv[i]);
      ResString rs;
      while (scan.Next(rs)) {
        auto [it, added] = all.emplace(rs.Ident, rs);
        if (!added) Fail(rs.Where, rs.Ident + " is already declared at " + it->second.Where);
      }
    }
    if (all.size() > 0x8000) throw std::runtime_error("too many resource strings");

    // Identifiers run up to 65535 without gaps, in the order of the names.
    const int first = 0x10000 - static_cast<int>(all.size());
    std::map<int, std::vector<Utf16>> blocks;  // block number -> 16 entries
    std::string drc;
    int id = first;
    for (const auto& [ident, rs] : all) {
      auto& block = blocks[(id >> 4) + 1];
      block.resize(16);
      block[id & 15] = rs.Text;
      PutUtf16(drc, Ascii(std::to_string(id) + "=" + ident + "\r\n"));
      ++id;
    }

    std::string rc = "LANGUAGE 0, 0\n";
    std::uint64_t digest = 14695981039346656037ull;  // FNV-1a of every block
    for (const auto& [number, entries] : blocks) {
      std::string bin;
      for (const Utf16& e : entries) {
        if (e.size() > 0xFFFF) throw std::runtime_error("resource string too long");
        PutUtf16(bin, Utf16(1, static_cast<char16_t>(e.size())));
        PutUtf16(bin, e);
      }
      const std::string binName = out + ".block" + std::to_string(number) + ".bin";
      WriteFile(binName, bin);
      for (unsigned char c : bin) digest = (digest ^ c) * 1099511628211ull;
      rc += std::to_string(number) + " 6 \"" + binName + "\"\n";
    }
    // The script names the blocks only; its digest changes with their texts so
    // that the build compiles it again when a text changes.
    rc += "/* blocks " + std::to_string(digest) + " */\n";
    WriteFile(out + ".rc", rc);
    WriteFile(out + ".drc", drc);
    WriteFile(out + ".S", "\t.section QEV.DRC,\"dr0\"\n\t.incbin \"" + out + ".drc\"\n");
  } catch (const std::exception& e) {
    std::cerr << "ResStringGen: " << e.what() << "\n";
    return 1;
  }
  return 0;
}

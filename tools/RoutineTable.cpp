// Build tool: gives a linked program its routine table, the names the exception
// report shows for code addresses (Windows' own symbol reader cannot read the
// compiler's DWARF). It lists the program's code symbols with the cross nm,
// demangles them without parameter lists (c++filt -p; the lists would double
// the table), optionally strips the program, and adds the table as the section
// "QEV.SYM" with the cross objcopy.
//
// Table (little endian): "QSYM", count (u32), size of the name text (u32),
// count routine starts as RVAs, ascending, each as the LEB128 difference to
// the one before, then the name text compressed. The name text is the count
// names, each ended by a NUL. The compression is a byte-wise LZ77: a byte t
// below 0x80 is followed by t + 1 literal bytes; a byte t from 0x80 on copies
// (t & 0x7F) + 3 bytes from the distance that the next two bytes give.
//
// Usage: RoutineTable <binutils prefix> <program> <table file> [--strip]
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

struct Symbol {
  uint64_t Address = 0;
  bool Global = false;
  std::string Name;
};

struct PeFacts {
  bool I386 = false;
  uint64_t ImageBase = 0;
  uint64_t SizeOfImage = 0;
  std::vector<std::string> Sections;
};

[[noreturn]] void Fail(const std::string& what) { throw std::runtime_error(what); }

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// ------------------------------------------------------------ running tools

std::vector<std::string> OutputLines(const std::string& command) {
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) Fail("cannot run " + command);
  std::vector<std::string> lines;
  std::string line;
  for (int c; (c = fgetc(pipe)) != EOF;) {
    if (c != '\n') {
      line += static_cast<char>(c);
      continue;
    }
    lines.push_back(line);
    line.clear();
  }
  if (!line.empty()) lines.push_back(line);
  if (pclose(pipe) != 0) Fail("failed: " + command);
  return lines;
}

void Run(const std::string& command) {
  if (std::system(command.c_str()) != 0) Fail("failed: " + command);
}

// ------------------------------------------------------------ the image

uint32_t U32(const std::string& d, size_t at) {
  if (at + 4 > d.size()) Fail("truncated image");
  return static_cast<uint32_t>(static_cast<unsigned char>(d[at])) |
         static_cast<uint32_t>(static_cast<unsigned char>(d[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(d[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(d[at + 3])) << 24;
}

PeFacts ReadPe(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::string d((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (d.size() < 0x40 || d.compare(0, 2, "MZ") != 0) Fail(file + ": no program image");
  size_t pe = U32(d, 0x3C);
  if (U32(d, pe) != 0x4550) Fail(file + ": no PE header");
  size_t opt = pe + 24;
  uint32_t magic = U32(d, opt) & 0xFFFF;
  PeFacts f;
  f.I386 = (U32(d, pe + 4) & 0xFFFF) == 0x14C;
  f.ImageBase = magic == 0x20B ? U32(d, opt + 24) | uint64_t(U32(d, opt + 28)) << 32 : U32(d, opt + 28);
  f.SizeOfImage = U32(d, opt + 56);
  size_t count = U32(d, pe + 4) >> 16, table = opt + (U32(d, pe + 20) & 0xFFFF);
  for (size_t i = 0; i < count; ++i) {
    std::string name = d.substr(table + 40 * i, 8);
    f.Sections.push_back(name.substr(0, name.find('\0')));
  }
  return f;
}

// ------------------------------------------------------------ the symbols

// Code symbols, one per address: a global name wins over a local one.
std::vector<Symbol> TextSymbols(const std::string& nm, const std::string& image) {
  std::vector<Symbol> symbols;
  for (const std::string& line : OutputLines(Quote(nm) + " --defined-only " + Quote(image))) {
    std::istringstream fields(line);
    std::string address, type, name;
    if (!(fields >> address >> type >> name) || (type != "T" && type != "t") || name[0] == '.')
      continue;
    symbols.push_back({std::stoull(address, nullptr, 16), type == "T", name});
  }
  std::stable_sort(symbols.begin(), symbols.end(), [](const Symbol& a, const Symbol& b) {
    return a.Address != b.Address ? a.Address < b.Address : a.Global > b.Global;
  });
  symbols.erase(std::unique(symbols.begin(), symbols.end(),
                            [](const Symbol& a, const Symbol& b) { return a.Address == b.Address; }),
                symbols.end());
  return symbols;
}

void ReplaceAll(std::string& s, const std::string& from, const std::string& to) {
  for (size_t at = 0; (at = s.find(from, at)) != std::string::npos; at += to.size())
    s.replace(at, from.size(), to);
}

// The standard strings under the names people write.
std::string Simplified(std::string name) {
  for (const char* ch : {"char", "wchar_t"}) {
    std::string c = ch;
    std::string spelled = "basic_string<" + c + ", std::char_traits<" + c + ">, std::allocator<" + c + "> >";
    std::string plain = c == "char" ? "string" : "wstring";
    ReplaceAll(name, "std::__cxx11::" + spelled, "std::" + plain);
    ReplaceAll(name, "std::" + spelled, "std::" + plain);
  }
  return name;
}

// C names of 32-bit code carry a leading underscore and, for stdcall, "@bytes".
std::string Undecorated(std::string name) {
  if (!name.empty() && name[0] == '_') name.erase(0, 1);
  size_t at = name.rfind('@');
  if (at != std::string::npos && at > 0 &&
      name.find_first_not_of("0123456789", at + 1) == std::string::npos)
    name.erase(at);
  return name;
}

void Demangle(const std::string& cxxfilt, const std::string& scratch, bool i386,
              std::vector<Symbol>& symbols) {
  {
    std::ofstream out(scratch);
    for (const Symbol& s : symbols) out << s.Name << '\n';
  }
  std::vector<std::string> names = OutputLines(Quote(cxxfilt) + " -p < " + Quote(scratch));
  std::remove(scratch.c_str());
  if (names.size() != symbols.size()) Fail("c++filt gave a different number of names");
  for (size_t i = 0; i < names.size(); ++i) {
    bool plain = names[i] == symbols[i].Name;
    symbols[i].Name = Simplified(plain && i386 ? Undecorated(names[i]) : names[i]);
  }
}

// ------------------------------------------------------------ the table

void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (8 * i) & 0xFF);
}

void PutVarint(std::string& out, uint32_t v) {
  for (; v >= 0x80; v >>= 7) out += static_cast<char>((v & 0x7F) | 0x80);
  out += static_cast<char>(v);
}

// Greedy LZ77 over a 64 KB window; the names repeat their classes and
// templates so much that this takes two thirds off.
std::string Compressed(const std::string& data) {
  constexpr size_t MinMatch = 4, MaxMatch = 0x7F + 3, Window = 0xFFFF, Tries = 32;
  std::string out, literals;
  std::unordered_map<uint32_t, std::vector<size_t>> seen;  // positions by their first 3 bytes
  auto key = [&](size_t i) {
    return static_cast<uint32_t>(static_cast<unsigned char>(data[i])) |
           static_cast<uint32_t>(static_cast<unsigned char>(data[i + 1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(data[i + 2])) << 16;
  };
  auto remember = [&](size_t i) {
    if (i + 3 <= data.size()) seen[key(i)].push_back(i);
  };
  auto flush = [&] {
    for (size_t at = 0; at < literals.size(); at += 0x80) {
      std::string run = literals.substr(at, 0x80);
      out += static_cast<char>(run.size() - 1);
      out += run;
    }
    literals.clear();
  };
  for (size_t i = 0; i < data.size();) {
    size_t best = 0, distance = 0;
    if (auto found = i + 3 <= data.size() ? seen.find(key(i)) : seen.end(); found != seen.end()) {
      const std::vector<size_t>& at = found->second;
      for (size_t k = at.size(), tries = 0; k-- > 0 && tries < Tries && i - at[k] <= Window; ++tries) {
        size_t length = 0;
        while (i + length < data.size() && length < MaxMatch && data[at[k] + length] == data[i + length])
          ++length;
        if (length > best) best = length, distance = i - at[k];
      }
    }
    if (best < MinMatch) {
      literals += data[i];
      remember(i++);
      continue;
    }
    flush();
    out += static_cast<char>(0x80 | (best - 3));
    out += static_cast<char>(distance & 0xFF);
    out += static_cast<char>(distance >> 8);
    for (size_t end = i + best; i < end; ++i) remember(i);
  }
  flush();
  return out;
}

std::string Table(const std::vector<Symbol>& symbols, uint64_t imageBase) {
  std::string starts, text;
  uint32_t count = 0, previous = 0;
  for (const Symbol& s : symbols) {
    if (s.Address < imageBase || s.Address - imageBase > UINT32_MAX || s.Name.empty()) continue;
    auto rva = static_cast<uint32_t>(s.Address - imageBase);
    PutVarint(starts, rva - previous);
    previous = rva;
    text += s.Name;
    text += '\0';
    ++count;
  }
  std::string out = "QSYM";
  PutU32(out, count);
  PutU32(out, static_cast<uint32_t>(text.size()));
  return out + starts + Compressed(text);
}

std::string Hex(uint64_t v) {
  std::ostringstream s;
  s << "0x" << std::hex << v;
  return s.str();
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc < 4 || argc > 5 || (argc == 5 && std::string(argv[4]) != "--strip"))
      Fail("usage: RoutineTable <binutils prefix> <program> <table file> [--strip]");
    std::string prefix = argv[1], image = argv[2], table = argv[3];
    PeFacts pe = ReadPe(image);
    std::vector<Symbol> symbols = TextSymbols(prefix + "nm", image);
    Demangle(prefix + "c++filt", table + ".names", pe.I386, symbols);
    std::ofstream(table, std::ios::binary) << Table(symbols, pe.ImageBase);

    std::string objcopy = Quote(prefix + "objcopy");
    std::string source = image;
    if (argc == 5) {
      source = table + ".stripped";
      Run(objcopy + " --strip-all " + Quote(image) + " " + Quote(source));
    }
    // The new section goes right after the image's last one: Windows wants
    // the sections contiguous.
    PeFacts layout = ReadPe(source);
    Run(objcopy + " --add-section QEV.SYM=" + Quote(table) +
        " --set-section-flags QEV.SYM=contents,readonly,noload --change-section-address QEV.SYM=" +
        Hex(layout.ImageBase + layout.SizeOfImage) + " " + Quote(source) + " " + Quote(image));
    if (source != image) std::remove(source.c_str());
    std::vector<std::string> sections = ReadPe(image).Sections;
    if (std::find(sections.begin(), sections.end(), "QEV.SYM") == sections.end())
      Fail(image + ": objcopy did not add the section QEV.SYM");
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "RoutineTable: " << e.what() << '\n';
    return 1;
  }
}

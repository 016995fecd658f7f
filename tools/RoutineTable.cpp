// Build tool: gives a linked program its routine table, the routine names,
// units and lines the exception report shows for code addresses (Windows' own
// symbol reader cannot read the compiler's DWARF). It lists the program's code
// symbols with the cross nm, demangles them without parameter lists (c++filt
// -p; the lists would double the table), takes the lines of the program's own
// sources from the DWARF line tables with the cross objdump, optionally strips
// the program, and adds the table (lib/QevTrx/DebugInfoTable.h) as the
// section "QEV.SYM" with the cross objcopy.
//
// Usage: RoutineTable <binutils prefix> <program> <table file> <source folder> [--strip]
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
#include <map>
#include <vector>

#include "DebugInfoTable.h"

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

// ------------------------------------------------------------ the lines

struct LineRow {
  uint64_t Address = 0;
  std::string File;  // full path
  uint32_t Line = 0;
};

std::string BaseName(const std::string& path) { return path.substr(path.find_last_of("/\\") + 1); }

// The file a line "path:" or "CU: path:" of objdump's decoded lines names;
// empty for other lines.
std::string NamedFile(const std::string& line) {
  if (line.empty() || line.back() != ':') return {};
  size_t from = line.compare(0, 4, "CU: ") == 0 ? 4 : 0;
  return line.substr(from, line.size() - 1 - from);
}

// The rows of the DWARF line tables that belong to the program's own sources,
// as objdump decodes them: a line "path:" names the file of the rows after it,
// a row reads "file line address [view] [x]" with the file's name alone. A
// unit's first rows may be of a file it names later; they are known by the
// name when no two files share it. Rows of other files (the compiler's and
// the libraries' headers) are left out, so are rows without a line.
std::vector<LineRow> SourceLines(const std::string& objdump, const std::string& image,
                                 const std::string& sourceDir) {
  std::vector<std::string> output =
      OutputLines(Quote(objdump) + " --dwarf=decodedline --wide " + Quote(image));
  std::map<std::string, std::string> paths;  // by name; empty when shared
  for (const std::string& line : output)
    if (std::string path = NamedFile(line); !path.empty())
      if (auto [known, added] = paths.emplace(BaseName(path), path); !added && known->second != path)
        known->second.clear();
  std::vector<LineRow> rows;
  std::string file;
  for (const std::string& line : output) {
    if (std::string path = NamedFile(line); !path.empty()) {
      file = path;
      continue;
    }
    std::istringstream fields(line);
    std::string name, number, address;
    if (!(fields >> name >> number >> address) || address.compare(0, 2, "0x") != 0 ||
        number.find_first_not_of("0123456789") != std::string::npos)
      continue;
    const std::string& path = name == BaseName(file) ? file : paths[name];
    bool own = path.compare(0, sourceDir.size() + 1, sourceDir + "/") == 0;
    if (auto value = std::stoul(number); own && value != 0)
      rows.push_back({std::stoull(address, nullptr, 16), path, static_cast<uint32_t>(value)});
  }
  return rows;
}

// ------------------------------------------------------------ the table

// The index of the routine that holds rva plus one; 0 before the first.
size_t RoutineOf(const std::vector<uint32_t>& starts, uint32_t rva) {
  return static_cast<size_t>(std::upper_bound(starts.begin(), starts.end(), rva) - starts.begin());
}

// The rows of each routine's own file, the one its first row names, by RVA:
// code inlined from elsewhere counts to the routine's own line before it,
// mostly the one that called it, and the report names a routine's unit the
// same all through it.
std::vector<LineRow> OwnLines(std::vector<LineRow> rows, const std::vector<uint32_t>& starts,
                              uint64_t imageBase) {
  std::stable_sort(rows.begin(), rows.end(),
                   [](const LineRow& a, const LineRow& b) { return a.Address < b.Address; });
  std::vector<LineRow> own;
  size_t routine = SIZE_MAX;
  std::string file;
  for (LineRow& row : rows) {
    if (row.Address < imageBase || row.Address - imageBase > UINT32_MAX) continue;
    row.Address -= imageBase;
    if (size_t r = RoutineOf(starts, static_cast<uint32_t>(row.Address)); r != routine)
      routine = r, file = row.File;
    if (row.File == file) own.push_back(std::move(row));
  }
  return own;
}

TDebugInfoTable Table(const std::vector<Symbol>& symbols, std::vector<LineRow> rows, uint64_t imageBase) {
  TDebugInfoTable table;
  for (const Symbol& s : symbols) {
    if (s.Address < imageBase || s.Address - imageBase > UINT32_MAX || s.Name.empty()) continue;
    table.Starts.push_back(static_cast<uint32_t>(s.Address - imageBase));
    table.Names.push_back(s.Name);
  }
  rows = OwnLines(std::move(rows), table.Starts, imageBase);
  // Of rows at one address the last holds; a row that goes on with the line
  // before adds nothing unless a routine starts between them.
  std::map<std::string, uint32_t> units;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (i + 1 < rows.size() && rows[i + 1].Address == rows[i].Address) continue;
    auto [unit, added] = units.emplace(BaseName(rows[i].File), static_cast<uint32_t>(units.size()));
    if (added) table.Units.push_back(unit->first);
    TDebugInfoTable::TLineRow row{static_cast<uint32_t>(rows[i].Address), unit->second, rows[i].Line};
    if (!table.Lines.empty()) {
      const TDebugInfoTable::TLineRow& last = table.Lines.back();
      if (last.Unit == row.Unit && last.Line == row.Line &&
          RoutineOf(table.Starts, last.Rva) == RoutineOf(table.Starts, row.Rva))
        continue;
    }
    table.Lines.push_back(row);
  }
  return table;
}

std::string Hex(uint64_t v) {
  std::ostringstream s;
  s << "0x" << std::hex << v;
  return s.str();
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc < 5 || argc > 6 || (argc == 6 && std::string(argv[5]) != "--strip"))
      Fail("usage: RoutineTable <binutils prefix> <program> <table file> <source folder> [--strip]");
    std::string prefix = argv[1], image = argv[2], table = argv[3], sourceDir = argv[4];
    PeFacts pe = ReadPe(image);
    std::vector<Symbol> symbols = TextSymbols(prefix + "nm", image);
    Demangle(prefix + "c++filt", table + ".names", pe.I386, symbols);
    std::vector<LineRow> lines = SourceLines(prefix + "objdump", image, sourceDir);
    std::ofstream(table, std::ios::binary)
        << EncodeDebugInfoTable(Table(symbols, std::move(lines), pe.ImageBase));

    std::string objcopy = Quote(prefix + "objcopy");
    std::string source = image;
    if (argc == 6) {
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

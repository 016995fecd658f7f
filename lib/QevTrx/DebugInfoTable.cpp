#include "DebugInfoTable.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace {

// ---------------------------------------------------------------- writing

void PutU32(std::string& Out, uint32_t V) {
  for (int i = 0; i < 4; ++i) Out += static_cast<char>(V >> (8 * i) & 0xFF);
}

void PutVarint(std::string& Out, uint32_t V) {
  for (; V >= 0x80; V >>= 7) Out += static_cast<char>((V & 0x7F) | 0x80);
  Out += static_cast<char>(V);
}

uint32_t ZigZag(int64_t V) { return static_cast<uint32_t>(V < 0 ? -2 * V - 1 : 2 * V); }

// Greedy LZ77 over a 64 KB window; the names repeat their classes and
// templates so much that this takes two thirds off.
std::string Compressed(const std::string& Data) {
  constexpr size_t MinMatch = 4, MaxMatch = 0x7F + 3, Window = 0xFFFF, Tries = 32;
  std::string out, literals;
  std::unordered_map<uint32_t, std::vector<size_t>> seen;  // positions by their first 3 bytes
  auto key = [&](size_t i) {
    return static_cast<uint32_t>(static_cast<unsigned char>(Data[i])) |
           static_cast<uint32_t>(static_cast<unsigned char>(Data[i + 1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(Data[i + 2])) << 16;
  };
  auto remember = [&](size_t i) {
    if (i + 3 <= Data.size()) seen[key(i)].push_back(i);
  };
  auto flush = [&] {
    for (size_t at = 0; at < literals.size(); at += 0x80) {
      std::string run = literals.substr(at, 0x80);
      out += static_cast<char>(run.size() - 1);
      out += run;
    }
    literals.clear();
  };
  for (size_t i = 0; i < Data.size();) {
    size_t best = 0, distance = 0;
    if (auto found = i + 3 <= Data.size() ? seen.find(key(i)) : seen.end(); found != seen.end()) {
      const std::vector<size_t>& at = found->second;
      for (size_t k = at.size(), tries = 0; k-- > 0 && tries < Tries && i - at[k] <= Window; ++tries) {
        size_t length = 0;
        while (i + length < Data.size() && length < MaxMatch && Data[at[k] + length] == Data[i + length])
          ++length;
        if (length > best) best = length, distance = i - at[k];
      }
    }
    if (best < MinMatch) {
      literals += Data[i];
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

// ---------------------------------------------------------------- reading

// Reads a table that may be damaged: every read is checked against the end.
class TTableReader {
 public:
  TTableReader(const unsigned char* Data, size_t Size) : P_(Data), End_(Data + Size) {}

  bool U32(uint32_t& Value) {
    if (End_ - P_ < 4) return false;
    Value = static_cast<uint32_t>(P_[0]) | static_cast<uint32_t>(P_[1]) << 8 |
            static_cast<uint32_t>(P_[2]) << 16 | static_cast<uint32_t>(P_[3]) << 24;
    P_ += 4;
    return true;
  }

  bool Varint(uint32_t& Value) {
    Value = 0;
    for (int shift = 0; P_ < End_ && shift < 32; shift += 7) {
      unsigned char b = *P_++;
      Value |= static_cast<uint32_t>(b & 0x7F) << shift;
      if (b < 0x80) return true;
    }
    return false;
  }

  bool Decompress(size_t Size, std::string& Text) {
    Text.reserve(Size);
    while (Text.size() < Size && P_ < End_) {
      unsigned char b = *P_++;
      if (b < 0x80) {
        size_t n = b + 1u;
        if (static_cast<size_t>(End_ - P_) < n) return false;
        Text.append(reinterpret_cast<const char*>(P_), n);
        P_ += n;
        continue;
      }
      if (End_ - P_ < 2) return false;
      size_t distance = P_[0] | P_[1] << 8;
      P_ += 2;
      if (distance == 0 || distance > Text.size()) return false;
      for (size_t n = (b & 0x7Fu) + 3; n > 0; --n) Text += Text[Text.size() - distance];
    }
    return Text.size() == Size;
  }

 private:
  const unsigned char* P_;
  const unsigned char* End_;
};

bool ReadStarts(TTableReader& In, uint32_t Count, std::vector<uint32_t>& Starts) {
  uint64_t rva = 0;
  for (uint32_t i = 0; i < Count; ++i) {
    uint32_t delta = 0;
    if (!In.Varint(delta) || (rva += delta) > UINT32_MAX) return false;
    Starts.push_back(static_cast<uint32_t>(rva));
  }
  return true;
}

bool SplitNames(const std::string& Text, uint32_t Count, uint32_t UnitCount, TDebugInfoTable& Table) {
  size_t at = 0;
  for (uint32_t i = 0; i < Count + UnitCount; ++i) {
    size_t nul = Text.find('\0', at);
    if (nul == std::string::npos) return false;
    (i < Count ? Table.Names : Table.Units).push_back(Text.substr(at, nul - at));
    at = nul + 1;
  }
  return true;
}

bool ReadLines(TTableReader& In, uint32_t Count, size_t UnitCount,
               std::vector<TDebugInfoTable::TLineRow>& Lines) {
  int64_t line = 0;
  uint64_t rva = 0;
  uint32_t unit = 0;
  for (uint32_t i = 0; i < Count; ++i) {
    uint32_t step = 0, delta = 0;
    if (!In.Varint(step)) return false;
    if ((step & 1) && (!In.Varint(unit) || unit >= UnitCount)) return false;
    uint32_t zigzag = step >> 1;
    line += zigzag & 1 ? -static_cast<int64_t>(zigzag >> 1) - 1 : zigzag >> 1;
    if (line < 0 || line > UINT32_MAX || !In.Varint(delta) || (rva += delta) > UINT32_MAX) return false;
    Lines.push_back({static_cast<uint32_t>(rva), unit, static_cast<uint32_t>(line)});
  }
  return true;
}

}  // namespace

TDebugInfoTable::TLocation TDebugInfoTable::Find(uint32_t Rva) const {
  TLocation location;
  auto after = std::upper_bound(Starts.begin(), Starts.end(), Rva);
  if (after == Starts.begin()) return location;
  size_t i = static_cast<size_t>(after - Starts.begin()) - 1;
  location.Routine = &Names[i];
  location.Start = Starts[i];
  auto row = std::upper_bound(Lines.begin(), Lines.end(), Rva,
                              [](uint32_t r, const TLineRow& l) { return r < l.Rva; });
  // A row before the routine's start belongs to the routine before it.
  if (row != Lines.begin() && (--row)->Rva >= location.Start) {
    location.Unit = &Units[row->Unit];
    location.Line = row->Line;
  }
  return location;
}

std::string EncodeDebugInfoTable(const TDebugInfoTable& Table) {
  std::string starts, text, lines;
  uint32_t previous = 0;
  for (uint32_t start : Table.Starts) {
    PutVarint(starts, start - previous);
    previous = start;
  }
  for (const std::vector<std::string>* names : {&Table.Names, &Table.Units})
    for (const std::string& name : *names) text += name + '\0';
  TDebugInfoTable::TLineRow last;
  for (const TDebugInfoTable::TLineRow& row : Table.Lines) {
    bool unitChanges = row.Unit != last.Unit;
    PutVarint(lines, ZigZag(int64_t(row.Line) - last.Line) << 1 | unitChanges);
    if (unitChanges) PutVarint(lines, row.Unit);
    PutVarint(lines, row.Rva - last.Rva);
    last = row;
  }
  std::string out = "QSYM";
  for (size_t count : {Table.Starts.size(), Table.Units.size(), Table.Lines.size(), text.size()})
    PutU32(out, static_cast<uint32_t>(count));
  return out + starts + Compressed(text) + lines;
}

TDebugInfoTable DecodeDebugInfoTable(const unsigned char* Data, size_t Size) {
  if (Size < 4 || std::memcmp(Data, "QSYM", 4) != 0) return {};
  TTableReader in(Data + 4, Size - 4);
  uint32_t count = 0, unitCount = 0, lineCount = 0, textSize = 0;
  // Every routine and line row takes a byte at least; the text expands 43 times at most.
  if (!in.U32(count) || !in.U32(unitCount) || !in.U32(lineCount) || !in.U32(textSize) || count > Size ||
      lineCount > Size || textSize / 43 > Size || unitCount > textSize)
    return {};
  TDebugInfoTable table;
  std::string text;
  if (!ReadStarts(in, count, table.Starts) || !in.Decompress(textSize, text) ||
      !SplitNames(text, count, unitCount, table) || !ReadLines(in, lineCount, unitCount, table.Lines))
    return {};
  return table;
}

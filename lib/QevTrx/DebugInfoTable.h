// The table each program carries as its section "QEV.SYM", from which the
// exception report names the routine, unit (source file) and line of a code
// address: Windows' own symbol reader cannot read the compiler's DWARF. The
// build writes it (tools/RoutineTable.cpp) and the report reads it; both
// compile this file, which needs the standard library only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TDebugInfoTable {
  // Where a line's code starts; it runs up to the next row or routine start.
  struct TLineRow {
    uint32_t Rva = 0;
    uint32_t Unit = 0;  // index into Units
    uint32_t Line = 0;
  };
  // What the table knows of an address: Routine null when nothing, Unit null
  // when no line.
  struct TLocation {
    const std::string* Routine = nullptr;
    uint32_t Start = 0;  // the routine's RVA
    const std::string* Unit = nullptr;
    uint32_t Line = 0;
  };

  std::vector<uint32_t> Starts;  // routine starts as RVAs, ascending
  std::vector<std::string> Names;  // one per start
  std::vector<std::string> Units;
  std::vector<TLineRow> Lines;  // ascending RVA

  TLocation Find(uint32_t Rva) const;
};

// Layout (little endian): "QSYM", the counts of routines, units and line rows
// and the size of the text (u32 each); the routine starts, each as the LEB128
// difference to the one before; the text compressed: the routine names, then
// the unit names, each ended by a NUL; then per line row the LEB128 of its
// line difference (zigzag) shifted left by one with bit 0 set when the unit
// changes, the new unit's index when it does, and the LEB128 difference of its
// RVA. The compression is a byte-wise LZ77: a byte t below 0x80 is followed by
// t + 1 literal bytes; a byte t from 0x80 on copies (t & 0x7F) + 3 bytes from
// the distance that the next two bytes give.
std::string EncodeDebugInfoTable(const TDebugInfoTable& Table);
// A damaged table gives an empty one: no names rather than wrong ones.
TDebugInfoTable DecodeDebugInfoTable(const unsigned char* Data, size_t Size);

// The statistics that the settings dialog edits in masked edits (the people
// counts, the dates and the growth per second), between the figure as stored
// and the text of its edit.
//
// A figure goes into its edit in the mask's own shape, its digits padded with
// zeros: "8100000000" shows as "8,100,000,000", "5.7" as "05.70", "7/1/2002"
// as "07/01/2002". What an edit shows comes back as the same figure without
// that padding, in the form the saver's defaults are written in:
//   counts:   digits grouped by three with ",", no leading zero ("1,234", "0");
//   dates:    "mm/dd/yyyy" ("07/01/2002");
//   decimals: no leading zero before the point, no trailing zero after it and
//             no point without a fraction ("5.7", "0.5", "12").
// Blanks are padding too where they stand before a count's first digit or at
// either end of a month, a day, a whole part or a fraction. A year has no
// padding: one or two digits are read with a century window.
#pragma once

#include <optional>

#include "Mask.h"
#include "defaults.h"

// Statistic Index's Figure as Mask shows it; none when Index is not a masked
// statistic or Mask cannot hold Figure as the same value (more digits than
// places, a sign, an exponent, a short year).
std::optional<AnsiString> FigureEditText(TStatIndex Index, const WideString& Figure,
                                         const TEditMask& Mask);
// The figure that EditText (as the edit shows it, of Mask's shape) holds;
// none when it holds none (a blank between digits, a part without a digit).
std::optional<WideString> EditTextFigure(TStatIndex Index, const AnsiString& EditText,
                                         const TEditMask& Mask);

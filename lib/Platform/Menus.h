// Menu shortcuts and their texts.
#pragma once

#include "Classes.h"

constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;

// Names of keys and modifiers in shortcut texts.
extern const TResStringRec SmkcBkSp;   // "BkSp"
extern const TResStringRec SmkcTab;    // "Tab"
extern const TResStringRec SmkcEsc;    // "Esc"
extern const TResStringRec SmkcEnter;  // "Enter"
extern const TResStringRec SmkcSpace;  // "Space"
extern const TResStringRec SmkcPgUp;   // "PgUp"
extern const TResStringRec SmkcPgDn;   // "PgDn"
extern const TResStringRec SmkcEnd;    // "End"
extern const TResStringRec SmkcHome;   // "Home"
extern const TResStringRec SmkcLeft;   // "Left"
extern const TResStringRec SmkcUp;     // "Up"
extern const TResStringRec SmkcRight;  // "Right"
extern const TResStringRec SmkcDown;   // "Down"
extern const TResStringRec SmkcIns;    // "Ins"
extern const TResStringRec SmkcDel;    // "Del"
extern const TResStringRec SmkcShift;  // "Shift+"
extern const TResStringRec SmkcCtrl;   // "Ctrl+"
extern const TResStringRec SmkcAlt;    // "Alt+"

// "Shift+Ctrl+Alt+" as set, then the key's name; empty when the key has no name.
AnsiString ShortCutToText(TShortCut ShortCut);

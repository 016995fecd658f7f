// Wide shortcut texts and the hot-key marks of wide captions.
#pragma once

#include "Menus.h"

// The key names come from the keyboard layout on NT; elsewhere, and for the
// keys the platform names itself, the platform's text. Empty when the key has
// no name, whatever the modifiers.
WideString WideShortCutToText(TShortCut ShortCut);
// Modifier prefixes are case-sensitive ("^" is Ctrl), the key name is not;
// 0 when the text names no shortcut.
TShortCut WideTextToShortCut(WideString Text);

// 1-based index of the character after the last single "&"; 0 when none.
Integer FindHotKeyIndex(const WideString& Caption);
// The marked character; a marked surrogate pair stays whole. Empty when none.
WideString HotKeyOfCaption(const WideString& Caption);
// "&&" gives "&"; on a far-east system "(&F)" groups go entirely.
WideString RemoveHotKeyMarks(const WideString& Caption);
bool CaptionsMatchIgnoringHotKeys(const WideString& A, const WideString& B);
bool CaptionsMatchExactIgnoringHotKeys(const WideString& A, const WideString& B);
// Puts the marks of WideCaption where the platform put them in the ANSI form
// of the same caption (given as wide text). Nothing happens when the ANSI
// forms are equal or differ in more than their marks; EQevInternalError when
// the result's ANSI form still differs.
void SyncHotKeyPosition(const WideString& AnsiSideCaption, WideString& WideCaption);

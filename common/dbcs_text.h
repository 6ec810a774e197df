// Byte searches and comparisons over narrow text in the system's ANSI code page.
// A double-byte character is one unit: its second byte (0x5C in 表 or ソ, 0x7C in some
// characters) is never taken for a backslash, a bar or a dot, and is never case-folded.
#pragma once

// True when the byte starts a double-byte character of the ANSI code page.
bool IsLeadByte(unsigned char byte);

// The first occurrence of the single-byte character c in text, or null.
const char* FindCharacter(const char* text, char c);
char* FindCharacter(char* text, char c);

// The last occurrence of the single-byte character c in text, or null.
const char* FindLastCharacter(const char* text, char c);
char* FindLastCharacter(char* text, char c);

// Compares two texts ignoring the case of the letters A-Z; double-byte characters compare
// as units, exactly. Result <0, 0, >0 like strcmp.
int CompareIgnoringCase(const char* a, const char* b);

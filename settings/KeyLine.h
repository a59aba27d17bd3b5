// The key|value| line format shared by Lumatray.ini and Skin.txt.
#pragma once

// True when the line starts with the key (exact, case-sensitive) followed
// by '|'. The value is what lies between that bar and the last '|' of the
// line (empty when there is no further bar): its start and byte length.
bool MatchKeyLine(const char* line, const char* key, const char** value, int* length);

// Scans a signed decimal (base 10) or hexadecimal (base 16) number from the
// value the way "%d" / "%x" do: leading blanks, a sign, for base 16 an
// optional 0x, then digits up to the first other byte. Hexadecimal values
// up to 0xFFFFFFFF wrap into int as "%x" does. False, dest unchanged, when
// there is no digit or the number does not fit 32 bits.
bool ScanKeyValue(const char* value, int length, int base, int* dest);

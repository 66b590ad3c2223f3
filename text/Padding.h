#pragma once
#include <string>

// Mode 'l': blanks appended up to Width; 'r': blanks in front; 'c': (Width - length) / 2 blanks in
// front, the rest after. A longer Text comes back whole. Any other Mode gives "".
std::string PadStr(const std::string& Text, int Width, char Mode);
// Text without any blank.
std::string RemoveSpaces(const std::string& Text);
// Count copies of C (rules of "=" and "-" in the reports); "" when Count <= 0.
std::string RepeatChar(char C, int Count);


#include "text/Padding.h"

std::string PadStr(const std::string& Text, int Width, char Mode)
{
    const int Length = static_cast<int>(Text.size());
    const int Missing = Width > Length ? Width - Length : 0;
    switch (Mode) {
    case 'l':
        return Text + std::string(static_cast<std::size_t>(Missing), ' ');
    case 'r':
        return std::string(static_cast<std::size_t>(Missing), ' ') + Text;
    case 'c': {
        const int Before = Missing / 2;
        return std::string(static_cast<std::size_t>(Before), ' ') + Text +
               std::string(static_cast<std::size_t>(Missing - Before), ' ');
    }
    default:
        return "";
    }
}

std::string RemoveSpaces(const std::string& Text)
{
    std::string Out;
    Out.reserve(Text.size());
    for (char C : Text) {
        if (C != ' ') {
            Out.push_back(C);
        }
    }
    return Out;
}

std::string RepeatChar(char C, int Count)
{
    return std::string(static_cast<std::size_t>(Count > 0 ? Count : 0), C);
}

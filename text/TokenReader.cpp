#include "text/TokenReader.h"

bool IsTokenSeparator(char C)
{
    return static_cast<unsigned char>(C) <= 32;
}

std::string_view TTokenReader::Next()
{
    int Line = Line_;
    while (Pos_ < Bytes_.size() && IsTokenSeparator(Bytes_[Pos_])) {
        // CR, LF and CR LF each end one line.
        if (Bytes_[Pos_] == '\r' || (Bytes_[Pos_] == '\n' && (Pos_ == 0 || Bytes_[Pos_ - 1] != '\r'))) {
            ++Line;
        }
        ++Pos_;
    }
    const std::size_t First = Pos_;
    while (Pos_ < Bytes_.size() && !IsTokenSeparator(Bytes_[Pos_])) {
        ++Pos_;
    }
    Ended_ = First == Pos_;
    if (!Ended_) {
        Line_ = Line;
    }
    return Bytes_.substr(First, Pos_ - First);
}

std::string Printable(std::string_view Token)
{
    constexpr std::size_t Shown = 40;
    std::string Out;
    for (std::size_t I = 0; I < Token.size() && I < Shown; ++I) {
        const unsigned char C = static_cast<unsigned char>(Token[I]);
        Out.push_back(C > 32 && C < 127 ? static_cast<char>(C) : '?');
    }
    if (Token.size() > Shown) {
        Out += "...";
    }
    return Out;
}

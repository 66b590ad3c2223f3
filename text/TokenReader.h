#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// Whether C separates tokens in the program's text files: any byte of code 32 or less.
bool IsTokenSeparator(char C);

// A text file as a stream of tokens, separated by any byte of code 32 or less. CR, LF and CR LF
// each end one line. Once the end of the bytes is reached every further token is empty.
// The reader does not copy the bytes: they must outlive it.
class TTokenReader {
public:
    // The longest integer and real tokens the files' readers convert; longer ones are refused.
    static constexpr std::size_t MaxIntChars = 32;
    static constexpr std::size_t MaxRealChars = 64;

    // Reads Bytes from offset Start, counting lines from 1 there.
    TTokenReader(std::string_view Bytes, std::size_t Start) : Bytes_(Bytes), Pos_(Start) {}

    // The next token; empty at the end of the bytes.
    std::string_view Next();
    // The line of the last token found (1 before the first).
    int Line() const { return Line_; }
    // True when the token last returned is empty because the bytes had ended.
    bool Ended() const { return Ended_; }

private:
    std::string_view Bytes_;
    std::size_t Pos_;
    int Line_ = 1;
    bool Ended_ = false;
};

// A token as the user may see it in a message: printable ASCII kept, any other byte as '?', a
// token longer than 40 bytes cut there and followed by "...".
std::string Printable(std::string_view Token);

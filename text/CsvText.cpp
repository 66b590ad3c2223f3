#include "text/CsvText.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace {

bool NeedsQuotes(std::string_view Field)
{
    return Field.find_first_of(",\"\r\n") != std::string_view::npos;
}

void AppendField(std::string& Out, std::string_view Field)
{
    if (!NeedsQuotes(Field)) {
        Out += Field;
        return;
    }
    Out += '"';
    for (const char C : Field) {
        if (C == '"') {
            Out += '"';
        }
        Out += C;
    }
    Out += '"';
}

void AppendNumber(std::string& Out, double Value)
{
    // to_chars spells these "inf" and "nan" too, but a NaN may come out as "-nan".
    if (std::isnan(Value)) {
        Out += "nan";
        return;
    }
    if (std::isinf(Value)) {
        Out += Value > 0 ? "inf" : "-inf";
        return;
    }
    char Buffer[32];  // the longest shortest form, "-2.2250738585072014e-308", is 24
    const std::to_chars_result Result = std::to_chars(Buffer, Buffer + sizeof Buffer, Value);
    Out.append(Buffer, Result.ptr);
}

}  // namespace

void TCsvWriter::Separate()
{
    if (RecordStarted_) {
        Out_ += ',';
    }
    RecordStarted_ = true;
}

void TCsvWriter::Text(std::string_view Field)
{
    Separate();
    AppendField(Out_, Field);
}

void TCsvWriter::Number(double Value)
{
    Separate();
    AppendNumber(Out_, Value);
}

void TCsvWriter::Integer(int64_t Value)
{
    Separate();
    char Buffer[24];
    const std::to_chars_result Result = std::to_chars(Buffer, Buffer + sizeof Buffer, Value);
    Out_.append(Buffer, Result.ptr);
}

void TCsvWriter::Empty()
{
    Separate();
}

void TCsvWriter::EndRecord()
{
    Out_ += CsvLineEnd;
    RecordStarted_ = false;
}

std::string TCsvWriter::Take()
{
    std::string Taken = std::move(Out_);
    Out_.clear();
    RecordStarted_ = false;
    return Taken;
}

std::string CsvField(std::string_view Field)
{
    std::string Out;
    AppendField(Out, Field);
    return Out;
}

std::string CsvNumber(double Value)
{
    std::string Out;
    AppendNumber(Out, Value);
    return Out;
}

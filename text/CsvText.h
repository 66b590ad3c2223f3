#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// Tables as comma-separated values, as RFC 4180 describes them, in UTF-8: fields separated by
// commas, a field quoted ("...", an inner quote doubled) only when it holds a comma, a quote, a
// carriage return or a line feed. Records end with CsvLineEnd.
//
// Numbers are written the same whatever the locale: a period as decimal separator, no grouping,
// and the shortest text that reads back to the same double ("0.1", "1e+300", "-0"). Infinities are
// "inf" and "-inf", a NaN is "nan": the spellings pandas reads as numbers with no options and that
// spreadsheets show as they are.

// CRLF, as RFC 4180 has it; pandas and spreadsheets read it, as they read a bare LF.
inline constexpr std::string_view CsvLineEnd = "\r\n";

// Builds CSV text one field at a time into a string it owns.
class TCsvWriter {
public:
    // A text field, quoted when it needs to be.
    void Text(std::string_view Field);
    // A real as above.
    void Number(double Value);
    void Integer(int64_t Value);
    // An empty field (a value there is none of).
    void Empty();
    // Ends the record: CsvLineEnd follows, and the next field starts a new record.
    void EndRecord();

    // The text so far. Take leaves the writer empty, at the start of a record.
    const std::string& Data() const { return Out_; }
    std::string Take();
    // Room for Bytes more characters, so that a large table grows in one allocation.
    void Reserve(std::size_t Bytes) { Out_.reserve(Out_.size() + Bytes); }

private:
    void Separate();

    std::string Out_;
    bool RecordStarted_ = false;
};

// Field as one CSV field: as it is, or quoted with its quotes doubled when it holds a comma, a
// quote, a carriage return or a line feed.
std::string CsvField(std::string_view Field);
// Value as TCsvWriter::Number writes it.
std::string CsvNumber(double Value);

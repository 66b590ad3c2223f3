#pragma once
#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

// A strict reader of the CSV the program writes, for tests: records ended by CRLF, fields split at
// commas, a quoted field unquoted with its doubled quotes made single. Nothing for a text that is
// no such CSV: a bare CR or LF outside quotes, a quote inside an unquoted field, text after a
// closing quote, an open quote at the end, a last record without its CRLF.
inline std::optional<std::vector<std::vector<std::string>>> ParseCsv(std::string_view Text)
{
    std::vector<std::vector<std::string>> Records;
    std::vector<std::string> Record;
    std::size_t I = 0;
    while (I < Text.size()) {
        std::string Field;
        if (Text[I] == '"') {
            for (++I;; ++I) {
                if (I >= Text.size()) {
                    return std::nullopt;
                }
                if (Text[I] == '"') {
                    if (I + 1 < Text.size() && Text[I + 1] == '"') {
                        Field += '"';
                        ++I;
                        continue;
                    }
                    ++I;
                    break;
                }
                Field += Text[I];
            }
        } else {
            for (; I < Text.size() && Text[I] != ',' && Text[I] != '\r' && Text[I] != '\n'; ++I) {
                if (Text[I] == '"') {
                    return std::nullopt;
                }
                Field += Text[I];
            }
        }
        Record.push_back(std::move(Field));
        if (I < Text.size() && Text[I] == ',') {
            ++I;
            continue;
        }
        if (Text.substr(I, 2) != "\r\n") {
            return std::nullopt;
        }
        I += 2;
        Records.push_back(std::move(Record));
        Record.clear();
    }
    return Records;
}

// The whole field read as a double (also "inf", "-inf", "nan"), or nothing.
inline std::optional<double> CsvReal(const std::string& Field)
{
    double Value = 0;
    const std::from_chars_result R = std::from_chars(Field.data(), Field.data() + Field.size(), Value);
    if (R.ec != std::errc() || R.ptr != Field.data() + Field.size()) {
        return std::nullopt;
    }
    return Value;
}

// The whole field read as a decimal integer, or nothing.
inline std::optional<int64_t> CsvInt(const std::string& Field)
{
    int64_t Value = 0;
    const std::from_chars_result R = std::from_chars(Field.data(), Field.data() + Field.size(), Value);
    if (R.ec != std::errc() || R.ptr != Field.data() + Field.size()) {
        return std::nullopt;
    }
    return Value;
}

#include "batch/BatchCsv.h"

#include "text/CsvText.h"

std::string BatchCsvHeader(const std::vector<TResultColumn>& Columns)
{
    TCsvWriter Csv;
    for (const TResultColumn& C : Columns) {
        const std::size_t First = C.Heading.find_first_not_of(' ');
        Csv.Text(First == std::string::npos ? std::string() : C.Heading.substr(First));
    }
    return Csv.Take();
}

std::string BatchCsvRecord(const std::vector<TResultColumn>& Columns, const TSettingResult& Result)
{
    TCsvWriter Csv;
    for (const TResultColumn& C : Columns) {
        Csv.Number(ResultValue(C, Result));
    }
    return Csv.Take();
}

#pragma once
#include <string>
#include <vector>

#include "batch/BatchResults.h"

// The batch results table as CSV (text/CsvText.h), a record per setting, each given without its
// line end (callers end it with CsvLineEnd), so that it streams as the text lines do.

// The header record: every column's heading as in the text's heading line ("BSLevel:1",
// "TotalCostMean", "InvLevelMean:2"), without the blanks that align it.
std::string BatchCsvHeader(const std::vector<TResultColumn>& Columns);
// The record of one setting: every column's ResultValue at full precision ("inf" for an infinite
// parameter value), whatever the locale.
std::string BatchCsvRecord(const std::vector<TResultColumn>& Columns, const TSettingResult& Result);

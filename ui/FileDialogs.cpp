#include "ui/FileDialogs.h"

#include <cstddef>

#include "platform/Dialogs.h"
#include "platform/TextFile.h"

namespace {

std::vector<std::string> Split(const std::string& Text, char Sep)
{
    std::vector<std::string> Parts;
    std::size_t Start = 0;
    for (;;) {
        const std::size_t At = Text.find(Sep, Start);
        Parts.push_back(Text.substr(Start, At == std::string::npos ? std::string::npos : At - Start));
        if (At == std::string::npos) {
            return Parts;
        }
        Start = At + 1;
    }
}

std::string Trimmed(const std::string& Text)
{
    const std::size_t First = Text.find_first_not_of(' ');
    if (First == std::string::npos) {
        return "";
    }
    return Text.substr(First, Text.find_last_not_of(' ') - First + 1);
}

}  // namespace

std::vector<std::string> NameFiltersOf(const std::string& Filter)
{
    const std::vector<std::string> Parts = Split(Filter, '|');
    std::vector<std::string> Out;
    for (std::size_t I = 0; I + 1 < Parts.size(); I += 2) {
        std::string Description = Parts[I];
        const std::size_t Open = Description.rfind('(');
        if (!Description.empty() && Description.back() == ')' && Open != std::string::npos) {
            Description.erase(Open);
        }
        std::string Patterns;
        for (const std::string& Part : Split(Parts[I + 1], ';')) {
            std::string Pattern = Trimmed(Part);
            if (Pattern == "*.*") {
                Pattern = "*";
            }
            if (!Pattern.empty()) {
                Patterns += (Patterns.empty() ? "" : " ") + Pattern;
            }
        }
        Out.push_back(Trimmed(Description) + " (" + Patterns + ")");
    }
    return Out;
}

bool SaveLinesAs(FileDialogs& Files, Dialogs& Messages, const std::string& Title, const std::vector<std::string>& Lines)
{
    const std::optional<std::string> Path = Files.ChooseSaveFile({Title, "txt", TextFileFilter, {}});
    if (!Path) {
        return false;
    }
    const TFileResult Result = WriteLinesCR(*Path, Lines);
    if (!Result.Ok) {
        Messages.ShowError(Result.Message);
    }
    return Result.Ok;
}

void SaveCsvAs(FileDialogs& Files, Dialogs& Messages, const std::string& Title, const std::string& Csv)
{
    const std::optional<std::string> Path = Files.ChooseSaveFile({Title, "csv", CsvFileFilter, {}});
    if (!Path) {
        return;
    }
    const TFileResult Result = WriteFileAtomically(*Path, Csv);
    if (!Result.Ok) {
        Messages.ShowError(Result.Message);
    }
}

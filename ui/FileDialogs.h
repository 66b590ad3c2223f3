#pragma once
#include <optional>
#include <string>
#include <utility>
#include <vector>

class Dialogs;

// What an open or save dialog is set up with. Filter pairs descriptions and patterns, every part
// separated by "|": "Text files (*.txt)|*.txt|All files (*.*)|*.*".
struct TFileDialogSpec {
    TFileDialogSpec(std::string TitleText, std::string Ext, std::string Filters, std::string Start = {})
        : Title(std::move(TitleText)), DefaultExt(std::move(Ext)), Filter(std::move(Filters)), StartFile(std::move(Start))
    {
    }
    std::string Title;
    std::string DefaultExt;  // added to a name typed without one, e.g. "txt"
    std::string Filter;
    std::string StartFile;   // the file the dialog starts at (its folder, its name); none when empty
    bool operator==(const TFileDialogSpec&) const = default;
};

// The filter of the text file dialogs (reports, results, values files).
inline const std::string TextFileFilter = "Text files (*.txt)|*.txt|All files (*.*)|*.*";
// The filter of the model file dialogs: a model is a text file, named .txt or, so that file managers
// know it, .orv; neither is required.
inline const std::string ModelFileFilter = "Model files (*.txt;*.orv)|*.txt;*.orv|All files (*.*)|*.*";
// What an export says when the run behind the window is gone.
inline const std::string NoRunToExport = "There is no run to export: run the simulation first.";
// The filter of the dialogs that export a table as CSV.
inline const std::string CsvFileFilter = "CSV files (*.csv)|*.csv|All files (*.*)|*.*";
// The filter of the dialog that saves a chart; the name's extension chooses the format.
inline const std::string ChartFileFilter = "PNG image (*.png)|*.png|SVG image (*.svg)|*.svg";

// How a window asks the user for a file. The desktop program shows file dialogs (asking before a
// save replaces an existing file); tests answer from a script.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // The chosen existing file, or nothing when the user cancels.
    virtual std::optional<std::string> ChooseOpenFile(const TFileDialogSpec& Spec) = 0;
    // The chosen file name, or nothing when the user cancels.
    virtual std::optional<std::string> ChooseSaveFile(const TFileDialogSpec& Spec) = 0;
};

// Asks for a text file to save to (a dialog titled Title) and writes Lines to it with CR line
// ends; nothing happens when the user cancels. A failure is shown through Messages, naming the
// file and the reason. True when the lines were saved.
bool SaveLinesAs(FileDialogs& Files, Dialogs& Messages, const std::string& Title, const std::vector<std::string>& Lines);

// Asks for a CSV file to save to (a dialog titled Title) and writes Csv to it as it is, replacing
// the file atomically; nothing happens when the user cancels. A failure is shown through Messages,
// naming the file and the reason.
void SaveCsvAs(FileDialogs& Files, Dialogs& Messages, const std::string& Title, const std::string& Csv);

// Filter as a list of name filters of the form "Description (pattern pattern)": the description
// loses its own parenthesised part, patterns separated by ";" become blank-separated, and "*.*"
// becomes "*" so that it matches names without a dot too. A trailing description without
// patterns is dropped.
std::vector<std::string> NameFiltersOf(const std::string& Filter);

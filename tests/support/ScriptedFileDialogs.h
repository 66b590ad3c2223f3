#pragma once
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "ui/FileDialogs.h"

// File choosers for tests: records every dialog asked for, in order, and answers from a script
// (front first). A dialog asked for after the script ran out is cancelled.
struct TScriptedFileDialogs : FileDialogs {
    std::vector<TFileDialogSpec> Asked;
    std::deque<std::optional<std::string>> Answers;

    std::optional<std::string> ChooseOpenFile(const TFileDialogSpec& Spec) override { return Answer(Spec); }
    std::optional<std::string> ChooseSaveFile(const TFileDialogSpec& Spec) override { return Answer(Spec); }

private:
    std::optional<std::string> Answer(const TFileDialogSpec& Spec)
    {
        Asked.push_back(Spec);
        if (Answers.empty()) {
            return std::nullopt;
        }
        std::optional<std::string> Name = Answers.front();
        Answers.pop_front();
        return Name;
    }
};

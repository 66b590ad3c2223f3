#pragma once
#include <deque>
#include <string>
#include <vector>

#include "platform/Dialogs.h"

// Dialogs for tests: records every text shown, in order, and answers Yes/No questions and
// Save/Discard/Cancel questions from their scripts. Questions asked after their script ran out
// are answered No (Cancel) and listed in Unexpected.
struct TScriptedDialogs : Dialogs {
    enum class TKind { Error, Info, Question };
    struct TShown {
        TKind Kind;
        std::string Text;
    };
    std::vector<TShown> Shown;
    std::deque<bool> Answers;
    std::deque<TSaveAnswer> SaveAnswers;
    std::vector<std::string> Unexpected;

    void ShowError(const std::string& Text) override { Shown.push_back({TKind::Error, Text}); }
    void ShowInfo(const std::string& Text) override { Shown.push_back({TKind::Info, Text}); }
    bool AskYesNo(const std::string& Text) override
    {
        Shown.push_back({TKind::Question, Text});
        if (Answers.empty()) {
            Unexpected.push_back(Text);
            return false;
        }
        const bool Answer = Answers.front();
        Answers.pop_front();
        return Answer;
    }
    TSaveAnswer AskSaveChanges(const std::string& Text) override
    {
        Shown.push_back({TKind::Question, Text});
        if (SaveAnswers.empty()) {
            Unexpected.push_back(Text);
            return TSaveAnswer::Cancel;
        }
        const TSaveAnswer Answer = SaveAnswers.front();
        SaveAnswers.pop_front();
        return Answer;
    }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> Out;
        for (const TShown& S : Shown) {
            Out.push_back(S.Text);
        }
        return Out;
    }
};

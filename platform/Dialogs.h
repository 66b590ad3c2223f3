#pragma once
#include <string>

// The answer to "Save changes to ...?".
enum class TSaveAnswer { Save, Discard, Cancel };

// How the core tells the user something or asks a question. The windows answer with message
// boxes, the command line on standard error, the tests with scripted answers. Texts may hold
// carriage returns (byte 13) where a line break belongs.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // An error box: error icon, one OK button.
    virtual void ShowError(const std::string& Text) = 0;
    // An information box: one OK button.
    virtual void ShowInfo(const std::string& Text) = 0;
    // A confirmation: question icon, Yes and No. True only for Yes.
    virtual bool AskYesNo(const std::string& Text) = 0;
    // Before unsaved work would be lost: Save, Discard or Cancel. Without buttons of its own a
    // dialog answers as a Yes/No question would: Yes saves, No discards.
    virtual TSaveAnswer AskSaveChanges(const std::string& Text)
    {
        return AskYesNo(Text) ? TSaveAnswer::Save : TSaveAnswer::Discard;
    }
    // Before a file that is not whole is opened: Load and Cancel. True only for Load. Without
    // buttons of its own a dialog answers as a Yes/No question would.
    virtual bool AskLoadAnyway(const std::string& Text) { return AskYesNo(Text); }
};

// Shows nothing and answers every question with the answer given at construction.
// For runs that nobody watches (benchmarks, batch trials that already asked).
class TSilentDialogs final : public Dialogs {
public:
    explicit TSilentDialogs(bool Answer = true) : Answer_(Answer) {}
    void ShowError(const std::string&) override {}
    void ShowInfo(const std::string&) override {}
    bool AskYesNo(const std::string&) override { return Answer_; }

private:
    bool Answer_;
};

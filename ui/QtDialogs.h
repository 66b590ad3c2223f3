#pragma once
#include "platform/Dialogs.h"
#include "ui/FileDialogs.h"

// Dialogs as message boxes titled with the application's name, over the active window: an error
// icon with OK, an information icon with OK, a question icon with Yes and No.
class TQtDialogs final : public Dialogs {
public:
    void ShowError(const std::string& Text) override;
    void ShowInfo(const std::string& Text) override;
    bool AskYesNo(const std::string& Text) override;
    // A warning icon with Save, Discard and Cancel; Escape cancels.
    TSaveAnswer AskSaveChanges(const std::string& Text) override;
    // A warning icon with Load and Cancel; Cancel is the default, and Escape.
    bool AskLoadAnyway(const std::string& Text) override;
};

// FileDialogs as Qt file dialogs: title, name filters, default suffix, the file to start from; a
// save asks before it replaces an existing file (Qt's own confirmation).
class TQtFileDialogs final : public FileDialogs {
public:
    std::optional<std::string> ChooseOpenFile(const TFileDialogSpec& Spec) override;
    std::optional<std::string> ChooseSaveFile(const TFileDialogSpec& Spec) override;
};

#pragma once
#include <string>

#include <QDialog>

#include "batch/ReportOptions.h"

class Dialogs;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

// "Batch Runs Reporting Options": which measures the batch results report. The marks live in the
// core's TReportOptions, which the batch runner asks; the two check lists only show them and pass
// the user's clicks on. Created once, loading the marks of the user's file (or the delivered
// one; one error box names a file that could not be used), and shown modally; the marks last
// while the program runs, saved or not.
class TBatchOptionsWindow : public QDialog {
    Q_OBJECT
public:
    explicit TBatchOptionsWindow(Dialogs& Messages, QWidget* Parent = nullptr);

    const TReportOptions& Options() const { return Options_; }

protected:
    // Takes the snapshot that "Cancel" puts back.
    void showEvent(QShowEvent* Event) override;
    // Escape is "Cancel"; the title bar's close keeps the marks.
    void keyPressEvent(QKeyEvent* Event) override;
    // However the window closes: after Restore Defaults, the user's file is deleted unless the
    // user cancelled.
    void done(int Result) override;

private slots:
    // The user's click (or Space) on an item's check box, and a double-click on an item, passed on
    // to the options; the lists then show the marks the options hold.
    void ToggleStandard(QListWidgetItem* Item);
    void ToggleOther(QListWidgetItem* Item);
    void DoubleClickStandard(QListWidgetItem* Item);
    void DoubleClickOther(QListWidgetItem* Item);
    // Saves the marks to the user's file and says so in the window's status line.
    void SaveAsDefault();
    // The delivered marks now; the user's file goes when the window closes other than by Cancel.
    void RestoreDefaults();
    // Puts back the marks of when the window was shown, and closes it.
    void Cancel();

private:
    void BuildStandardList();
    // Every item's check mark from Options_.
    void ShowMarks();

    Dialogs& Messages_;
    const std::string DefaultsPath_;
    const std::string UserPath_;
    TReportOptions Options_;
    TOptionMarks Snapshot_;
    QListWidget* StandardList_;
    QListWidget* OtherList_;
    QLabel* Status_;
    bool DeleteUserFile_ = false;  // Restore Defaults asked, not yet done
};

#pragma once
#include <initializer_list>

#include "platform/Dialogs.h"
#include "ui/BatchOptionsWindow.h"
#include "ui/BatchRunsWindow.h"
#include "ui/HistoryWindow.h"
#include "ui/MainWindow.h"
#include "ui/ModelDocument.h"
#include "ui/OptimiseWindow.h"
#include "ui/StatsWindow.h"
#include "ui/WindowPlacement.h"

// The program: the model document first, then its windows in start-up order (main, stats,
// history, batch runs, batch reporting options, optimise; the options window loads the options),
// each given the document; the windows know nothing of each other, and what one asks of another
// is wired here. None is shown yet.
struct TProgramWindows {
    TProgramWindows(Dialogs& Messages, FileDialogs& Files)
        : Document(Messages), Main(Document, Messages, Files), Stats(Messages, Files), History(Messages, Files),
          BatchRuns(Document, Messages, Files), BatchOptions(Messages), Optimise(Document, Messages)
    {
        // Beside the main window, in this order of their cascade.
        AnchorWindows(Main, {&Stats, &History, &BatchRuns, &Optimise});
        Stats.Follow(Document);
        History.Follow(Document);
        QObject::connect(&Main, &TMainWindow::StatsRequested, &Stats, &TStatsWindow::Open);
        QObject::connect(&Main, &TMainWindow::HistoryRequested, &History, &THistoryWindow::Open);
        QObject::connect(&Main, &TMainWindow::BatchRunsRequested, &BatchRuns, &TBatchRunsWindow::Open);
        QObject::connect(&BatchRuns, &TBatchRunsWindow::OptimiseRequested, &Optimise, &TOptimiseWindow::Open);
        QObject::connect(&BatchRuns, &TBatchRunsWindow::OptionsRequested, &BatchOptions,
                         [this] {
                             FitToScreen(BatchOptions);
                             BatchOptions.exec();
                         });
        BatchRuns.SetOptions([this]() -> const TReportOptions& { return BatchOptions.Options(); });
        // Closing the main window during a batch asks first; a Yes stops it, and the batch's
        // model is back in the document before its unsaved changes are settled.
        Main.SetStopWork([this, &Messages] {
            if (!Messages.AskYesNo("A batch is running. Stop it and close Orvantis?")) {
                return false;
            }
            BatchRuns.StopAndWait();
            return true;
        });
        Main.SetSettleOthers([this] { return BatchRuns.SettleUnsavedResults(); });
        QObject::connect(&Main, &TMainWindow::Closing, &Main, [this] {
            for (QWidget* Window : std::initializer_list<QWidget*>{&Stats, &History, &BatchRuns, &Optimise}) {
                Window->close();
            }
        });
    }
    TModelDocument Document;
    TMainWindow Main;
    TStatsWindow Stats;
    THistoryWindow History;
    TBatchRunsWindow BatchRuns;
    TBatchOptionsWindow BatchOptions;
    TOptimiseWindow Optimise;
};

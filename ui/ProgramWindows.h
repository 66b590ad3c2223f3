#pragma once
#include "ui/HistoryWindow.h"
#include "ui/MainWindow.h"
#include "ui/StatsWindow.h"
#include "ui/BatchRunsWindow.h"
#include "ui/BatchOptionsWindow.h"

// The program's windows, created in its start-up order (main, stats, history, batch runs, batch
// reporting options; the last loads the options); the main window fills and shows the next three,
// the batch runs window the options. None is shown yet.
struct TProgramWindows {
    TProgramWindows(Dialogs& Messages, FileDialogs& Files)
        : Main(Messages, Files), Stats(Messages, Files), History(Messages, Files), BatchRuns(Messages, Files),
          BatchOptions(Messages)
    {
        Main.AttachWindows(Stats, History, BatchRuns);
        BatchRuns.AttachOptions(BatchOptions);
    }
    TMainWindow Main;
    TStatsWindow Stats;
    THistoryWindow History;
    TBatchRunsWindow BatchRuns;
    TBatchOptionsWindow BatchOptions;
};

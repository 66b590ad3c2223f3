#pragma once
#include "ui/HistoryForm.h"
#include "ui/MainForm.h"
#include "ui/StatsForm.h"
#include "ui/BatchRunsWindow.h"
#include "ui/BatchOptionsWindow.h"

// The program's windows, created in its start-up order (main, stats, history, batch runs, batch
// reporting options; the last loads the options); the main window fills and shows the next three,
// the batch runs window the options. None is shown yet.
struct TProgramWindows {
    TProgramWindows(Dialogs& Messages, FileDialogs& Files)
        : Main(Messages, Files), History(Messages, Files), TestValues(Messages, Files), TestValuesOptions(Messages)
    {
        Main.AttachWindows(Stats, History, TestValues);
        TestValues.AttachOptions(TestValuesOptions);
    }
    TMainWindow Main;
    TStatsWindow Stats;
    THistoryWindow History;
    TBatchRunsWindow TestValues;
    TBatchOptionsWindow TestValuesOptions;
};

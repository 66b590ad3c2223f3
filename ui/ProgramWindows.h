#pragma once
#include "ui/HistoryForm.h"
#include "ui/MainForm.h"
#include "ui/StatsForm.h"

// The program's windows, created in its start-up order (main, stats, history); the main window
// fills and shows the other two. None is shown yet.
struct TProgramWindows {
    TProgramWindows(Dialogs& Messages, FileDialogs& Files)
        : Main(Messages, Files), History(Messages, Files)
    {
        Main.AttachWindows(Stats, History);
    }
    TMainWindow Main;
    TStatsWindow Stats;
    THistoryWindow History;
};

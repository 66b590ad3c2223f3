#pragma once
#include <string>
#include <vector>

#include <QPushButton>
#include <QTest>

#include "support/ScriptedDialogs.h"
#include "support/ScriptedFileDialogs.h"
#include "ui/ProgramWindows.h"

// The program's five windows over scripted dialogs and file choosers, the main window shown
// and active.
struct TMainWindowHarness {
    TScriptedDialogs Dialogs;
    TScriptedFileDialogs Files;
    TProgramWindows Windows{Dialogs, Files};
    TMainWindow& Window = Windows.Main;
    TStatsWindow& Stats = Windows.Stats;
    THistoryWindow& History = Windows.History;

    TMainWindowHarness()
    {
        Window.show();
        Window.activateWindow();
        [[maybe_unused]] const bool Active = QTest::qWaitForWindowActive(&Window);
    }

    // The child called Name; a test that names a missing control fails at once.
    template <class T = QWidget>
    T& Child(const char* Name)
    {
        T* Found = Window.findChild<T*>(Name);
        if (!Found) {
            qFatal("no control %s", Name);
        }
        return *Found;
    }
    void Click(const char* ButtonName) { QTest::mouseClick(&Child<QPushButton>(ButtonName), Qt::LeftButton); }
    // The texts shown since the last call.
    std::vector<std::string> TakeShown()
    {
        std::vector<std::string> Texts = Dialogs.Texts();
        Dialogs.Shown.clear();
        return Texts;
    }
};

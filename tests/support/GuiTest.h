#pragma once
#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

// main() of a QTest program: the offscreen platform unless another is asked for, so the GUI
// tests run on machines without a display; the user's settings (the windows' places) in a folder
// of its own, never the user's.
#define ORVANTIS_GUI_TEST_MAIN(TestClass)                                  \
    int main(int argc, char** argv)                                        \
    {                                                                      \
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {               \
            qputenv("QT_QPA_PLATFORM", "offscreen");                       \
        }                                                                  \
        const QTemporaryDir Settings;                                      \
        qputenv("XDG_CONFIG_HOME", Settings.path().toLocal8Bit());         \
        QApplication App(argc, argv);                                      \
        TestClass Test;                                                    \
        return QTest::qExec(&Test, argc, argv);                            \
    }

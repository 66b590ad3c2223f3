#pragma once
#include <QApplication>
#include <QTest>

// main() of a QTest program: the offscreen platform unless another is asked for, so the GUI
// tests run on machines without a display.
#define ORVANTIS_GUI_TEST_MAIN(TestClass)                                  \
    int main(int argc, char** argv)                                        \
    {                                                                      \
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {               \
            qputenv("QT_QPA_PLATFORM", "offscreen");                       \
        }                                                                  \
        QApplication App(argc, argv);                                      \
        TestClass Test;                                                    \
        return QTest::qExec(&Test, argc, argv);                            \
    }

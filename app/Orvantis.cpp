// Orvantis: the desktop program. Creates its windows in start-up order and
// shows the main one; `orvantis MODEL` opens that model file at start.
#include <cstdio>
#include <string_view>

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QStringList>

#include "ui/ProgramWindows.h"
#include "ui/QtDialogs.h"
#include "ui/WindowPlacement.h"

namespace {

const char* const HelpText =
    "Usage: orvantis [OPTIONS] [MODEL]\n"
    "Simulates multi-stage inventory networks stored in model files: the desktop program.\n"
    "\n"
    "Positionals:\n"
    "  MODEL        A model file (.txt or .orv) to open at start\n"
    "\n"
    "Options:\n"
    "  -h,--help    Print this help message and exit\n"
    "  --version    Display program version information and exit\n"
    "\n"
    "Qt's own options (-platform NAME, -style NAME, ...) are passed on to Qt. orvantis-cli runs the same\n"
    "models without a display.\n";

}  // namespace

int main(int argc, char** argv)
{
    // Answered before Qt starts, so that they need no display.
    for (int I = 1; I < argc; ++I) {
        const std::string_view Arg = argv[I];
        if (Arg == "-h" || Arg == "--help") {
            return std::fputs(HelpText, stdout) < 0 || std::fflush(stdout) != 0 ? 1 : 0;
        }
        if (Arg == "--version") {
            return std::puts("orvantis 2.4") < 0 || std::fflush(stdout) != 0 ? 1 : 0;
        }
    }
    QApplication App(argc, argv);
    QApplication::setApplicationName("Orvantis");
    // Ties the windows to the installed desktop entry (its icon and name in the task bar).
    QGuiApplication::setDesktopFileName("org.orvantis.Orvantis");
    TQtDialogs Dialogs;
    TQtFileDialogs Files;

    TProgramWindows Windows(Dialogs, Files);
    // At the screen's top-left, so that the other windows open beside it where there is room;
    // its default size where the screen has room, what fits otherwise.
    if (const QScreen* Screen = Windows.Main.screen()) {
        Windows.Main.move(Screen->availableGeometry().topLeft());
    }
    FitToScreen(Windows.Main);
    Windows.Main.show();

    const QStringList Args = QApplication::arguments();
    if (Args.size() > 1) {
        Windows.Main.LoadModelFile(QFile::encodeName(Args.at(1)).toStdString());
    }
    return QApplication::exec();
}

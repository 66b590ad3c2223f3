// Orvantis: the desktop program. Creates its windows in start-up order and
// shows the main one; `orvantis MODEL` opens that model file at start.
#include <QApplication>
#include <QFile>
#include <QStringList>

#include "ui/ProgramWindows.h"
#include "ui/QtDialogs.h"

int main(int argc, char** argv)
{
    QApplication App(argc, argv);
    QApplication::setApplicationName("Orvantis");
    QApplication::setApplicationDisplayName("Orvantis");
    TQtDialogs Dialogs;
    TQtFileDialogs Files;

    TProgramWindows Windows(Dialogs, Files);
    Windows.Main.show();

    const QStringList Args = QApplication::arguments();
    if (Args.size() > 1) {
        Windows.Main.LoadModelFile(QFile::encodeName(Args.at(1)).toStdString());
    }
    return QApplication::exec();
}

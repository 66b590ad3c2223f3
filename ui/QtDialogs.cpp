#include "ui/QtDialogs.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

namespace {

// The core marks line breaks with a carriage return.
QString BoxText(const std::string& Text)
{
    QString Out = QString::fromStdString(Text);
    Out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return Out;
}

// The normal cursor over a box shown during a busy operation, the busy one again afterwards.
class TNormalCursor {
public:
    TNormalCursor() : Busy_(QGuiApplication::overrideCursor() != nullptr)
    {
        if (Busy_) {
            QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
        }
    }
    ~TNormalCursor()
    {
        if (Busy_) {
            QGuiApplication::restoreOverrideCursor();
        }
    }
    TNormalCursor(const TNormalCursor&) = delete;
    TNormalCursor& operator=(const TNormalCursor&) = delete;

private:
    bool Busy_;
};

int ShowBox(QMessageBox::Icon Icon, const std::string& Text, QMessageBox::StandardButtons Buttons)
{
    const TNormalCursor Normal;
    QMessageBox Box(Icon, QApplication::applicationDisplayName(), BoxText(Text), Buttons, QApplication::activeWindow());
    return Box.exec();
}

std::optional<std::string> RunFileDialog(const TFileDialogSpec& Spec, QFileDialog::AcceptMode Mode)
{
    const TNormalCursor Normal;
    QFileDialog Dialog(QApplication::activeWindow(), QString::fromStdString(Spec.Title));
    Dialog.setAcceptMode(Mode);
    Dialog.setFileMode(Mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    Dialog.setDefaultSuffix(QString::fromStdString(Spec.DefaultExt));
    QStringList Filters;
    for (const std::string& Filter : NameFiltersOf(Spec.Filter)) {
        Filters << QString::fromStdString(Filter);
    }
    Dialog.setNameFilters(Filters);
    if (!Spec.StartFile.empty()) {
        // The folder of the file, with its name selected (and typed in, for a save).
        Dialog.selectFile(QFile::decodeName(QByteArray::fromStdString(Spec.StartFile)));
    }
    if (Dialog.exec() != QDialog::Accepted || Dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return QFile::encodeName(Dialog.selectedFiles().constFirst()).toStdString();
}

}  // namespace

void TQtDialogs::ShowError(const std::string& Text)
{
    ShowBox(QMessageBox::Critical, Text, QMessageBox::Ok);
}

void TQtDialogs::ShowInfo(const std::string& Text)
{
    ShowBox(QMessageBox::Information, Text, QMessageBox::Ok);
}

bool TQtDialogs::AskYesNo(const std::string& Text)
{
    return ShowBox(QMessageBox::Question, Text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

TSaveAnswer TQtDialogs::AskSaveChanges(const std::string& Text)
{
    const TNormalCursor Normal;
    QMessageBox Box(QMessageBox::Warning, QApplication::applicationDisplayName(), BoxText(Text),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QApplication::activeWindow());
    Box.setDefaultButton(QMessageBox::Save);
    switch (Box.exec()) {
    case QMessageBox::Save:
        return TSaveAnswer::Save;
    case QMessageBox::Discard:
        return TSaveAnswer::Discard;
    default:
        return TSaveAnswer::Cancel;
    }
}

bool TQtDialogs::AskLoadAnyway(const std::string& Text)
{
    const TNormalCursor Normal;
    QMessageBox Box(QMessageBox::Warning, QApplication::applicationDisplayName(), BoxText(Text), QMessageBox::Cancel,
                    QApplication::activeWindow());
    QPushButton* Load = Box.addButton("&Load", QMessageBox::AcceptRole);
    Box.setDefaultButton(QMessageBox::Cancel);
    Box.exec();
    return Box.clickedButton() == Load;
}

std::optional<std::string> TQtFileDialogs::ChooseOpenFile(const TFileDialogSpec& Spec)
{
    return RunFileDialog(Spec, QFileDialog::AcceptOpen);
}

std::optional<std::string> TQtFileDialogs::ChooseSaveFile(const TFileDialogSpec& Spec)
{
    return RunFileDialog(Spec, QFileDialog::AcceptSave);
}

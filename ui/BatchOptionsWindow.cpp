#include "ui/BatchOptionsWindow.h"

#include <string>
#include <vector>

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QVBoxLayout>

#include "platform/Dialogs.h"
#include "ui/Controls.h"
#include "ui/SecondaryWindow.h"

namespace {

constexpr int StdColumns = 4;
constexpr int StdRows = TReportOptions::NumStandard / StdColumns;  // four metrics of six items a column

// A check list without scroll bars, exactly Rows items high (and Columns of them side by side).
QListWidget* NewCheckList(QWidget* Parent, const char* Name, const QString& AccessibleName)
{
    auto* List = new QListWidget(Parent);
    List->setObjectName(Name);
    List->setAccessibleName(AccessibleName);
    List->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    List->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    List->setUniformItemSizes(true);
    return List;
}

void FitCheckList(QListWidget& List, int Columns, int Rows, int ColumnWidth)
{
    const int RowHeight = QFontMetrics(List.font()).height() + 4;
    List.setGridSize(QSize(ColumnWidth, RowHeight));
    const int Frame = 2 * List.frameWidth();
    // A little more than the rows: a column is full only when the next item would pass the bottom.
    List.setFixedSize(Columns * ColumnWidth + Frame, Rows * RowHeight + Frame + RowHeight / 4);
}

QListWidgetItem* NewItem(QListWidget& List, const TOptionItem& Option)
{
    auto* Item = new QListWidgetItem(QString::fromStdString(Option.Text), &List);
    if (Option.Heading) {
        QFont Bold = List.font();
        Bold.setBold(true);
        Item->setFont(Bold);
        Item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    } else {
        Item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsSelectable | (Option.Enabled ? Qt::ItemIsEnabled : Qt::NoItemFlags));
        Item->setCheckState(Option.Checked ? Qt::Checked : Qt::Unchecked);
    }
    return Item;
}

}  // namespace

TBatchOptionsWindow::TBatchOptionsWindow(Dialogs& Messages, QWidget* Parent)
    : QDialog(Parent), Messages_(Messages), DefaultsPath_(DefaultOptionsPath()), UserPath_(UserOptionsPath()),
      StandardList_(NewCheckList(this, "StandardList", "Standard Performance Measures")),
      OtherList_(NewCheckList(this, "OtherList", "Other Performance Measures")), Status_(new QLabel(this))
{
    setObjectName("BatchOptionsWindow");
    setWindowTitle("Batch Runs Reporting Options");
    setModal(true);
    setAttribute(Qt::WA_QuitOnClose, false);

    BuildStandardList();
    for (int K = 0; K < TReportOptions::NumOther; ++K) {
        NewItem(*OtherList_, Options_.Other(K));
    }
    FitCheckList(*OtherList_, 1, TReportOptions::NumOther, StandardList_->width() - 2 * StandardList_->frameWidth());
    connect(StandardList_, &QListWidget::itemChanged, this, &TBatchOptionsWindow::ToggleStandard);
    connect(OtherList_, &QListWidget::itemChanged, this, &TBatchOptionsWindow::ToggleOther);
    connect(StandardList_, &QListWidget::itemDoubleClicked, this, &TBatchOptionsWindow::DoubleClickStandard);
    connect(OtherList_, &QListWidget::itemDoubleClicked, this, &TBatchOptionsWindow::DoubleClickOther);

    QPushButton* SaveButton = NewCaptioned<QPushButton>("SaveAsDefaultButton", "Save as Default");
    QPushButton* RestoreButton = NewCaptioned<QPushButton>("RestoreDefaultsButton", "Restore Defaults");
    QPushButton* CloseButton = NewCaptioned<QPushButton>("CloseButton", "Close");
    QPushButton* CancelButton = NewCaptioned<QPushButton>("CancelButton", "Cancel");
    CloseButton->setDefault(true);
    connect(SaveButton, &QPushButton::clicked, this, &TBatchOptionsWindow::SaveAsDefault);
    connect(RestoreButton, &QPushButton::clicked, this, &TBatchOptionsWindow::RestoreDefaults);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &TBatchOptionsWindow::Cancel);

    auto* Buttons = new QHBoxLayout;
    Buttons->addWidget(SaveButton);
    Buttons->addWidget(RestoreButton);
    Buttons->addStretch();
    Buttons->addWidget(CloseButton);
    Buttons->addWidget(CancelButton);
    // The lists at their whole size, scrolled only on a screen too small for them (a laptop at
    // twice the scale); the buttons stay in sight below them.
    auto* Body = new QWidget;
    auto* Lists = new QVBoxLayout(Body);
    Lists->setContentsMargins(0, 0, 0, 0);
    Lists->addWidget(NewBuddyLabel(nullptr, "Standard Performance Measures (Mean, SE, Min, and Max of Mean over Multiple Trials)", StandardList_));
    Lists->addWidget(StandardList_);
    Lists->addSpacing(6);
    Lists->addWidget(NewBuddyLabel(nullptr, "Other Performance Measures", OtherList_));
    Lists->addWidget(OtherList_);
    Status_->setObjectName("StatusLabel");
    Status_->setAccessibleName("Status");
    Status_->setMinimumHeight(Status_->fontMetrics().height() + 4);  // no jump when a text comes
    Lists->addWidget(Status_);
    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(NewScrolledPanel(Body));
    Layout->addLayout(Buttons);
    // A dialog's fixed borders where the screen holds it: it opens at its whole size and grows no
    // larger.
    resize(sizeHint());
    setMaximumSize(size());

    const std::vector<std::string> Warnings = Options_.LoadStartOptions(DefaultsPath_, UserPath_);
    ShowMarks();
    if (!Warnings.empty()) {
        std::string Text;
        for (const std::string& Warning : Warnings) {
            Text += (Text.empty() ? "" : "\r") + Warning;
        }
        Messages_.ShowError(Text);
    }
}

void TBatchOptionsWindow::BuildStandardList()
{
    StandardList_->setFlow(QListView::TopToBottom);
    StandardList_->setWrapping(true);
    StandardList_->setMovement(QListView::Static);
    QFont Bold = StandardList_->font();
    Bold.setBold(true);
    const QFontMetrics Metrics(Bold);
    int Widest = 0;
    for (int Pos = 0; Pos < TReportOptions::NumStandard; ++Pos) {
        NewItem(*StandardList_, Options_.Standard(Pos));
        Widest = std::max(Widest, Metrics.horizontalAdvance(QString::fromStdString(Options_.Standard(Pos).Text)));
    }
    // Room for a check box in front of the widest text.
    FitCheckList(*StandardList_, StdColumns, StdRows, std::max(150, Widest + 3 * Metrics.height()));
}

void TBatchOptionsWindow::ShowMarks()
{
    const QSignalBlocker QuietStd(StandardList_);
    const QSignalBlocker QuietOther(OtherList_);
    for (int Pos = 0; Pos < TReportOptions::NumStandard; ++Pos) {
        if (!Options_.Standard(Pos).Heading) {
            StandardList_->item(Pos)->setCheckState(Options_.Standard(Pos).Checked ? Qt::Checked : Qt::Unchecked);
        }
    }
    for (int K = 0; K < TReportOptions::NumOther; ++K) {
        OtherList_->item(K)->setCheckState(Options_.Other(K).Checked ? Qt::Checked : Qt::Unchecked);
    }
}

void TBatchOptionsWindow::showEvent(QShowEvent* Event)
{
    if (!Event->spontaneous()) {  // shown by the program, not restored from an icon
        Snapshot_ = Options_.Marks();
        Status_->clear();
    }
    QDialog::showEvent(Event);
}

void TBatchOptionsWindow::keyPressEvent(QKeyEvent* Event)
{
    if (Event->key() == Qt::Key_Escape && Event->modifiers() == Qt::NoModifier) {
        Cancel();
        return;
    }
    QDialog::keyPressEvent(Event);
}

void TBatchOptionsWindow::ToggleStandard(QListWidgetItem* Item)
{
    const int Pos = StandardList_->row(Item);
    if ((Item->checkState() == Qt::Checked) != Options_.Standard(Pos).Checked) {
        Options_.ClickStandard(Pos);
    }
    ShowMarks();
}

void TBatchOptionsWindow::ToggleOther(QListWidgetItem* Item)
{
    const int Pos = OtherList_->row(Item);
    if ((Item->checkState() == Qt::Checked) != Options_.Other(Pos).Checked) {
        Options_.ClickOther(Pos);
    }
    ShowMarks();
}

void TBatchOptionsWindow::DoubleClickStandard(QListWidgetItem* Item)
{
    Options_.DoubleClickStandard(StandardList_->row(Item));
    ShowMarks();
}

void TBatchOptionsWindow::DoubleClickOther(QListWidgetItem* Item)
{
    Options_.DoubleClickOther(OtherList_->row(Item));
    ShowMarks();
}

void TBatchOptionsWindow::SaveAsDefault()
{
    const TFileResult Result = Options_.SaveOptions(UserPath_);
    if (!Result.Ok) {
        Status_->clear();
        Messages_.ShowError(Result.Message);
        return;
    }
    DeleteUserFile_ = false;
    Status_->setText("Saved as the default for the next start.");
}

void TBatchOptionsWindow::RestoreDefaults()
{
    Options_.RestoreDefaultMarks(DefaultsPath_);
    ShowMarks();
    DeleteUserFile_ = true;
    Status_->setText("Defaults restored; your saved defaults are deleted on Close.");
}

void TBatchOptionsWindow::Cancel()
{
    Options_.SetMarks(Snapshot_);
    ShowMarks();
    DeleteUserFile_ = false;
    reject();
}

void TBatchOptionsWindow::done(int Result)
{
    if (DeleteUserFile_) {
        DeleteUserFile_ = false;
        const TFileResult Deleted = TReportOptions::DeleteUserOptions(UserPath_);
        if (!Deleted.Ok) {
            Messages_.ShowError(Deleted.Message);
        }
    }
    QDialog::done(Result);
}

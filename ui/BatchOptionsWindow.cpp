#include "ui/BatchOptionsWindow.h"

#include <string>
#include <vector>

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "platform/Dialogs.h"
#include "ui/Controls.h"

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
      CLStdMeas_(NewCheckList(this, "CLStdMeas", "Standard Performance Measures")),
      CLOtherMeas_(NewCheckList(this, "CLOtherMeas", "Other Performance Measures"))
{
    setObjectName("TestValuesOptionsForm");
    setWindowTitle("Batch Runs Reporting Options");
    setModal(true);
    setAttribute(Qt::WA_QuitOnClose, false);

    BuildStandardList();
    for (int K = 0; K < TReportOptions::NumOther; ++K) {
        NewItem(*CLOtherMeas_, Options_.Other(K));
    }
    FitCheckList(*CLOtherMeas_, 1, TReportOptions::NumOther, CLStdMeas_->width() - 2 * CLStdMeas_->frameWidth());
    connect(CLStdMeas_, &QListWidget::itemChanged, this, &TBatchOptionsWindow::CLStdMeasItemChanged);
    connect(CLOtherMeas_, &QListWidget::itemChanged, this, &TBatchOptionsWindow::CLOtherMeasItemChanged);
    connect(CLStdMeas_, &QListWidget::itemDoubleClicked, this, &TBatchOptionsWindow::CLStdMeasDblClick);
    connect(CLOtherMeas_, &QListWidget::itemDoubleClicked, this, &TBatchOptionsWindow::CLOtherMeasDblClick);

    QPushButton* Save = NewCaptioned<QPushButton>("BtnSaveAsDefault", "Save as Default");
    QPushButton* Restore = NewCaptioned<QPushButton>("BtnRestoreDefaults", "Restore Defaults");
    QPushButton* Close = NewCaptioned<QPushButton>("BtnClose", "Close");
    QPushButton* Cancel = NewCaptioned<QPushButton>("BtnCancel", "Cancel");
    Close->setDefault(true);
    connect(Save, &QPushButton::clicked, this, &TBatchOptionsWindow::BtnSaveAsDefaultClick);
    connect(Restore, &QPushButton::clicked, this, &TBatchOptionsWindow::BtnRestoreDefaultsClick);
    connect(Close, &QPushButton::clicked, this, &QDialog::accept);
    connect(Cancel, &QPushButton::clicked, this, &TBatchOptionsWindow::BtnCancelClick);

    auto* Buttons = new QHBoxLayout;
    Buttons->addWidget(Save);
    Buttons->addWidget(Restore);
    Buttons->addStretch();
    Buttons->addWidget(Close);
    Buttons->addWidget(Cancel);
    auto* Layout = new QVBoxLayout(this);
    Layout->setSizeConstraint(QLayout::SetFixedSize);  // a dialog's fixed borders
    Layout->addWidget(NewBuddyLabel(nullptr, "Standard Performance Measures (Mean, SE, Min, and Max of Mean over Multiple Trials)", CLStdMeas_));
    Layout->addWidget(CLStdMeas_);
    Layout->addSpacing(6);
    Layout->addWidget(NewBuddyLabel(nullptr, "Other Performance Measures", CLOtherMeas_));
    Layout->addWidget(CLOtherMeas_);
    Layout->addSpacing(6);
    Layout->addLayout(Buttons);

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
    CLStdMeas_->setFlow(QListView::TopToBottom);
    CLStdMeas_->setWrapping(true);
    CLStdMeas_->setMovement(QListView::Static);
    QFont Bold = CLStdMeas_->font();
    Bold.setBold(true);
    const QFontMetrics Metrics(Bold);
    int Widest = 0;
    for (int Pos = 0; Pos < TReportOptions::NumStandard; ++Pos) {
        NewItem(*CLStdMeas_, Options_.Standard(Pos));
        Widest = std::max(Widest, Metrics.horizontalAdvance(QString::fromStdString(Options_.Standard(Pos).Text)));
    }
    // Room for a check box in front of the widest text.
    FitCheckList(*CLStdMeas_, StdColumns, StdRows, std::max(150, Widest + 3 * Metrics.height()));
}

void TBatchOptionsWindow::ShowMarks()
{
    const QSignalBlocker QuietStd(CLStdMeas_);
    const QSignalBlocker QuietOther(CLOtherMeas_);
    for (int Pos = 0; Pos < TReportOptions::NumStandard; ++Pos) {
        if (!Options_.Standard(Pos).Heading) {
            CLStdMeas_->item(Pos)->setCheckState(Options_.Standard(Pos).Checked ? Qt::Checked : Qt::Unchecked);
        }
    }
    for (int K = 0; K < TReportOptions::NumOther; ++K) {
        CLOtherMeas_->item(K)->setCheckState(Options_.Other(K).Checked ? Qt::Checked : Qt::Unchecked);
    }
}

void TBatchOptionsWindow::showEvent(QShowEvent* Event)
{
    if (!Event->spontaneous()) {  // shown by the program, not restored from an icon
        Snapshot_ = Options_.Marks();
    }
    QDialog::showEvent(Event);
}

void TBatchOptionsWindow::keyPressEvent(QKeyEvent* Event)
{
    if (Event->key() == Qt::Key_Escape && Event->modifiers() == Qt::NoModifier) {
        BtnCancelClick();
        return;
    }
    QDialog::keyPressEvent(Event);
}

void TBatchOptionsWindow::CLStdMeasItemChanged(QListWidgetItem* Item)
{
    const int Pos = CLStdMeas_->row(Item);
    if ((Item->checkState() == Qt::Checked) != Options_.Standard(Pos).Checked) {
        Options_.ClickStandard(Pos);
    }
    ShowMarks();
}

void TBatchOptionsWindow::CLOtherMeasItemChanged(QListWidgetItem* Item)
{
    const int Pos = CLOtherMeas_->row(Item);
    if ((Item->checkState() == Qt::Checked) != Options_.Other(Pos).Checked) {
        Options_.ClickOther(Pos);
    }
    ShowMarks();
}

void TBatchOptionsWindow::CLStdMeasDblClick(QListWidgetItem* Item)
{
    Options_.DoubleClickStandard(CLStdMeas_->row(Item));
    ShowMarks();
}

void TBatchOptionsWindow::CLOtherMeasDblClick(QListWidgetItem* Item)
{
    Options_.DoubleClickOther(CLOtherMeas_->row(Item));
    ShowMarks();
}

void TBatchOptionsWindow::BtnSaveAsDefaultClick()
{
    const TFileResult Result = Options_.SaveOptions(UserPath_);
    if (!Result.Ok) {
        Messages_.ShowError(Result.Message);
    }
}

void TBatchOptionsWindow::BtnRestoreDefaultsClick()
{
    const TFileResult Result = Options_.RestoreDefaults(DefaultsPath_, UserPath_);
    ShowMarks();
    if (!Result.Ok) {
        Messages_.ShowError(Result.Message);
    }
}

void TBatchOptionsWindow::BtnCancelClick()
{
    Options_.SetMarks(Snapshot_);
    ShowMarks();
    reject();
}

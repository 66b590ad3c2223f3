#include "ui/BatchChart.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/ChartView.h"
#include "ui/Controls.h"

TBatchChart::TBatchChart(Dialogs& Messages, FileDialogs& Files, QWidget* Parent)
    : QWidget(Parent), ColumnList_(new QComboBox), Chart_(new TChartView)
{
    ColumnList_->setObjectName("ChartColumnList");
    ColumnList_->setAccessibleName("Chart column");
    ColumnList_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    Chart_->setObjectName("BatchChart");
    Chart_->setAccessibleName("Batch results chart");
    Chart_->SetEmptyText("no batch run");
    LayOutChartPanel(*this, "ChartColumnLabel", *ColumnList_, *Chart_, Files, Messages);
    connect(ColumnList_, &QComboBox::currentIndexChanged, this, &TBatchChart::Redraw);
    Chart_->Clear("Setting", QString());
}

void TBatchChart::StartBatch(TBatchChartShape Shape)
{
    Data_.Start(Shape);
    Redraw();
}

void TBatchChart::AddSetting(int32_t I, const std::vector<TResultColumn>& Columns, const TSettingResult& Result)
{
    const bool First = Data_.NumSettings() == 0;
    Data_.AddSetting(I, Columns, Result);
    if (First) {
        // The column chosen before stays chosen when the new batch reports it too.
        const QString Chosen = ColumnList_->currentText();
        const QSignalBlocker Quiet(ColumnList_);
        ColumnList_->clear();
        for (const int C : Data_.MetricColumns()) {
            ColumnList_->addItem(QString::fromStdString(Data_.Columns()[static_cast<std::size_t>(C)].Heading), C);
        }
        ColumnList_->setCurrentIndex(std::max(0, ColumnList_->findText(Chosen)));
    }
    Redraw();
}

void TBatchChart::SetFileBaseName(std::string Base)
{
    Chart_->SetFileBaseName(std::move(Base));
}

void TBatchChart::Redraw()
{
    const int C = ColumnList_->currentIndex() >= 0 ? ColumnList_->currentData().toInt() : -1;
    const QString YTitle = C >= 0 ? ColumnList_->currentText() : QString();
    Chart_->Clear(QString::fromStdString(Data_.XTitle()), YTitle);
    if (C < 0 || Data_.NumSettings() == 0) {
        return;
    }
    for (TBatchChartLine& Line : Data_.Lines(C)) {
        Chart_->AddPointLine(QString::fromStdString(Line.Name), std::move(Line.X), std::move(Line.Y), Line.Low, Line.High);
    }
}

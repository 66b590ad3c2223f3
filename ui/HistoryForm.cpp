#include "ui/HistoryForm.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "platform/Locale.h"
#include "reports/HistoryReport.h"
#include "ui/Controls.h"
#include "ui/FileDialogs.h"
#include "ui/SecondaryWindow.h"
#include "ui/TextLinesView.h"

namespace {

TTextLinesView* NewTab(QTabWidget& Tabs, const char* TabName, const QString& Caption, const char* TextName)
{
    auto* Page = new QWidget;
    Page->setObjectName(TabName);
    auto* Text = new TTextLinesView(Page);
    Text->setObjectName(TextName);
    Text->setAccessibleName(Caption);
    auto* Layout = new QVBoxLayout(Page);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->addWidget(Text);
    Tabs.addTab(Page, Caption);
    return Text;
}

}  // namespace

THistoryWindow::THistoryWindow(Dialogs& Messages, FileDialogs& Files, QWidget* Parent)
    : QWidget(Parent, Qt::Window), Messages_(Messages), Files_(Files), PageControl1_(new QTabWidget(this))
{
    setObjectName("HistoryForm");
    SetUpSecondaryWindow(*this, "HistoryWindow", QSize(870, 640));
    PageControl1_->setObjectName("PageControl1");
    HistoryRichEdit_ = NewTab(*PageControl1_, "HistoryTab", "History", "HistoryRichEdit");
    OrderHistoryRichEdit_ = NewTab(*PageControl1_, "OrderHistoryTab", "Order History", "OrderHistoryRichEdit");

    auto* Bar = new QWidget(this);
    Bar->setFixedHeight(41);
    auto* BtnSaveText = NewCaptioned<QPushButton>("BtnSaveText", "&Save Text", Bar);
    auto* BarLayout = new QHBoxLayout(Bar);
    BarLayout->addWidget(BtnSaveText);
    BarLayout->addStretch();

    auto* Layout = new QVBoxLayout(this);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->setSpacing(0);
    Layout->addWidget(PageControl1_);
    Layout->addWidget(Bar);
    connect(BtnSaveText, &QPushButton::clicked, this, &THistoryWindow::BtnSaveTextClick);
}

void THistoryWindow::FillHistory(const TSimulation& Model, const std::string& DateTime)
{
    HistoryRichEdit_->SetLines(BuildHistoryText(Model, DateTime, LocaleDecimalSeparator()));
}

void THistoryWindow::FillOrderHistory(const TSimulation& Model, const std::string& DateTime)
{
    OrderHistoryRichEdit_->SetLines(BuildOrderHistoryText(Model, DateTime));
}

void THistoryWindow::ShowHistoryTab()
{
    PageControl1_->setCurrentIndex(0);
    HistoryRichEdit_->setFocus();
}

void THistoryWindow::BtnSaveTextClick()
{
    SaveLinesAs(Files_, Messages_, "Save History As", HistoryRichEdit_->Lines());
}

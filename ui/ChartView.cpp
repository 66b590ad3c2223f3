#include "ui/ChartView.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <iterator>
#include <limits>

#include <QBuffer>
#include <QFontMetricsF>
#include <QGraphicsLineItem>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsTextItem>
#include <QImage>
#include <QKeyEvent>
#include <QList>
#include <QMouseEvent>
#include <QPainter>
#include <QPointF>
#include <QRubberBand>
#include <QSvgGenerator>
#include <QToolTip>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QtCharts/QAreaSeries>
#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSeries>
#include <QtCharts/QBarSet>
#include <QtCharts/QBoxPlotSeries>
#include <QtCharts/QBoxSet>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include "platform/Dialogs.h"
#include "platform/TextFile.h"
#include "ui/Controls.h"
#include "ui/FileDialogs.h"

namespace {

constexpr double NoMarker = std::numeric_limits<double>::quiet_NaN();
constexpr int DragThreshold = 4;  // pixels a press must move to become a zoom
// Stands in for a category label left out: the category axis wants its labels distinct, and this
// draws nothing.
const QChar Unnamed(0x200B);

// A tick interval of 1, 2 or 5 times a power of ten that gives about Ticks intervals over Span.
double NiceStep(double Span, int Ticks)
{
    const double Raw = Span / Ticks;
    const double Power = std::pow(10.0, std::floor(std::log10(Raw)));
    const double Fraction = Raw / Power;
    return (Fraction < 1.5 ? 1 : Fraction < 3.5 ? 2 : Fraction < 7.5 ? 5 : 10) * Power;
}

QString NumberText(double V)
{
    return QString::number(V, 'g', 10);
}

// The chart's view: the mouse and keys of zooming, panning and hovering, handed to the owner.
class TPlotView final : public QChartView {
public:
    struct THandlers {
        std::function<void(double From, double To)> Zoom;          // x values
        std::function<void(double Factor, double About)> Scale;    // x value
        std::function<void(double Pixels)> Pan;                    // pixels to the right
        std::function<void()> Reset;
        std::function<void(QPointF Value)> Hover;                  // NaN x: left the data
        std::function<bool()> Interactive;
    };

    TPlotView(QChart* Chart, THandlers Handlers, QWidget* Parent)
        : QChartView(Chart, Parent), Handlers_(std::move(Handlers)),
          Band_(new QRubberBand(QRubberBand::Rectangle, viewport()))
    {
        setRenderHint(QPainter::Antialiasing);
        setMouseTracking(true);
        setFocusPolicy(Qt::StrongFocus);
        setRubberBand(QChartView::NoRubberBand);
        Band_->hide();
    }

protected:
    void mousePressEvent(QMouseEvent* Event) override
    {
        if (!Handlers_.Interactive()) {
            return;
        }
        setFocus();
        const QPointF At = Event->position();
        if (Event->button() == Qt::LeftButton && chart()->plotArea().contains(At)) {
            Zooming_ = true;
            Origin_ = At;
            Band_->setGeometry(BandRect(At));
            Band_->show();
        } else if (Event->button() == Qt::RightButton || Event->button() == Qt::MiddleButton) {
            Panning_ = true;
            Origin_ = At;
            setCursor(Qt::ClosedHandCursor);
        }
    }

    void mouseMoveEvent(QMouseEvent* Event) override
    {
        const QPointF At = Event->position();
        if (Zooming_) {
            Band_->setGeometry(BandRect(At));
        } else if (Panning_) {
            Handlers_.Pan(At.x() - Origin_.x());
            Origin_ = At;
        }
        if (chart()->plotArea().contains(At)) {
            Handlers_.Hover(chart()->mapToValue(At));
        } else {
            Handlers_.Hover(QPointF(NoMarker, NoMarker));
        }
    }

    void mouseReleaseEvent(QMouseEvent* Event) override
    {
        if (Zooming_ && Event->button() == Qt::LeftButton) {
            Zooming_ = false;
            Band_->hide();
            const double X = Event->position().x();
            if (std::abs(X - Origin_.x()) >= DragThreshold) {
                const double A = chart()->mapToValue(QPointF(std::min(X, Origin_.x()), Origin_.y())).x();
                const double B = chart()->mapToValue(QPointF(std::max(X, Origin_.x()), Origin_.y())).x();
                Handlers_.Zoom(A, B);
            }
        } else if (Panning_) {
            Panning_ = false;
            unsetCursor();
        }
    }

    void mouseDoubleClickEvent(QMouseEvent*) override
    {
        if (Handlers_.Interactive()) {
            Handlers_.Reset();
        }
    }

    void wheelEvent(QWheelEvent* Event) override
    {
        if (!Handlers_.Interactive() || Event->angleDelta().y() == 0) {
            return;
        }
        const double About = chart()->mapToValue(Event->position()).x();
        Handlers_.Scale(std::pow(0.8, Event->angleDelta().y() / 120.0), About);
        Event->accept();
    }

    void keyPressEvent(QKeyEvent* Event) override
    {
        if (!Handlers_.Interactive()) {
            QChartView::keyPressEvent(Event);
            return;
        }
        const double Step = chart()->plotArea().width() / 10;
        const double Centre = chart()->mapToValue(chart()->plotArea().center()).x();
        switch (Event->key()) {
        case Qt::Key_Home:
            Handlers_.Reset();
            break;
        case Qt::Key_Left:
            Handlers_.Pan(Step);
            break;
        case Qt::Key_Right:
            Handlers_.Pan(-Step);
            break;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            Handlers_.Scale(0.8, Centre);
            break;
        case Qt::Key_Minus:
            Handlers_.Scale(1.25, Centre);
            break;
        default:
            QChartView::keyPressEvent(Event);
            return;
        }
        Event->accept();
    }

    void leaveEvent(QEvent*) override { Handlers_.Hover(QPointF(NoMarker, NoMarker)); }

private:
    // The dragged x range over the plot's full height.
    QRect BandRect(QPointF To) const
    {
        const QRectF Plot = chart()->plotArea();
        const double Left = std::clamp(std::min(To.x(), Origin_.x()), Plot.left(), Plot.right());
        const double Right = std::clamp(std::max(To.x(), Origin_.x()), Plot.left(), Plot.right());
        return QRectF(QPointF(Left, Plot.top()), QPointF(Right, Plot.bottom())).toRect();
    }

    THandlers Handlers_;
    QRubberBand* Band_;
    bool Zooming_ = false;
    bool Panning_ = false;
    QPointF Origin_;
};

}  // namespace

class TChartView::TImpl {
public:
    struct TLine {
        QString Name;
        std::vector<double> X;  // empty: x = X0 + I
        std::vector<double> Y;
        double X0 = 0;
        std::vector<double> Low;
        std::vector<double> High;
        QLineSeries* Series = nullptr;
        std::vector<TChartPoint> Drawn;
        double XAt(std::size_t I) const { return X.empty() ? X0 + static_cast<double>(I) : X[I]; }
    };

    explicit TImpl(TChartView& Owner) : Owner_(Owner), Chart(new QChart)
    {
        Chart->legend()->setAlignment(Qt::AlignBottom);
        Chart->setMargins(QMargins(4, 4, 4, 4));
        TPlotView::THandlers H;
        H.Zoom = [this](double From, double To) { ZoomX(From, To); };
        H.Scale = [this](double Factor, double About) {
            ZoomX(About - (About - From_) * Factor, About + (To_ - About) * Factor);
        };
        H.Pan = [this](double Pixels) {
            const double Shift = -Pixels * (To_ - From_) / std::max(1.0, Chart->plotArea().width());
            ZoomX(From_ + Shift, To_ + Shift, true);
        };
        H.Reset = [this] { ZoomX(DataFrom_, DataTo_); };
        H.Hover = [this](QPointF Value) {
            const QString Text = std::isnan(Value.x()) ? QString() : HoverTextAt(Value.x(), Value.y());
            if (Text.isEmpty()) {
                QToolTip::hideText();
            } else {
                QToolTip::showText(QCursor::pos(), Text, View);
            }
            emit Owner_.Hovered(Text);
        };
        H.Interactive = [this] { return !Lines.empty(); };
        View = new TPlotView(Chart, std::move(H), &Owner);
        Shade_ = new QGraphicsRectItem(Chart);
        Shade_->setBrush(QColor(0, 0, 0, 26));
        Shade_->setPen(Qt::NoPen);
        Shade_->setZValue(1.5);  // above the plot's background, below the grid and the lines
        Shade_->hide();
        Marker_ = new QGraphicsLineItem(Chart);
        Marker_->setPen(QPen(QColor(200, 0, 0), 1.5, Qt::DashLine));
        Marker_->setZValue(100);
        Marker_->hide();
        Empty_ = new QGraphicsSimpleTextItem(Chart);
        Empty_->setZValue(100);
        Empty_->hide();
        QObject::connect(Chart, &QChart::plotAreaChanged, View, [this](const QRectF&) { PlotAreaChanged(); });
    }

    // The axes stay for the chart's life: an axis removed from a chart leaves its drawing until
    // the event loop next runs.
    void Clear(const QString& XTitle, const QString& YTitle)
    {
        Chart->removeAllSeries();
        if (!AxisX) {
            AxisX = new QValueAxis;
            AxisY = new QValueAxis;
            Categories_ = new QBarCategoryAxis;
            Chart->addAxis(AxisX, Qt::AlignBottom);
            Chart->addAxis(Categories_, Qt::AlignBottom);
            Chart->addAxis(AxisY, Qt::AlignLeft);
            // The labels are fitted by FitCategoryLabels, never shortened to "...".
            Categories_->setTruncateLabels(false);
        }
        Lines.clear();
        Bars_ = false;
        Chart->legend()->setAlignment(Qt::AlignBottom);
        Chart->legend()->setVisible(true);
        AxisX->setVisible(true);
        Categories_->setVisible(false);
        Categories_->clear();
        AxisX->setTitleText(XTitle);
        Categories_->setTitleText(XTitle);
        AxisY->setTitleText(YTitle);
        Chart->setTitle(QString());
        XTitle_ = XTitle;
        YTitle_ = YTitle;
        DataFrom_ = 0;
        DataTo_ = 1;
        From_ = 0;
        To_ = 1;
        ShadeFrom_ = 1;
        ShadeTo_ = 0;
        Whiskers_ = nullptr;
        BarLabels_.clear();
        Redraw();
        UpdateEmpty();
    }

    // Adds Line; with Draw, the chart shows every line whole again.
    void AddLine(TLine Line, bool Draw = true)
    {
        auto* Series = new QLineSeries;
        Series->setName(Line.Name);
        // Ten colours that stay apart, where the theme's five would repeat from the sixth line.
        static const QColor Palette[] = {QColor(31, 119, 180), QColor(255, 127, 14), QColor(44, 160, 44),
                                         QColor(214, 39, 40), QColor(148, 103, 189), QColor(140, 86, 75),
                                         QColor(227, 119, 194), QColor(127, 127, 127), QColor(188, 189, 34),
                                         QColor(23, 190, 207)};
        Series->setPen(QPen(Palette[Lines.size() % std::size(Palette)], Line.X.empty() ? 1.2 : 2.0));
        Chart->addSeries(Series);
        Series->attachAxis(AxisX);
        Series->attachAxis(AxisY);
        Line.Series = Series;
        if (!Line.X.empty()) {
            Series->setPointsVisible(true);
        }
        if (!Line.Low.empty()) {
            auto* Upper = new QLineSeries;
            auto* Lower = new QLineSeries;
            for (std::size_t I = 0; I < Line.X.size(); ++I) {
                Upper->append(Line.X[I], Line.High[I]);
                Lower->append(Line.X[I], Line.Low[I]);
            }
            auto* Band = new QAreaSeries(Upper, Lower);
            // The area does not own its edges; as its children they go when the chart drops it.
            Upper->setParent(Band);
            Lower->setParent(Band);
            Band->setName(Line.Name + " \u00b1 1.96 SEM");
            QColor Colour = Series->color();
            Colour.setAlpha(50);
            Band->setBrush(Colour);
            Band->setPen(Qt::NoPen);
            Chart->addSeries(Band);
            Band->attachAxis(AxisX);
            Band->attachAxis(AxisY);
            for (QLegendMarker* M : Chart->legend()->markers(Band)) {
                M->setVisible(false);
            }
        }
        const bool First = Lines.empty();
        const double A = Line.Y.empty() ? 0 : Line.XAt(0);
        const double B = Line.Y.empty() ? 0 : Line.XAt(Line.Y.size() - 1);
        DataFrom_ = First ? A : std::min(DataFrom_, A);
        DataTo_ = First ? B : std::max(DataTo_, B);
        Lines.push_back(std::move(Line));
        if (Draw) {
            ShowAll();
        }
    }

    void ShowAll()
    {
        // A long legend goes down the right side, where each name has a line of its own (in one row
        // below, the names would be shortened to fit); past what it can name, the hover names the line.
        QFont Font = Owner_.font();
        Font.setPointSizeF(Lines.size() > 16 ? Font.pointSizeF() * 0.75 : Font.pointSizeF());
        const QFontMetricsF Metrics(Font);
        double RowWidth = 0;
        for (const TLine& Line : Lines) {
            RowWidth += Metrics.horizontalAdvance(Line.Name) + 3 * Metrics.height();  // the marker and gaps
        }
        const bool Right = Lines.size() > 8 || RowWidth > View->width() - 20;
        Chart->legend()->setAlignment(Right ? Qt::AlignRight : Qt::AlignBottom);
        Chart->legend()->setVisible(Lines.size() <= 30);
        Chart->legend()->setFont(Font);
        From_ = DataFrom_;
        To_ = DataTo_;
        UpdateEmpty();
        Redraw();
    }

    void SetBars(const QStringList& Categories, const std::vector<double>& Mean, const std::vector<double>& Min,
                 const std::vector<double>& Max)
    {
        Clear(XTitle_, YTitle_);
        Bars_ = true;
        // Over the bars, across the chart, a long metric name fits where the y axis's height would
        // shorten it.
        AxisY->setTitleText(QString());
        Chart->setTitle(YTitle_);
        BarLabels_ = Categories;
        Categories_->append(Categories);
        auto* MeanSet = new QBarSet("Avg");
        auto* Bars = new QBarSeries;
        Whiskers_ = new QBoxPlotSeries;
        Whiskers_->setName("Min to Max");
        Whiskers_->setBoxWidth(0.25);
        Whiskers_->setBrush(Qt::NoBrush);
        Whiskers_->setPen(QPen(Qt::black, 1.2));
        MeanLow_ = MeanHigh_ = RangeLow_ = RangeHigh_ = 0;
        for (qsizetype I = 0; I < Categories.size(); ++I) {
            const std::size_t K = static_cast<std::size_t>(I);
            MeanSet->append(Mean[K]);
            Whiskers_->append(new QBoxSet(Min[K], Mean[K], Mean[K], Mean[K], Max[K]));
            MeanLow_ = std::min(MeanLow_, Mean[K]);
            MeanHigh_ = std::max(MeanHigh_, Mean[K]);
            RangeLow_ = std::min({RangeLow_, Min[K], Mean[K]});
            RangeHigh_ = std::max({RangeHigh_, Max[K], Mean[K]});
        }
        Bars->append(MeanSet);
        Chart->addSeries(Bars);
        Chart->addSeries(Whiskers_);
        for (QAbstractSeries* S : {static_cast<QAbstractSeries*>(Bars), static_cast<QAbstractSeries*>(Whiskers_)}) {
            S->attachAxis(Categories_);
            S->attachAxis(AxisY);
        }
        Chart->legend()->setVisible(true);
        UpdateEmpty();
        ShowRange();
        FitCategoryLabels();
    }

    // The whiskers as RangeShown_ says, and the y axis fitted to what is drawn.
    void ShowRange()
    {
        if (!Whiskers_) {
            return;
        }
        Whiskers_->setVisible(RangeShown_);
        for (QLegendMarker* M : Chart->legend()->markers(Whiskers_)) {
            M->setVisible(RangeShown_);
        }
        FitY(RangeShown_ ? RangeLow_ : MeanLow_, RangeShown_ ? RangeHigh_ : MeanHigh_);
    }

    // Labels side by side while each fits its category's width, upright when not, and only every
    // Step-th named when even upright they would touch. The plot's width alone decides, so turning
    // the labels (which changes only its height) cannot undo the choice.
    void FitCategoryLabels()
    {
        const auto N = BarLabels_.size();
        if (!Bars_ || N == 0) {
            return;
        }
        const QFontMetricsF Metrics(Categories_->labelsFont());
        double Widest = 0;
        for (const QString& Label : BarLabels_) {
            Widest = std::max(Widest, Metrics.horizontalAdvance(Label));
        }
        const double Room = Chart->plotArea().width() / static_cast<double>(N);
        const bool Upright = Widest + Metrics.averageCharWidth() > Room;
        int Step = 1;
        if (Upright) {
            for (const int S : {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000}) {
                Step = S;
                if (Room * S >= Metrics.height() * 1.2) {
                    break;
                }
            }
        }
        Categories_->setLabelsAngle(Upright ? -90 : 0);
        QStringList Shown;
        for (qsizetype I = 0; I < N; ++I) {
            Shown << (I % Step == 0 ? BarLabels_[I] : QString(I + 1, Unnamed));
        }
        if (Shown != Categories_->categories()) {
            for (qsizetype I = 0; I < N; ++I) {
                Categories_->replace(Categories_->at(I), Shown[I]);
            }
        }
    }

    // With no lines and no bars, EmptyText_ (when there is one) in place of the axes and the legend.
    void UpdateEmpty()
    {
        const bool Empty = Lines.empty() && !Bars_ && !EmptyText_.isEmpty();
        AxisY->setVisible(!Empty);
        AxisX->setVisible(!Empty && !Bars_);
        Categories_->setVisible(!Empty && Bars_);
        if (Empty) {
            Chart->legend()->setVisible(false);
        }
        Empty_->setText(EmptyText_);
        Empty_->setVisible(Empty);
        PlaceEmptyText();
    }

    void PlaceEmptyText()
    {
        const QRectF Text = Empty_->boundingRect();
        Empty_->setPos(Chart->plotArea().center() - QPointF(Text.width() / 2, Text.height() / 2));
    }

    void ZoomX(double From, double To, bool KeepSpan = false)
    {
        if (Lines.empty()) {
            return;
        }
        const double DataSpan = DataTo_ - DataFrom_;
        const double Span = KeepSpan ? To_ - From_ : std::clamp(To - From, std::min(1.0, DataSpan), DataSpan);
        From = std::clamp(From, DataFrom_, DataTo_ - Span);
        From_ = From;
        To_ = From + Span;
        Redraw();
    }

    // The lines of the visible range again, the axes fitted to them. Fitting the axes can change
    // the plot's width, and with it the columns: a few passes settle it.
    void Redraw()
    {
        if (Updating_) {
            RedrawAgain_ = true;
            return;
        }
        Updating_ = true;
        for (int Pass = 0; Pass < 3; ++Pass) {
            RedrawAgain_ = false;
            RedrawOnce();
            if (!RedrawAgain_) {
                break;
            }
        }
        Updating_ = false;
        UpdateOverlay();
    }

    void RedrawOnce()
    {
        if (Bars_) {
            UpdateOverlay();
            return;
        }
        double From = From_;
        double To = To_;
        if (To <= From) {  // a single point: half a unit on either side
            From -= 0.5;
            To += 0.5;
        }
        const int Columns = std::max(1, static_cast<int>(std::ceil(Chart->plotArea().width())));
        DrawnColumns_ = Columns;
        double Low = std::numeric_limits<double>::infinity();
        double High = -Low;
        for (TLine& Line : Lines) {
            if (Line.X.empty()) {
                Line.Drawn = DecimateMinMax(Line.Y, Line.X0, From, To, Columns);
            } else {
                Line.Drawn.clear();
                for (std::size_t I = 0; I < Line.X.size(); ++I) {
                    Line.Drawn.push_back({Line.X[I], Line.Y[I]});
                }
            }
            for (std::size_t I = 0; I < Line.Drawn.size(); ++I) {
                const TChartPoint& P = Line.Drawn[I];
                if (P.X >= From && P.X <= To && std::isfinite(P.Y)) {
                    Low = std::min(Low, P.Y);
                    High = std::max(High, P.Y);
                    if (!Line.Low.empty()) {
                        Low = std::min(Low, Line.Low[I]);
                        High = std::max(High, Line.High[I]);
                    }
                }
            }
        }
        // A line lays out its whole path again at every change of an axis and of its points: the
        // lines are emptied, the axes set, and then each line gets its points once.
        for (TLine& Line : Lines) {
            Line.Series->clear();
        }
        if (AxisX) {
            // The ticks are laid out at every step: with the old interval over the new range (or the
            // new over the old) there could be millions of them, so the larger comes first.
            const double Step = NiceStep(To - From, 8);
            AxisX->setTickType(QValueAxis::TicksDynamic);
            AxisX->setTickAnchor(0);
            AxisX->setTickInterval(std::max(Step, AxisX->tickInterval()));
            AxisX->setRange(From, To);
            AxisX->setTickInterval(Step);
            AxisX->setLabelFormat(Step >= 1 ? "%.0f" : "%g");
        }
        if (Low > High) {
            Low = 0;
            High = 1;
        }
        FitY(Low, High);
        for (TLine& Line : Lines) {
            QList<QPointF> Points;
            Points.reserve(static_cast<qsizetype>(Line.Drawn.size()));
            for (const TChartPoint& P : Line.Drawn) {
                Points.append(QPointF(P.X, P.Y));
            }
            Line.Series->replace(Points);
        }
    }

    void FitY(double Low, double High)
    {
        if (!AxisY) {
            return;
        }
        if (High - Low < 1e-9) {
            Low -= 1;
            High += 1;
        }
        const double Pad = (High - Low) * 0.05;
        // Values that are never negative keep zero as the axis's foot.
        Low = Low >= 0 ? std::max(0.0, Low - Pad) : Low - Pad;
        High += Pad;
        // About five ticks at a round step, the axis's ends on ticks.
        const double Step = NiceStep(High - Low, 5);
        Low = std::floor(Low / Step) * Step;
        High = std::ceil(High / Step) * Step;
        AxisY->setRange(Low, High);
        AxisY->setTickCount(static_cast<int>(std::lround((High - Low) / Step)) + 1);
        AxisY->setLabelFormat("%g");
        UpdateOverlay();
    }

    void PlotAreaChanged()
    {
        PlaceEmptyText();
        if (!Bars_ && static_cast<int>(std::ceil(Chart->plotArea().width())) != DrawnColumns_) {
            Redraw();
        } else {
            FitCategoryLabels();
            UpdateOverlay();
        }
    }

    void UpdateOverlay()
    {
        const QRectF Plot = Chart->plotArea();
        const bool Axes = !Bars_ && !Lines.empty() && AxisX;
        const auto XPos = [&](double X) {
            return std::clamp(Chart->mapToPosition(QPointF(X, AxisY->min()), Lines.front().Series).x(), Plot.left(),
                              Plot.right());
        };
        if (Axes && ShadeFrom_ < ShadeTo_ && ShadeTo_ >= From_ && ShadeFrom_ <= To_) {
            const double L = XPos(ShadeFrom_);
            const double R = XPos(ShadeTo_);
            Shade_->setRect(QRectF(QPointF(L, Plot.top()), QPointF(R, Plot.bottom())));
            Shade_->show();
        } else {
            Shade_->hide();
        }
        if (Axes && std::isfinite(MarkerX_) && MarkerX_ >= From_ && MarkerX_ <= To_) {
            const double X = XPos(MarkerX_);
            Marker_->setLine(X, Plot.top(), X, Plot.bottom());
            Marker_->show();
        } else {
            Marker_->hide();
        }
    }

    QString HoverTextAt(double X, double Y) const
    {
        const TLine* Best = nullptr;
        double BestX = 0;
        double BestY = 0;
        for (const TLine& Line : Lines) {
            if (Line.Y.empty()) {
                continue;
            }
            std::size_t I = 0;
            if (Line.X.empty()) {
                const double At = std::round(X - Line.X0);
                if (At < 0 || At >= static_cast<double>(Line.Y.size())) {
                    continue;
                }
                I = static_cast<std::size_t>(At);
            } else {
                const auto Next = std::lower_bound(Line.X.begin(), Line.X.end(), X);
                I = static_cast<std::size_t>(Next - Line.X.begin());
                if (I == Line.X.size() || (I > 0 && X - Line.X[I - 1] < Line.X[I] - X)) {
                    --I;
                }
            }
            if (!Best || std::abs(Line.Y[I] - Y) < std::abs(BestY - Y)) {
                Best = &Line;
                BestX = Line.XAt(I);
                BestY = Line.Y[I];
            }
        }
        if (!Best) {
            return {};
        }
        return QString("%1 %2: %3 = %4").arg(XTitle_, NumberText(BestX), Best->Name, NumberText(BestY));
    }

    TChartView& Owner_;
    QChart* Chart;
    TPlotView* View = nullptr;
    QValueAxis* AxisX = nullptr;
    QValueAxis* AxisY = nullptr;
    QBarCategoryAxis* Categories_ = nullptr;
    QBoxPlotSeries* Whiskers_ = nullptr;  // of the bars shown; owned by the chart
    QStringList BarLabels_;                // the categories' names, all of them
    bool RangeShown_ = true;
    double MeanLow_ = 0;
    double MeanHigh_ = 0;
    double RangeLow_ = 0;
    double RangeHigh_ = 0;
    QString EmptyText_;
    QGraphicsSimpleTextItem* Empty_ = nullptr;
    std::string FileBase_;
    std::vector<TLine> Lines;
    QString XTitle_;
    QString YTitle_;
    bool Bars_ = false;
    bool Updating_ = false;
    bool RedrawAgain_ = false;
    int DrawnColumns_ = 0;
    double DataFrom_ = 0;
    double DataTo_ = 1;
    double From_ = 0;
    double To_ = 1;
    double ShadeFrom_ = 1;
    double ShadeTo_ = 0;
    double MarkerX_ = NoMarker;
    QGraphicsRectItem* Shade_ = nullptr;
    QGraphicsLineItem* Marker_ = nullptr;
};

TChartView::TChartView(QWidget* Parent) : QWidget(Parent), Impl_(std::make_unique<TImpl>(*this))
{
    auto* Layout = new QVBoxLayout(this);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->addWidget(Impl_->View);
    Impl_->View->setObjectName("PlotView");
    Impl_->View->setAccessibleName("Plot");
    Impl_->Clear(QString(), QString());
}

TChartView::~TChartView() = default;

void TChartView::Clear(const QString& XTitle, const QString& YTitle)
{
    Impl_->Clear(XTitle, YTitle);
}

void TChartView::AddLines(std::vector<TLine> Lines)
{
    for (TLine& L : Lines) {
        TImpl::TLine Line;
        Line.Name = std::move(L.Name);
        Line.Y = std::move(L.Y);
        Line.X0 = L.X0;
        Impl_->AddLine(std::move(Line), false);
    }
    Impl_->ShowAll();
}

void TChartView::AddPointLine(const QString& Name, std::vector<double> X, std::vector<double> Y,
                              const std::vector<double>& Low, const std::vector<double>& High)
{
    TImpl::TLine Line;
    Line.Name = Name;
    Line.X = std::move(X);
    Line.Y = std::move(Y);
    if (Low.size() == Line.X.size() && High.size() == Line.X.size()) {
        Line.Low = Low;
        Line.High = High;
    }
    Impl_->AddLine(std::move(Line));
}

void TChartView::SetBars(const QStringList& Categories, const std::vector<double>& Mean, const std::vector<double>& Min,
                         const std::vector<double>& Max)
{
    Impl_->SetBars(Categories, Mean, Min, Max);
}

void TChartView::SetRangeShown(bool Shown)
{
    Impl_->RangeShown_ = Shown;
    Impl_->ShowRange();
}

void TChartView::SetEmptyText(const QString& Text)
{
    Impl_->EmptyText_ = Text;
    Impl_->UpdateEmpty();
}

void TChartView::SetShade(double From, double To)
{
    Impl_->ShadeFrom_ = From;
    Impl_->ShadeTo_ = To;
    Impl_->UpdateOverlay();
}

void TChartView::SetMarker(double X)
{
    Impl_->MarkerX_ = X;
    Impl_->UpdateOverlay();
}

double TChartView::MarkerX() const
{
    return Impl_->MarkerX_;
}

void TChartView::ResetZoom()
{
    Impl_->ZoomX(Impl_->DataFrom_, Impl_->DataTo_);
}

void TChartView::ZoomX(double From, double To)
{
    Impl_->ZoomX(From, To);
}

double TChartView::XFrom() const
{
    return Impl_->From_;
}

double TChartView::XTo() const
{
    return Impl_->To_;
}

int TChartView::NumLines() const
{
    return static_cast<int>(Impl_->Lines.size());
}

const std::vector<double>& TChartView::LineValues(int N) const
{
    return Impl_->Lines[static_cast<std::size_t>(N)].Y;
}

std::vector<TChartPoint> TChartView::DrawnPoints(int N) const
{
    std::vector<TChartPoint> Out;
    for (const QPointF& P : Impl_->Lines[static_cast<std::size_t>(N)].Series->points()) {
        Out.push_back({P.x(), P.y()});
    }
    return Out;
}

QString TChartView::HoverTextAt(double X, double Y) const
{
    return Impl_->HoverTextAt(X, Y);
}

double TChartView::YFrom() const
{
    return Impl_->AxisY->min();
}

double TChartView::YTo() const
{
    return Impl_->AxisY->max();
}

QStringList TChartView::DrawnTexts() const
{
    QStringList Texts;
    for (const QGraphicsItem* Item : Impl_->View->scene()->items(Qt::AscendingOrder)) {
        if (!Item->isVisible()) {
            continue;
        }
        QString Text;
        if (const auto* Rich = qgraphicsitem_cast<const QGraphicsTextItem*>(Item)) {
            Text = Rich->toPlainText();
        } else if (const auto* Plain = qgraphicsitem_cast<const QGraphicsSimpleTextItem*>(Item)) {
            Text = Plain->text();
        }
        Text.remove(Unnamed);
        if (!Text.isEmpty()) {
            Texts << Text;
        }
    }
    return Texts;
}

void TChartView::SetFileBaseName(std::string Base)
{
    Impl_->FileBase_ = std::move(Base);
}

std::string TChartView::FileBaseNameOf(const std::string& ModelFile)
{
    return std::filesystem::path(ModelFile).replace_extension().string();
}

std::string TChartView::SuggestedFileName() const
{
    QString Title = Impl_->YTitle_;
    if (Title.isEmpty()) {
        Title = "Chart";
    }
    const std::string Name = Title.toStdString() + ".png";
    return Impl_->FileBase_.empty() ? Name : Impl_->FileBase_ + " - " + Name;
}

std::string TChartView::SaveImage(const std::string& Path) const
{
    QByteArray Bytes;
    QBuffer Buffer(&Bytes);
    Buffer.open(QIODevice::WriteOnly);
    QChartView& View = *Impl_->View;
    const QSize Size = View.size();
    const QString Name = QString::fromStdString(Path);
    if (Name.endsWith(".svg", Qt::CaseInsensitive)) {
        QSvgGenerator Svg;
        Svg.setOutputDevice(&Buffer);
        Svg.setSize(Size);
        Svg.setViewBox(QRect(QPoint(0, 0), Size));
        Svg.setTitle("Orvantis chart");
        QPainter Painter(&Svg);
        View.render(&Painter);
    } else {
        QImage Image(Size, QImage::Format_ARGB32);
        Image.fill(Qt::white);
        QPainter Painter(&Image);
        View.render(&Painter);
        Painter.end();
        Image.save(&Buffer, "PNG");
    }
    const TFileResult Result = WriteFileAtomically(Path, std::string(Bytes.constData(), static_cast<std::size_t>(Bytes.size())));
    return Result.Ok ? std::string() : Result.Message;
}

void SaveChartAs(FileDialogs& Files, Dialogs& Messages, const TChartView& Chart)
{
    const std::optional<std::string> Path = Files.ChooseSaveFile({"Save Chart As", "png", ChartFileFilter, Chart.SuggestedFileName()});
    if (!Path) {
        return;
    }
    const std::string Error = Chart.SaveImage(*Path);
    if (!Error.empty()) {
        Messages.ShowError(Error);
    }
}

void LayOutChartPanel(QWidget& Panel, const char* LabelName, QComboBox& List, TChartView& Chart, FileDialogs& Files,
                      Dialogs& Messages, QWidget* Extra)
{
    auto* Save = NewCaptioned<QPushButton>("SaveChartButton", "Save C&hart...");
    auto* Bar = new QHBoxLayout;
    Bar->addWidget(NewBuddyLabel(LabelName, "C&hart of", &List));
    Bar->addWidget(&List);
    if (Extra) {
        Bar->addWidget(Extra);
    }
    Bar->addStretch();
    Bar->addWidget(Save);
    auto* Layout = new QVBoxLayout(&Panel);
    Layout->setContentsMargins(4, 4, 4, 0);
    Layout->setSpacing(2);
    Layout->addLayout(Bar);
    Layout->addWidget(&Chart, 1);
    QObject::connect(Save, &QPushButton::clicked, &Panel,
                     [&Files, &Messages, &Chart] { SaveChartAs(Files, Messages, Chart); });
}

#include "ui/DiagramView.h"

#include <QAccessible>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

#include "ui/Accessibility.h"

namespace {

// How far the mouse must move with the left button held before a press becomes a drag.
constexpr int DragThreshold = 2;

QColor ToQColor(TColour C)
{
    return QColor(C.R, C.G, C.B);
}

// The corners of a filled area as a rectangle of the columns and rows it covers.
QRect AreaOf(const TDiagramItem& I)
{
    return QRect(QPoint(std::min(I.X1, I.X2), std::min(I.Y1, I.Y2)), QPoint(std::max(I.X1, I.X2) - 1, std::max(I.Y1, I.Y2) - 1));
}

// The drawing surface: paints the view's picture as it is.
class TSurface : public QWidget {
public:
    TSurface(const TDiagramPicture& Picture, QWidget* Parent) : QWidget(Parent), Picture_(Picture) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter Painter(this);
        Painter.fillRect(rect(), Qt::white);  // beyond the picture's own area too
        for (const TDiagramItem& I : Picture_.Items) {
            switch (I.Kind) {
            case TDiagramItem::TKind::Fill:
                Painter.fillRect(AreaOf(I), ToQColor(I.Brush));
                break;
            case TDiagramItem::TKind::Rectangle: {
                const QRect Area = AreaOf(I);
                if (Area.isEmpty()) {
                    break;
                }
                Painter.fillRect(Area, ToQColor(I.Brush));
                Painter.setPen(QPen(ToQColor(I.Pen), 1));
                Painter.setBrush(Qt::NoBrush);
                Painter.drawRect(Area.adjusted(0, 0, -1, -1));
                break;
            }
            case TDiagramItem::TKind::Line:
                Painter.setPen(QPen(ToQColor(I.Pen), I.PenWidth, Qt::SolidLine, Qt::FlatCap));
                Painter.drawLine(I.X1, I.Y1, I.X2, I.Y2);
                break;
            case TDiagramItem::TKind::Text:
                Painter.setPen(ToQColor(I.Pen));
                Painter.drawText(QRect(I.X1, I.Y1, width(), height()), Qt::AlignLeft | Qt::AlignTop,
                                 QString::fromStdString(I.Text));
                break;
            }
        }
    }

private:
    const TDiagramPicture& Picture_;
};

}  // namespace

TStageBox::TStageBox(int StageNum, QWidget* Parent) : QLabel(QString::number(StageNum), Parent), StageNum_(StageNum)
{
    InstallAccessibleFactory();
    setObjectName(QString("StageBox%1").arg(StageNum));
    setAccessibleName(QString("Stage %1").arg(StageNum));
    setFixedSize(StageBoxSize, StageBoxSize);
    setAlignment(Qt::AlignCenter);
    QFont Big = font();
    Big.setPointSize(12);
    setFont(Big);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::TabFocus);
    SetSelected(false);
    SetColour(White);
}

void TStageBox::SetSelected(bool Selected)
{
    const bool Changed = Selected != Selected_;
    Selected_ = Selected;
    setFrameStyle(Selected ? QFrame::Panel | QFrame::Raised : QFrame::Box | QFrame::Plain);
    setLineWidth(Selected ? 3 : 1);
    if (Changed && QAccessible::isActive()) {
        QAccessible::State States;
        States.selected = true;
        QAccessibleStateChangeEvent Event(this, States);
        QAccessible::updateAccessibility(&Event);
    }
}

void TStageBox::SetColour(TColour Colour)
{
    Colour_ = Colour;
    QPalette Colours = palette();
    Colours.setColor(QPalette::Window, ToQColor(Colour));
    Colours.setColor(QPalette::WindowText, Qt::black);
    // The raised frame's edges, visible on a white box and a white diagram alike.
    Colours.setColor(QPalette::Light, QColor(205, 205, 205));
    Colours.setColor(QPalette::Dark, QColor(80, 80, 80));
    setPalette(Colours);
}

void TStageBox::keyPressEvent(QKeyEvent* Event)
{
    if (Event->key() == Qt::Key_Space || Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter) {
        Click();
        return;
    }
    QLabel::keyPressEvent(Event);
}

void TStageBox::paintEvent(QPaintEvent* Event)
{
    QLabel::paintEvent(Event);
    if (!hasFocus()) {
        return;
    }
    QStylePainter Painter(this);
    QStyleOptionFocusRect Focus;
    Focus.initFrom(this);
    Focus.rect = contentsRect().adjusted(3, 3, -3, -3);
    Focus.backgroundColor = palette().color(QPalette::Window);
    Painter.drawPrimitive(QStyle::PE_FrameFocusRect, Focus);
}

void TStageBox::Click()
{
    emit Clicked(this);
}

TDiagramView::TDiagramView(QWidget* Parent) : QFrame(Parent)
{
    setObjectName("Diagram");
    setAccessibleName("Network diagram");
    // The picture's own size by default; a larger view shows more white room to place boxes in.
    resize(DiagramWidth, DiagramHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    Surface_ = new TSurface(Picture_, this);
    Surface_->setObjectName("Surface");
    Surface_->setAccessibleName("Network picture");
    Surface_->setGeometry(0, 0, DiagramWidth, DiagramHeight);
}

QSize TDiagramView::sizeHint() const
{
    return {DiagramWidth, DiagramHeight};
}

void TDiagramView::resizeEvent(QResizeEvent* Event)
{
    QFrame::resizeEvent(Event);
    Surface_->setGeometry(rect());
}

TStageBox* TDiagramView::AddBox(int StageNum, int Left, int Top)
{
    auto* B = new TStageBox(StageNum, this);
    B->move(Left, Top);
    B->installEventFilter(this);
    connect(B, &TStageBox::Clicked, this, [this](TStageBox* Clicked) { emit StageClicked(Clicked->StageNum()); });
    Boxes_.push_back(B);
    B->show();
    return B;
}

void TDiagramView::RemoveAllBoxes()
{
    EndDrag();
    for (TStageBox* B : Boxes_) {
        delete B;
    }
    Boxes_.clear();
}

TStageBox* TDiagramView::Box(int StageNum) const
{
    return StageNum >= 1 && StageNum <= NumBoxes() ? Boxes_[static_cast<std::size_t>(StageNum) - 1] : nullptr;
}

void TDiagramView::SetSelected(int StageNum)
{
    for (TStageBox* B : Boxes_) {
        B->SetSelected(B->StageNum() == StageNum);
    }
}

void TDiagramView::SetPicture(TDiagramPicture Picture)
{
    Picture_ = std::move(Picture);
    ColourBoxes();
    Surface_->update();
}

TLabelExtent TDiagramView::LabelExtent() const
{
    const QFontMetrics Metrics(Surface_->font());
    return {Metrics.horizontalAdvance(QStringLiteral("9999")), Metrics.height()};
}

void TDiagramView::ColourBoxes()
{
    for (TStageBox* B : Boxes_) {
        const auto N = static_cast<std::size_t>(B->StageNum());
        const bool Failed = N < Picture_.Failed.size() && Picture_.Failed[N];
        B->SetColour(B->StageNum() == Hover_ ? Silver : Failed ? Red : White);
    }
}

void TDiagramView::SetHover(int StageNum)
{
    if (Hover_ != StageNum) {
        Hover_ = StageNum;
        ColourBoxes();
    }
}

TStageBox* TDiagramView::BoxAt(QPoint Point) const
{
    return rect().contains(Point) ? qobject_cast<TStageBox*>(childAt(Point)) : nullptr;
}

bool TDiagramView::eventFilter(QObject* Watched, QEvent* Event)
{
    auto* B = qobject_cast<TStageBox*>(Watched);
    const QEvent::Type Type = Event->type();
    if (B && (Type == QEvent::MouseButtonPress || Type == QEvent::MouseMove || Type == QEvent::MouseButtonRelease)) {
        BoxMouseEvent(*B, static_cast<QMouseEvent&>(*Event));
        return true;
    }
    return QFrame::eventFilter(Watched, Event);
}

void TDiagramView::EndDrag()
{
    if (Dragging_) {
        QGuiApplication::restoreOverrideCursor();
    }
    Dragging_ = false;
    Pressed_ = nullptr;
    SetHover(0);
}

void TDiagramView::BoxMouseEvent(TStageBox& B, QMouseEvent& Event)
{
    const QPoint InBox = Event.position().toPoint();
    const QPoint OnDiagram = B.mapTo(this, InBox);
    switch (Event.type()) {
    case QEvent::MouseButtonPress:
        if (Event.button() == Qt::LeftButton) {
            Pressed_ = &B;
            PressPoint_ = InBox;
            Dragging_ = false;
        }
        break;
    case QEvent::MouseMove: {
        if (Pressed_ != &B || !(Event.buttons() & Qt::LeftButton)) {
            break;
        }
        if (!Dragging_ && (std::abs(InBox.x() - PressPoint_.x()) >= DragThreshold ||
                           std::abs(InBox.y() - PressPoint_.y()) >= DragThreshold)) {
            Dragging_ = true;
            QGuiApplication::setOverrideCursor(Qt::DragMoveCursor);
        }
        if (Dragging_) {
            const TStageBox* Over = BoxAt(OnDiagram);
            SetHover(Over && Over != &B ? Over->StageNum() : 0);
        }
        break;
    }
    case QEvent::MouseButtonRelease: {
        if (Pressed_ != &B || Event.button() != Qt::LeftButton) {
            break;
        }
        const bool WasDrag = Dragging_;
        const QPoint Offset = PressPoint_;
        EndDrag();
        const int N = B.StageNum();
        if (!WasDrag) {
            emit StageClicked(N);
            break;
        }
        if (!rect().contains(OnDiagram)) {  // dropped off the diagram: nothing happens
            break;
        }
        const TStageBox* Target = BoxAt(OnDiagram);
        if (Target && Target != &B) {
            emit LinkRequested(N, Target->StageNum());
        } else {
            const QPoint TopLeft = OnDiagram - Offset;
            B.move(TopLeft);
            emit StageMoved(N, TopLeft.x(), TopLeft.y());
        }
        break;
    }
    default:
        break;
    }
}

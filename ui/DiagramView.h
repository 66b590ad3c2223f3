#pragma once
#include <vector>

#include <QFrame>
#include <QLabel>
#include <QPoint>

#include "ui/DiagramPicture.h"

// A stage's box on the diagram: its number, 50 x 50, white, red when the stage failed in the
// shown period, silver while another box is dragged over it, a raised frame when selected, a
// focus frame inside while the keyboard is on it.
// Assistive technology sees a button (ui/Accessibility.h).
class TStageBox : public QLabel {
    Q_OBJECT
public:
    TStageBox(int StageNum, QWidget* Parent);
    int StageNum() const { return StageNum_; }
    void SetSelected(bool Selected);
    bool IsSelected() const { return Selected_; }
    void SetColour(TColour Colour);
    TColour Colour() const { return Colour_; }
    // A click without the mouse: Space or Enter on the focused box, or assistive technology's press.
    void Click();

signals:
    void Clicked(TStageBox* Box);

protected:
    void keyPressEvent(QKeyEvent* Event) override;
    void paintEvent(QPaintEvent* Event) override;

private:
    int StageNum_;
    bool Selected_ = false;
    TColour Colour_ = White;
};

// The network diagram: a 617 x 369 panel whose surface paints the
// TDiagramPicture it was last given (nothing before the first), with the stage boxes on top. The
// mouse on a box clicks it or, after a 2-pixel move with the left button held, drags it; the drop
// is reported, the view decides nothing about the model.
class TDiagramView : public QFrame {
    Q_OBJECT
public:
    explicit TDiagramView(QWidget* Parent = nullptr);

    // The box of stage StageNum (the next number) at Left, Top.
    TStageBox* AddBox(int StageNum, int Left, int Top);
    void RemoveAllBoxes();
    TStageBox* Box(int StageNum) const;
    int NumBoxes() const { return static_cast<int>(Boxes_.size()); }
    // The raised frame on StageNum's box only (0: none).
    void SetSelected(int StageNum);
    // Paints Picture and colours the boxes by its failed stages.
    void SetPicture(TDiagramPicture Picture);
    // Sizes of the inventory label texts in the font the surface paints them with.
    TLabelExtent LabelExtent() const;
    QSize sizeHint() const override;

signals:
    // A left press and release on a box without a drag.
    void StageClicked(int StageNum);
    // A box dropped on the empty surface or on itself; Left, Top is its new place.
    void StageMoved(int StageNum, int Left, int Top);
    // A box dropped on another box: link Supplier as a supplier of Customer.
    void LinkRequested(int SupplierNum, int CustomerNum);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;

private:
    void BoxMouseEvent(TStageBox& Box, QMouseEvent& Event);
    // The box under Point (diagram coordinates), or nullptr for the surface and off the diagram.
    TStageBox* BoxAt(QPoint Point) const;
    void SetHover(int StageNum);
    void ColourBoxes();
    void EndDrag();

    QWidget* Surface_;
    std::vector<TStageBox*> Boxes_;  // index StageNum - 1
    TDiagramPicture Picture_;
    TStageBox* Pressed_ = nullptr;
    QPoint PressPoint_;  // where in the box the left button went down
    bool Dragging_ = false;
    int Hover_ = 0;
};

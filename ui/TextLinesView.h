#pragma once
#include <string>
#include <vector>

#include <QAbstractScrollArea>

// A read-only view of many lines of fixed-pitch text, without word wrap. It keeps the lines as
// given and lays out nothing in advance: a paint draws only the lines in view, so a report of
// tens of megabytes shows as quickly as a short one. The mouse selects text (Ctrl+A all of it),
// Ctrl+C copies the selection; the keys scroll.
class TTextLinesView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TTextLinesView(QWidget* Parent = nullptr);

    // Replaces the text, clears the selection and scrolls to the start.
    void SetLines(std::vector<std::string> Lines);
    const std::vector<std::string>& Lines() const { return Lines_; }
    // Scrolls to the first line and column.
    void ScrollToStart();
    // The selected text, lines joined by "\n".
    QString SelectedText() const;
    void SelectAll();

protected:
    void paintEvent(QPaintEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void changeEvent(QEvent* Event) override;

private:
    struct TPos {
        int Line = 0;
        int Column = 0;
        auto operator<=>(const TPos&) const = default;
    };
    TPos PosAt(const QPoint& ViewportPoint) const;
    void UpdateScrollBars();
    double CharWidth() const;
    int LineHeight() const;

    std::vector<std::string> Lines_;
    int LongestLine_ = 0;
    TPos Anchor_;
    TPos Cursor_;
};

#pragma once
#include <memory>
#include <string>
#include <vector>

#include <QString>
#include <QStringList>
#include <QWidget>

#include "ui/ChartSeries.h"

class Dialogs;
class FileDialogs;
class QComboBox;
class QPushButton;

// A chart of lines over a numeric x axis, or of bars by category, drawn with Qt Charts, which no
// other file of ui/ includes. Lines keep their full data: what is drawn is the visible range
// thinned to its lowest and highest point per pixel column, redone on every zoom, pan and resize.
// The y axis fits what is visible.
// Mouse and keys on a line chart: drag to zoom into the dragged range, the wheel zooms about the
// pointer, a right- or middle-button drag (or the arrow keys) pans, Home or a double-click shows
// everything again. Hovering names the nearest line's value at the x under the pointer.
class TChartView : public QWidget {
    Q_OBJECT
public:
    explicit TChartView(QWidget* Parent = nullptr);
    ~TChartView() override;

    // Removes every line, bar, band, shade and marker; the axes get these titles.
    void Clear(const QString& XTitle, const QString& YTitle);
    // Lines through Y[I] at x = X0 + I, thinned as they are drawn; added together, drawn once.
    struct TLine {
        QString Name;
        std::vector<double> Y;
        double X0 = 1;
    };
    void AddLines(std::vector<TLine> Lines);
    // A line through the points (X[I], Y[I]), X ascending, drawn with its points; with Low and
    // High (as long as X) a band between them in the line's colour.
    void AddPointLine(const QString& Name, std::vector<double> X, std::vector<double> Y,
                      const std::vector<double>& Low = {}, const std::vector<double>& High = {});
    // Bars of Mean by category, each with a whisker from Min to Max, in place of any lines. The
    // category labels are never elided: turned upright when they do not fit side by side, and only
    // every second, fifth, ... one named when even that is too tight.
    void SetBars(const QStringList& Categories, const std::vector<double>& Mean, const std::vector<double>& Min,
                 const std::vector<double>& Max);
    // Whether the whiskers are drawn; without them the y axis fits the means alone, which a wide
    // range would flatten to slivers. Drawn until told otherwise.
    void SetRangeShown(bool Shown);
    // Text shown in place of the axes and the legend while there are no lines and no bars ("no
    // run"); none when empty.
    void SetEmptyText(const QString& Text);
    // Shades x in [From, To] (the warm-up); nothing when To <= From.
    void SetShade(double From, double To);
    // A vertical line at X (the period shown elsewhere); none when X is not finite.
    void SetMarker(double X);
    double MarkerX() const;

    // The x range of all lines, and the x range shown now.
    void ResetZoom();
    // Shows x in [From, To] (at least one unit wide, kept within the data).
    void ZoomX(double From, double To);
    double XFrom() const;
    double XTo() const;

    int NumLines() const;
    // Line N's full values and the points drawn for it now. REQUIRES: 0 <= N < NumLines().
    const std::vector<double>& LineValues(int N) const;
    std::vector<TChartPoint> DrawnPoints(int N) const;
    // What hovering at x = X, y = Y shows: the nearest line's name, the x and its value there;
    // empty outside the data.
    QString HoverTextAt(double X, double Y) const;

    // The y axis's range as drawn.
    double YFrom() const;
    double YTo() const;
    // Every text drawn on the chart now (titles, axis labels, legend), as drawn: elided if it was.
    QStringList DrawnTexts() const;

    // The start of the name Save Chart suggests (a path without extension, the model's file); the
    // name is "<base> - <y axis title>.png", or the title alone without a base.
    void SetFileBaseName(std::string Base);
    std::string SuggestedFileName() const;
    // The base name of the charts of the model file ModelFile: its path without the extension.
    static std::string FileBaseNameOf(const std::string& ModelFile);

    // Writes the chart as it is shown to Path: SVG when Path ends in ".svg" (any case), PNG
    // otherwise, replacing the file atomically. Empty, or the message naming the file and reason.
    std::string SaveImage(const std::string& Path) const;

signals:
    // The hover text under the pointer, empty when it leaves the data.
    void Hovered(const QString& Text);

private:
    class TImpl;
    std::unique_ptr<TImpl> Impl_;
};

// Asks for a PNG or SVG file ("Save Chart As", starting at Chart's suggested name) and writes Chart to it; nothing happens when the
// user cancels. A failure is shown through Messages, naming the file and the reason.
void SaveChartAs(FileDialogs& Files, Dialogs& Messages, const TChartView& Chart);

// Lays out a chart panel: a bar with "C&hart of" (named LabelName) before List, then Extra (when
// given), and "Save C&hart..." at its right, over Chart, which takes the rest. The button saves
// Chart through SaveChartAs with Files and Messages.
void LayOutChartPanel(QWidget& Panel, const char* LabelName, QComboBox& List, TChartView& Chart, FileDialogs& Files,
                      Dialogs& Messages, QWidget* Extra = nullptr);

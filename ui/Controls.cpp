#include "ui/Controls.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QTableWidget>

namespace {

// Room a grid cell takes around its text.
constexpr int CellPadding = 8;
constexpr double SmallestPoints = 6;

}  // namespace

void FitFontToColumn(QTableWidget& Grid, const QStringList& Texts, int Width)
{
    QFont Font = Grid.font();
    for (double Points = 8; Points >= SmallestPoints; Points -= 0.5) {
        Font.setPointSizeF(Points);
        const QFontMetrics Metrics(Font);
        int Widest = 0;
        for (const QString& Text : Texts) {
            Widest = std::max(Widest, Metrics.horizontalAdvance(Text));
        }
        if (Widest + CellPadding <= Width) {
            break;
        }
    }
    Grid.setFont(Font);
    Grid.verticalHeader()->setDefaultSectionSize(QFontMetrics(Font).height() + 4);
}

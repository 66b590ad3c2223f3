#pragma once
#include <QString>
#include <QStringList>

class QTableWidget;
class QWidget;

// Makes Grid's font (8 points at most) small enough that every text of Texts fits a column
// Width pixels wide, and its rows just high enough for that font. Desktop fonts differ in width;
// the window's sizes do not.
void FitFontToColumn(QTableWidget& Grid, const QStringList& Texts, int Width);

#pragma once
#include <cstdint>
#include <string>
#include <vector>

class TSimulation;

// The network diagram as data: what to draw for one period, in drawing order, in the diagram's
// pixel coordinates (x to the right, y downward). No Qt here: the diagram widget only paints it.

struct TColour {
    uint8_t R = 0, G = 0, B = 0;
    bool operator==(const TColour&) const = default;
};
inline constexpr TColour White{255, 255, 255};
inline constexpr TColour Red{255, 0, 0};
inline constexpr TColour Silver{192, 192, 192};
inline constexpr TColour Green{0, 128, 0};
inline constexpr TColour Blue{0, 0, 255};
inline constexpr TColour Grey{128, 128, 128};
inline constexpr TColour Black{0, 0, 0};

inline constexpr int DiagramWidth = 617;
inline constexpr int DiagramHeight = 369;
inline constexpr int StageBoxSize = 50;  // a stage box is this wide and high
inline constexpr int ArcOffset = 8;      // the horizontal stub of a bent arc
inline constexpr double BucketScale = 22;  // pixels for the largest safety stock

struct TDiagramItem {
    enum class TKind {
        Fill,       // Brush over columns X1..X2-1 and rows Y1..Y2-1 (corners in either order), no outline
        Rectangle,  // the same area filled with Brush and outlined with Pen
        Line,       // from (X1, Y1) to (X2, Y2), Pen of PenWidth
        Text,       // Text in Pen with its top-left corner at (X1, Y1)
    };
    TKind Kind = TKind::Fill;
    int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    TColour Pen = Black;
    TColour Brush = White;
    int PenWidth = 1;
    std::string Text;
    bool operator==(const TDiagramItem&) const = default;
};

// Size of the inventory label texts in the font the widget paints them with.
struct TLabelExtent {
    int Width9999 = 0;  // width of "9999"
    int Height9 = 0;    // height of "9"
};

struct TDiagramPicture {
    std::vector<TDiagramItem> Items;
    // Index = stage number (entry 0 unused): the stage was failed in the period, so its box is red.
    std::vector<bool> Failed;
};

// The picture of Model for Period (0: the model's current state): the white background; the arcs
// of every stage to its customers (straight when the supplier's box lies strictly left of the
// customer's, else with 8-pixel stubs); each stage's net inventory under its box's right corner
// on a white patch; and each stage's inventory bucket on its box's top-right corner, scaled so
// that the largest |safety stock| is 22 pixels (2 pixels a unit when every safety stock is 0).
// Boxes are StageBoxSize square at each stage's PosX, PosY. A period the history does not hold
// reads as nothing failed and net inventory 0.
TDiagramPicture BuildDiagramPicture(const TSimulation& Model, int32_t Period, TLabelExtent Label);

// The net inventory the diagram shows for a stage in Period (as above).
int64_t DiagramNetInventory(const TSimulation& Model, int StageNum, int32_t Period);

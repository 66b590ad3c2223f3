#include "ui/DiagramPicture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "engine/Simulation.h"

namespace {

// Bars of absurd length (inventory far above the largest safety stock) stay within int.
constexpr double MaxPixels = 100000;

// [V]: to the nearest integer, halves to even.
int Pixels(double V)
{
    return static_cast<int>(std::nearbyint(std::clamp(V, -MaxPixels, MaxPixels)));
}

TDiagramItem Segment(int X1, int Y1, int X2, int Y2, TColour Pen, int Width = 1)
{
    TDiagramItem Item;
    Item.Kind = TDiagramItem::TKind::Line;
    Item.X1 = X1;
    Item.Y1 = Y1;
    Item.X2 = X2;
    Item.Y2 = Y2;
    Item.Pen = Pen;
    Item.PenWidth = Width;
    return Item;
}

TDiagramItem Area(TDiagramItem::TKind Kind, int X1, int Y1, int X2, int Y2, TColour Colour)
{
    TDiagramItem Item = Segment(X1, Y1, X2, Y2, Colour);
    Item.Kind = Kind;
    Item.Brush = Colour;
    return Item;
}

TDiagramItem TextAt(int X, int Y, std::string Text)
{
    TDiagramItem Item;
    Item.Kind = TDiagramItem::TKind::Text;
    Item.X1 = Item.X2 = X;
    Item.Y1 = Item.Y2 = Y;
    Item.Text = std::move(Text);
    return Item;
}

bool FailedIn(const TStage& S, int32_t Period, int32_t LastPeriod)
{
    return S.IsFailed(Period > 0 ? Period : LastPeriod);
}

void AddArcs(const TSimulation& Model, std::vector<TDiagramItem>& Items)
{
    for (int N = 1; N <= Model.NumStages(); ++N) {
        const TStage& S = Model.Stage(N);
        for (int K = 1; K <= S.NumCustomers(); ++K) {
            const TStage& C = S.Customer(K);
            const int X1 = S.PosX() + StageBoxSize;
            const int Y1 = S.PosY() + StageBoxSize / 2;
            const int X2 = C.PosX();
            const int Y2 = C.PosY() + StageBoxSize / 2;
            if (X1 < X2) {
                Items.push_back(Segment(X1, Y1, X2, Y2, Black));
            } else {
                Items.push_back(Segment(X1, Y1, X1 + ArcOffset, Y1, Black));
                Items.push_back(Segment(X1 + ArcOffset, Y1, X2 - ArcOffset, Y2, Black));
                Items.push_back(Segment(X2 - ArcOffset, Y2, X2, Y2, Black));
            }
        }
    }
}

void AddLabels(const TSimulation& Model, int32_t Period, TLabelExtent Label, std::vector<TDiagramItem>& Items)
{
    for (int N = 1; N <= Model.NumStages(); ++N) {
        const TStage& S = Model.Stage(N);
        const int R = S.PosX() + StageBoxSize;
        const int B = S.PosY() + StageBoxSize;
        Items.push_back(Area(TDiagramItem::TKind::Fill, R + 1, B, R + 3 + Label.Width9999, B + 2 + Label.Height9, White));
        Items.push_back(TextAt(R + 2, B + 1, std::to_string(DiagramNetInventory(Model, N, Period))));
    }
}

void AddBuckets(const TSimulation& Model, int32_t Period, std::vector<TDiagramItem>& Items)
{
    int64_t Largest = 0;
    for (int N = 1; N <= Model.NumStages(); ++N) {
        Largest = std::max<int64_t>(Largest, std::llabs(Model.Stage(N).SafetyStock()));
    }
    const double Scale = Largest == 0 ? 2.0 : BucketScale / static_cast<double>(Largest);
    using enum TDiagramItem::TKind;
    for (int N = 1; N <= Model.NumStages(); ++N) {
        const TStage& S = Model.Stage(N);
        const int64_t SS = S.SafetyStock();
        const int64_t IL = DiagramNetInventory(Model, N, Period);
        const int X0 = S.PosX() + StageBoxSize + 2;
        const int Base = S.PosY() - 2;
        const int Top = Base - Pixels(static_cast<double>(SS) * Scale);
        const int Fill = Pixels(static_cast<double>(IL) * Scale);
        if (IL < 0) {
            Items.push_back(Area(Rectangle, X0 + 1, Base + 1, X0 + 13, Base + 1 - Fill, Red));
        } else if (IL < SS) {
            Items.push_back(Area(Rectangle, X0 + 1, Base - Fill, X0 + 13, Base, Green));
        } else if (SS > 0) {
            Items.push_back(Area(Rectangle, X0 + 1, Top, X0 + 13, Base, Green));
            Items.push_back(Area(Rectangle, X0 + 1, Top, X0 + 13, Top - Pixels(static_cast<double>(IL - SS) * Scale), Blue));
        } else {
            Items.push_back(Area(Rectangle, X0 + 1, Base, X0 + 13, Base - Fill, Blue));
        }
        Items.push_back(Segment(X0, Top, X0, Base, Grey, 2));
        Items.push_back(Segment(X0 + 14, Base, X0 + 14, Top, Grey, 2));
        Items.push_back(Segment(X0, Base, X0 + 14, Base, Black));
    }
}

}  // namespace

int64_t DiagramNetInventory(const TSimulation& Model, int StageNum, int32_t Period)
{
    const TStage& S = Model.Stage(StageNum);
    if (Period == 0) {
        return S.InvLevel() - S.Backorders();
    }
    const auto Index = static_cast<std::size_t>(Period);
    return Index < S.NetInvHist().size() ? S.NetInvHist()[Index] : 0;
}

TDiagramPicture BuildDiagramPicture(const TSimulation& Model, int32_t Period, TLabelExtent Label)
{
    TDiagramPicture Picture;
    Picture.Items.push_back(Area(TDiagramItem::TKind::Fill, 0, 0, DiagramWidth, DiagramHeight, White));
    Picture.Failed.assign(static_cast<std::size_t>(Model.NumStages()) + 1, false);
    for (int N = 1; N <= Model.NumStages(); ++N) {
        Picture.Failed[static_cast<std::size_t>(N)] = FailedIn(Model.Stage(N), Period, Model.Period());
    }
    AddArcs(Model, Picture.Items);
    AddLabels(Model, Period, Label, Picture.Items);
    AddBuckets(Model, Period, Picture.Items);
    return Picture;
}

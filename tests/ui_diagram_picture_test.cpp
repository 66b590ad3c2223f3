#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "engine/Simulation.h"
#include "support/ModelBuilder.h"
#include "ui/DiagramPicture.h"

namespace {

using enum TDiagramItem::TKind;

constexpr TLabelExtent Label{28, 12};

std::vector<TDiagramItem> OfKind(const TDiagramPicture& Picture, TDiagramItem::TKind Kind, TColour Pen)
{
    std::vector<TDiagramItem> Out;
    std::copy_if(Picture.Items.begin(), Picture.Items.end(), std::back_inserter(Out),
                 [&](const TDiagramItem& I) { return I.Kind == Kind && I.Pen == Pen; });
    return Out;
}

TDiagramItem Item(TDiagramItem::TKind Kind, int X1, int Y1, int X2, int Y2, TColour Pen, TColour Brush = White, int Width = 1)
{
    TDiagramItem I;
    I.Kind = Kind;
    I.X1 = X1;
    I.Y1 = Y1;
    I.X2 = X2;
    I.Y2 = Y2;
    I.Pen = Pen;
    I.Brush = Brush;
    I.PenWidth = Width;
    return I;
}

TDiagramItem Bar(int X1, int Y1, int X2, int Y2, TColour Colour)
{
    return Item(Rectangle, X1, Y1, X2, Y2, Colour, Colour);
}

struct DiagramPictureTest : ::testing::Test {
    TSimulation Model;

    const TStage& Add(int Left, int Top) { return Model.Stage(AddStage(Model, {}, Left, Top)); }
    void Set(int StageNum, std::initializer_list<std::pair<int, double>> Values)
    {
        for (const auto& [Index, Value] : Values) {
            Model.SetParam(StageNum, Index, Value);
        }
    }
};

TEST_F(DiagramPictureTest, ArcIsStraightOnlyWhenSupplierBoxLiesStrictlyLeftOfCustomer)
{
    Add(400, 100);  // 1: the customer
    Add(300, 100);  // 2: right edge 350, left of 400
    Add(350, 200);  // 3: right edge 400, touching: bent
    Add(500, 40);   // 4: to the right: bent
    for (int Supplier = 2; Supplier <= 4; ++Supplier) {
        ASSERT_EQ(Model.Link(Supplier, 1), TLinkResult::Linked);
    }
    const std::vector<TDiagramItem> Expected{
        Item(Line, 350, 125, 400, 125, Black),
        Item(Line, 400, 225, 408, 225, Black), Item(Line, 408, 225, 392, 125, Black), Item(Line, 392, 125, 400, 125, Black),
        Item(Line, 550, 65, 558, 65, Black), Item(Line, 558, 65, 392, 125, Black), Item(Line, 392, 125, 400, 125, Black),
    };
    const std::vector<TDiagramItem> Lines = OfKind(BuildDiagramPicture(Model, 0, Label), Line, Black);
    ASSERT_EQ(Lines.size(), Expected.size() + 4);  // the arcs, then a floor per bucket
    EXPECT_EQ(std::vector(Lines.begin(), Lines.begin() + static_cast<std::ptrdiff_t>(Expected.size())), Expected);
}

TEST_F(DiagramPictureTest, LabelShowsNetInventoryOnWhitePatchAndFailedStagesAreMarked)
{
    Add(100, 60);
    Set(1, {{ParamDemandMean, 5}, {ParamProcTime, 2}});  // SD 0: exactly 5 a period
    Add(200, 60);
    Set(2, {{ParamFailureProb, 1}});
    Model.RunSimulation(2, 1, 1);

    const TDiagramPicture Picture = BuildDiagramPicture(Model, 1, Label);
    const std::vector<TDiagramItem> Texts = OfKind(Picture, Text, Black);
    ASSERT_EQ(Texts.size(), 2u);
    EXPECT_EQ(Texts[0].Text, "-5");
    EXPECT_EQ(std::pair(Texts[0].X1, Texts[0].Y1), std::pair(152, 111));
    EXPECT_EQ(Texts[1].Text, "0");
    const auto Patch = std::find(Picture.Items.begin(), Picture.Items.end(), Item(Fill, 151, 110, 181, 124, White, White));
    EXPECT_TRUE(Patch != Picture.Items.end() && Patch + 1 == std::find(Picture.Items.begin(), Picture.Items.end(), Texts[0]));
    EXPECT_EQ(Picture.Failed, (std::vector<bool>{false, false, true}));
    // Period 0 is the state at the end of the run: two periods of demand.
    EXPECT_EQ(OfKind(BuildDiagramPicture(Model, 0, Label), Text, Black)[0].Text, "-10");
    EXPECT_EQ(BuildDiagramPicture(Model, 0, Label).Failed, (std::vector<bool>{false, false, true}));
}

TEST_F(DiagramPictureTest, BucketsOfBackordersAndInventoryAboveSafetyStock)
{
    const TStage& Short = Add(100, 100);
    Set(1, {{ParamDemandMean, 5}, {ParamProcTime, 2}});
    const TStage& Full = Add(300, 100);
    Set(2, {{ParamInvPolicy, PolicySS}, {ParamBaseStockLevel, 20}, {ParamSSOrderUpTo, 30}});
    Model.RunSimulation(1, 1, 1);
    ASSERT_EQ(Short.SafetyStock(), -10);
    ASSERT_EQ(Full.SafetyStock(), 20);
    ASSERT_EQ(DiagramNetInventory(Model, 1, 1), -5);
    ASSERT_EQ(DiagramNetInventory(Model, 2, 1), 30);

    // Scale 22 / 20 = 1.1 a unit. Stage 1: x0 = 152, floor 98, walls down to 98 + 11.
    // Stage 2: x0 = 352, walls up to 98 - 22.
    const TDiagramPicture Picture = BuildDiagramPicture(Model, 1, Label);
    const std::vector<TDiagramItem> Bars{
        Bar(153, 99, 165, 105, Red),  // [-5 * 1.1] = [-5.5] = -6, halves to even
        Bar(353, 76, 365, 98, Green), Bar(353, 76, 365, 65, Blue),
    };
    std::vector<TDiagramItem> Drawn;
    std::copy_if(Picture.Items.begin(), Picture.Items.end(), std::back_inserter(Drawn),
                 [](const TDiagramItem& I) { return I.Kind == Rectangle; });
    EXPECT_EQ(Drawn, Bars);
    const std::vector<TDiagramItem> Walls{
        Item(Line, 152, 109, 152, 98, Grey, White, 2), Item(Line, 166, 98, 166, 109, Grey, White, 2),
        Item(Line, 352, 76, 352, 98, Grey, White, 2), Item(Line, 366, 98, 366, 76, Grey, White, 2),
    };
    EXPECT_EQ(OfKind(Picture, Line, Grey), Walls);
    const std::vector<TDiagramItem> Floors{Item(Line, 152, 98, 166, 98, Black), Item(Line, 352, 98, 366, 98, Black)};
    EXPECT_EQ(OfKind(Picture, Line, Black), Floors);
}

TEST_F(DiagramPictureTest, BucketsScaleTwoPixelsAUnitWhenEverySafetyStockIsZero)
{
    const TStage& S = Add(10, 30);
    Set(1, {{ParamInvPolicy, PolicyOQ}, {ParamOQInitIL, 4}});
    Add(100, 30);
    Set(2, {{ParamInvPolicy, PolicyOQ}});
    Model.RunSimulation(1, 1, 1);
    ASSERT_EQ(S.SafetyStock(), 0);

    const TDiagramPicture Picture = BuildDiagramPicture(Model, 1, Label);
    std::vector<TDiagramItem> Drawn;
    std::copy_if(Picture.Items.begin(), Picture.Items.end(), std::back_inserter(Drawn),
                 [](const TDiagramItem& I) { return I.Kind == Rectangle; });
    EXPECT_EQ(Drawn, (std::vector<TDiagramItem>{Bar(63, 28, 75, 20, Blue), Bar(153, 28, 165, 28, Blue)}));
    EXPECT_EQ(OfKind(Picture, Line, Grey)[0], Item(Line, 62, 28, 62, 28, Grey, White, 2));  // no wall above the floor
}

}  // namespace

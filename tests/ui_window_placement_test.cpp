#include <gtest/gtest.h>

#include "ui/WindowPlacement.h"

namespace {

// A 1600 x 1000 screen, and the same screen at twice the scale; frames of 4-pixel borders and a
// 26-pixel title bar.
const QRect Wide(0, 0, 1600, 1000);
const QRect Scaled(0, 0, 800, 500);
const QMargins Frame(4, 26, 4, 4);
const QRect MainAtTopLeft(0, 0, 977, 546);
const int Step = CascadeStep;

TEST(UiWindowPlacement, SecondaryWindowsOpenBesideTheMainWindowOrCascadedWithinTheScreen)
{
    struct TCase {
        const char* What;
        TPlacementRequest Request;
        QRect Expected;  // client geometry
    };
    const TCase Cases[] = {
        {"right of it, shrunk to the room there, which shows more than below",
         {Wide, MainAtTopLeft, Frame, {837, 734}, {431, 405}, 0}, {981, 26, 615, 734}},
        {"a step further down for the next slot, as far right as the room allows",
         {Wide, MainAtTopLeft, Frame, {870, 640}, {431, 327}, 1}, {981, 26 + Step, 615, 640}},
        {"below it where the right is too narrow for the minimum",
         {Wide, QRect(0, 0, 1300, 400), Frame, {900, 600}, {780, 262}, 0}, {4, 426, 900, 570}},
        {"whole on the right where the right holds it",
         {QRect(0, 0, 2000, 1200), MainAtTopLeft, Frame, {900, 600}, {780, 262}, 0}, {981, 26, 900, 600}},
        {"cascaded from the main window when neither side holds the minimum, and within the screen",
         {Scaled, QRect(0, 0, 800, 500), Frame, {837, 734}, {431, 405}, 1}, {4, 26, 792, 470}},
        {"cascaded a step per slot, moved back inside the screen",
         {Wide, QRect(300, 200, 1000, 700), Frame, {837, 734}, {431, 405}, 0}, {300 + Step + 4, 200 + Step + 26, 837, 734}},
        {"centred without a main window",
         {Wide, QRect(), Frame, {400, 300}, {100, 100}, 0}, {600, 361, 400, 300}},
    };
    for (const TCase& C : Cases) {
        const QRect Placed = PlaceSecondary(C.Request);
        EXPECT_EQ(Placed, C.Expected) << C.What;
        EXPECT_TRUE(C.Request.Available.contains(Placed.marginsAdded(C.Request.Frame))) << C.What;
    }
}

TEST(UiWindowPlacement, AWindowFittedToTheScreenKeepsItsDefaultWhereItFitsAndStaysOnIt)
{
    struct TCase {
        const char* What;
        QRect Client;
        bool Centre;
        QRect Expected;
    };
    const TCase Cases[] = {
        {"the default size, centred", {0, 0, 969, 516}, true, {315, 253, 969, 516}},
        {"kept where it is when inside", {100, 80, 969, 516}, false, {100, 80, 969, 516}},
        {"moved back inside", {1000, 700, 969, 516}, false, {627, 480, 969, 516}},
    };
    for (const TCase& C : Cases) {
        EXPECT_EQ(FitOnScreen(Wide, Frame, C.Client, C.Centre), C.Expected) << C.What;
    }
    // Twice the scale: 1938 x 1032 becomes the screen less the frame.
    EXPECT_EQ(FitOnScreen(Scaled, Frame, QRect(0, 0, 1938, 1032), true), QRect(4, 26, 792, 470));
}

TEST(UiWindowPlacement, ARememberedGeometryIsRestoredOnlyWhenItStillFitsTheScreen)
{
    const QSize Minimum(431, 405);
    EXPECT_TRUE(StillFits(Wide, Frame, QRect(981, 26, 615, 734), Minimum));
    EXPECT_FALSE(StillFits(Scaled, Frame, QRect(981, 26, 615, 734), Minimum));  // off the smaller screen
    EXPECT_FALSE(StillFits(Wide, Frame, QRect(0, 10, 615, 734), Minimum));      // its title bar above it
    EXPECT_FALSE(StillFits(Wide, Frame, QRect(100, 100, 400, 734), Minimum));   // narrower than its minimum
    EXPECT_FALSE(StillFits(Wide, Frame, QRect(), Minimum));                     // none remembered
}

}  // namespace

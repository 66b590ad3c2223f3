// The network diagram: boxes are clicked, moved and linked with the mouse; the keyboard and
// assistive technology press them.
#include <QAccessible>
#include <QLabel>

#include "support/GuiTest.h"
#include "support/MainWindowHarness.h"
#include "ui/DiagramView.h"

namespace {

// Drags stage From's box, pressed at Grip inside it, to the diagram point To, with a stop on
// the way so that hovering can be seen.
void Drag(TDiagramView& Diagram, int From, QPoint Grip, QPoint To, TColour* HoverColourOf = nullptr, int HoverStage = 0)
{
    TStageBox* Box = Diagram.Box(From);
    const QPoint Target = Box->mapFrom(&Diagram, To);
    QTest::mousePress(Box, Qt::LeftButton, {}, Grip);
    QTest::mouseMove(Box, Grip + QPoint(1, 1));  // below the threshold: no drag yet
    QTest::mouseMove(Box, Target);
    if (HoverColourOf) {
        *HoverColourOf = Diagram.Box(HoverStage)->Colour();
    }
    QTest::mouseRelease(Box, Qt::LeftButton, {}, Target);
}

// A point of Stage's box that no later box covers (new boxes are placed down and to the right).
QPoint CornerOf(const TDiagramView& Diagram, int Stage)
{
    return Diagram.Box(Stage)->pos() + QPoint(3, 3);
}

}  // namespace

class DiagramTest : public QObject {
    Q_OBJECT

private slots:
    void boxesAreNumberedSquaresThatSelectOnAClickOrAPress_data()
    {
        QTest::addColumn<QString>("How");
        QTest::newRow("mouse") << "mouse";
        QTest::newRow("Space key") << "Space";
        QTest::newRow("assistive press") << "press";
    }
    void boxesAreNumberedSquaresThatSelectOnAClickOrAPress()
    {
        QFETCH(QString, How);
        TMainWindowHarness H;
        H.Click("NewStageButton");
        H.Click("NewStageButton");
        TDiagramView& Diagram = H.Window.Diagram();
        TStageBox* Box = Diagram.Box(1);
        QCOMPARE(Box->text(), QString("1"));
        QCOMPARE(Box->size(), QSize(50, 50));
        QCOMPARE(Box->font().pointSize(), 12);
        QAccessibleInterface* Accessible = QAccessible::queryAccessibleInterface(Box);
        QVERIFY(Accessible && Accessible->actionInterface());
        QCOMPARE(Accessible->role(), QAccessible::Button);
        QCOMPARE(Accessible->text(QAccessible::Name), QString("Stage 1"));
        QVERIFY(!Accessible->state().selected);
        if (How == "mouse") {
            QTest::mousePress(Box, Qt::LeftButton, {}, QPoint(20, 20));
            QTest::mouseMove(Box, QPoint(21, 21));  // one pixel: still a click
            QTest::mouseRelease(Box, Qt::LeftButton, {}, QPoint(21, 21));
        } else if (How == "Space") {
            Box->setFocus();
            QTest::keyClick(Box, Qt::Key_Space);
        } else {
            Accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        }
        QVERIFY(Accessible->state().selected);
        QCOMPARE(H.Window.SelectedStage(), 1);
        QCOMPARE(H.Child<QLabel>("SelectedStageLabel").text(), QString("Selected Stage: 1"));
        QVERIFY(Box->IsSelected() && !Diagram.Box(2)->IsSelected());
        QCOMPARE(Box->pos(), QPoint(50, 100));
    }

    void dropsOnTheSurfaceOrOnItselfMoveTheBox()
    {
        TMainWindowHarness H;
        H.Click("NewStageButton");
        TDiagramView& Diagram = H.Window.Diagram();
        Drag(Diagram, 1, QPoint(10, 20), QPoint(400, 300));
        QCOMPARE(Diagram.Box(1)->pos(), QPoint(390, 280));
        const TStage& S = H.Window.Model().Stage(1);
        QCOMPARE(QPoint(S.PosX(), S.PosY()), QPoint(390, 280));
        Drag(Diagram, 1, QPoint(10, 20), QPoint(390 + 10 + 5, 280 + 20 - 7));  // within the box itself
        QCOMPARE(Diagram.Box(1)->pos(), QPoint(395, 273));
        QCOMPARE(QPoint(S.PosX(), S.PosY()), QPoint(395, 273));
        Drag(Diagram, 1, QPoint(10, 20), QPoint(-30, 100));  // off the diagram: nothing
        QCOMPARE(Diagram.Box(1)->pos(), QPoint(395, 273));
        QCOMPARE(H.Window.SelectedStage(), 1);
    }

    void droppingASupplierOnItsCustomerLinksThemOrSaysWhyNot()
    {
        TMainWindowHarness H;
        for (int N = 0; N < 3; ++N) {
            H.Click("NewStageButton");
        }
        TDiagramView& Diagram = H.Window.Diagram();
        const QPoint SupplierAt = Diagram.Box(3)->pos();
        TColour Hovered = White;
        Drag(Diagram, 3, QPoint(25, 25), CornerOf(Diagram, 1), &Hovered, 1);
        QVERIFY(Hovered == Silver);
        QVERIFY(Diagram.Box(1)->Colour() == White);
        QCOMPARE(Diagram.Box(3)->pos(), SupplierAt);  // the supplier stays where it was
        const TSimulation& Model = H.Window.Model();
        QCOMPARE(Model.Stage(1).NumSuppliers(), 1);
        QCOMPARE(Model.Stage(1).Supplier(1).StageNum, 3);

        Drag(Diagram, 1, QPoint(25, 25), CornerOf(Diagram, 3));
        Drag(Diagram, 3, QPoint(25, 25), CornerOf(Diagram, 1));
        QCOMPARE(H.TakeShown(), (std::vector<std::string>{"Supplier index must be greater than customer index.",
                                                          "This link already exists."}));
        QCOMPARE(Model.Stage(1).NumSuppliers(), 1);
        QCOMPARE(Model.Stage(3).NumSuppliers(), 0);
    }

    void aLinkAfterARunResetsItOnlyOnYes()
    {
        TMainWindowHarness H;
        H.Click("NewStageButton");
        H.Click("NewStageButton");
        H.Click("RunButton");
        TDiagramView& Diagram = H.Window.Diagram();
        H.Dialogs.Answers = {false, true};
        Drag(Diagram, 2, QPoint(25, 25), CornerOf(Diagram, 1));
        QVERIFY(H.Window.Model().Period() > 0);
        QCOMPARE(H.Window.Model().Stage(1).NumSuppliers(), 0);
        Drag(Diagram, 2, QPoint(25, 25), CornerOf(Diagram, 1));
        QCOMPARE(H.Window.Model().Period(), 0);
        QVERIFY(!H.Child("PeriodSlider").isEnabled());
        QCOMPARE(H.Window.Model().Stage(1).NumSuppliers(), 1);
        QCOMPARE(H.TakeShown().size(), std::size_t{2});
    }
};

ORVANTIS_GUI_TEST_MAIN(DiagramTest)
#include "gui_diagram_test.moc"

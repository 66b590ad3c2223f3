// The parameter grid: entries checked and shown back by type, and an invalid entry blocks the
// user until it is corrected.
#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>

#include "engine/ParamEntry.h"
#include "support/GuiTest.h"
#include "support/MainWindowHarness.h"
#include "ui/DiagramView.h"
#include "ui/ParamGrid.h"

namespace {

// Opens the editor of Row's value cell and types Text over its contents.
QWidget* Type(TParamGrid& Grid, int Row, const QString& Text)
{
    Grid.setCurrentCell(Row, 1);
    Grid.editItem(Grid.item(Row, 1));
    QWidget* Editor = Grid.indexWidget(Grid.currentIndex());
    if (auto* Line = qobject_cast<QLineEdit*>(Editor)) {
        Line->selectAll();
        QTest::keyClick(Line, Qt::Key_Backspace);
        QTest::keyClicks(Line, Text);
    }
    return Editor;
}

}  // namespace

class ParamGridTest : public QObject {
    Q_OBJECT

private slots:
    void entriesAreCheckedAndShownBackByType_data()
    {
        QTest::addColumn<int>("Row");
        QTest::addColumn<QString>("Entry");
        QTest::addColumn<QString>("Message");  // empty: accepted
        QTest::addColumn<QString>("Shown");
        const QString IntOrInf = "Field must contain an integer (or INF for infinity).";
        QTest::newRow("blank INF") << int(ParamProcCapacity) << " INF" << IntOrInf << "";
        QTest::newRow("inf") << int(ParamProcCapacity) << "inf" << IntOrInf << "";
        QTest::newRow("INF") << int(ParamProcCapacity) << "INF" << "" << "INF";
        QTest::newRow("IntInf") << int(ParamProcCapacity) << "2000000000" << "" << "INF";
        QTest::newRow("3.5 integer") << int(ParamProcTime) << "3.5" << "Field must contain an integer." << "";
        QTest::newRow("yes") << int(ParamStockoutPerUnitTime) << "yes" << "Field must contain TRUE or FALSE." << "";
        QTest::newRow("t") << int(ParamStockoutPerUnitTime) << "t" << "" << "TRUE";
        QTest::newRow("2.5 true") << int(ParamStockoutPerUnitTime) << "2.5" << "" << "TRUE";
        QTest::newRow("f") << int(ParamStockoutPerUnitTime) << "f" << "" << "FALSE";
        QTest::newRow("empty real") << int(ParamDemandMean) << "" << "Field must contain a real number." << "";
        QTest::newRow("empty integer") << int(ParamBaseStockLevel) << "" << "Field must contain an integer." << "";
        QTest::newRow("1.50") << int(ParamDemandMean) << "1.50" << "" << "1.5";
        QTest::newRow("1e-6") << int(ParamHoldingCost) << "1e-6" << "" << "1E-6";
        QTest::newRow("real or INF") << int(ParamDemandBound) << "x" << "Field must contain a real number (or INF for infinity)." << "";
    }
    void entriesAreCheckedAndShownBackByType()
    {
        QFETCH(int, Row);
        QFETCH(QString, Entry);
        QFETCH(QString, Message);
        QFETCH(QString, Shown);
        TMainWindowHarness H;
        H.Click("NewStageButton");
        auto& Grid = H.Child<TParamGrid>("ParamGrid");
        const std::string Before = ParamShownText(H.Window.Model().Stage(1), Row, '.');
        QTest::keyClick(Type(Grid, Row, Entry), Qt::Key_Return);
        QCoreApplication::processEvents();  // Enter closes a valid entry's editor from the event loop
        if (Message.isEmpty()) {
            QVERIFY(H.TakeShown().empty());
            QVERIFY(!Grid.IsEditing());
            QCOMPARE(Grid.item(Row, 1)->text(), Shown);
        } else {
            QCOMPARE(H.TakeShown(), std::vector<std::string>{Message.toStdString()});
            QVERIFY(Grid.IsEditing());
            QCOMPARE(ParamShownText(H.Window.Model().Stage(1), Row, '.'), Before);
        }
    }

    void policyRowIsAPickListShowingNoneForCodeZero()
    {
        TMainWindowHarness H;
        H.Click("NewStageButton");
        auto& Grid = H.Child<TParamGrid>("ParamGrid");
        auto* Combo = qobject_cast<QComboBox*>(Type(Grid, ParamInvPolicy, ""));
        QVERIFY(Combo && !Combo->isEditable());
        QCOMPARE(Combo->count(), 4);
        QCOMPARE(Combo->itemText(3), QString("OQ"));
        QTest::keyClick(Combo, Qt::Key_Down);  // "BS" -> "(R,Q)", taken at once
        QVERIFY(!Grid.IsEditing());
        QCOMPARE(H.Window.Model().Stage(1).Params().InvPolicy, uint8_t{PolicyRQ});
        QCOMPARE(Grid.item(ParamInvPolicy, 1)->text(), QString("(R,Q)"));
        H.Windows.Document.SetParam(1, ParamInvPolicy, 0);
        H.Window.SelectStage(1);
        QCOMPARE(Grid.item(ParamInvPolicy, 1)->text(), QString("None"));
    }

    void anInvalidEntryBlocksEveryWayOutAndRepeatsItsMessage()
    {
        TMainWindowHarness H;
        H.Click("NewStageButton");
        H.Click("NewStageButton");
        H.Window.SelectStage(1);
        auto& Grid = H.Child<TParamGrid>("ParamGrid");
        QWidget* Editor = Type(Grid, ParamProcTime, "abc");
        TStageBox* Box2 = H.Window.Diagram().Box(2);
        const QPoint Box2At = Box2->pos();

        QTest::keyClick(Editor, Qt::Key_Return);
        QTest::keyClick(Editor, Qt::Key_Tab);
        QTest::keyClick(Editor, Qt::Key_Down);
        QTest::mouseClick(Grid.viewport(), Qt::LeftButton, {}, Grid.visualItemRect(Grid.item(5, 1)).center());
        QTest::mouseClick(Box2, Qt::LeftButton);
        QTest::mousePress(Box2, Qt::LeftButton, {}, QPoint(5, 5));  // a drag of stage 2
        QTest::mouseMove(Box2, QPoint(40, 60));
        QTest::mouseRelease(Box2, Qt::LeftButton, {}, QPoint(40, 60));
        H.Click("RunButton");
        QTest::keyClick(Editor, Qt::Key_S, Qt::ControlModifier);
        QTest::keyClick(Editor, Qt::Key_N, Qt::AltModifier);

        QCOMPARE(H.TakeShown(), std::vector<std::string>(9, "Field must contain an integer."));
        QVERIFY(Grid.IsEditing());
        QCOMPARE(Grid.currentRow(), int(ParamProcTime));
        QCOMPARE(H.Window.SelectedStage(), 1);
        QCOMPARE(Box2->pos(), Box2At);
        QCOMPARE(H.Window.Model().Period(), 0);
        QCOMPARE(H.Window.Model().NumStages(), 2);
        QVERIFY(H.Files.Asked.empty());
        QCOMPARE(H.Window.Model().Stage(1).Params().ProcTime, 0);

        auto* Line = qobject_cast<QLineEdit*>(Editor);
        Line->setText("3");
        QTest::mouseClick(Box2, Qt::LeftButton);  // the corrected entry goes to stage 1, then 2 is selected
        QVERIFY(H.TakeShown().empty());
        QCOMPARE(H.Window.Model().Stage(1).Params().ProcTime, 3);
        QCOMPARE(H.Window.SelectedStage(), 2);
        QCOMPARE(Grid.item(ParamProcTime, 1)->text(), QString("0"));
    }

    void numbersUseTheDecimalSeparatorGiven()
    {
        TScriptedDialogs Dialogs;
        TSimulation Model;
        Model.AddStage();
        Model.SetParam(1, ParamDemandMean, 1.5);
        TParamGrid Grid(Dialogs, ',');
        Grid.show();
        Grid.ShowStage(Model.Stage(1));
        QCOMPARE(Grid.item(ParamDemandMean, 1)->text(), QString("1,5"));
        QSignalSpy Entered(&Grid, &TParamGrid::ParamEntered);
        QTest::keyClick(Type(Grid, ParamDemandMean, "2.25"), Qt::Key_Escape);
        QTest::keyClick(Type(Grid, ParamDemandMean, "2,25"), Qt::Key_Return);
        QCoreApplication::processEvents();
        QCOMPARE(Entered.count(), 1);
        QCOMPARE(Entered[0][0].toInt(), int(ParamDemandMean));
        QCOMPARE(Entered[0][1].toDouble(), 2.25);
        QVERIFY(Dialogs.Shown.empty());
    }
};

ORVANTIS_GUI_TEST_MAIN(ParamGridTest)
#include "gui_param_grid_test.moc"

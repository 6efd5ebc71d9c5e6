// The editor's quantities as a person uses them: the panel that follows the
// drawing, picks shapes and hands its table on as CSV, and the scale set
// from a line of known length, undone like any other step.
#include "app/drawing_menu.h"
#include "app/drawings_store.h"
#include "app/edit_frm.h"
#include "app/editor_actions.h"
#include "app/form_support.h"
#include "app/quantities_panel.h"
#include "common/editor_session.h"
#include "common/scripted_dialogs.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>

namespace draxa {
namespace {

using test::TScriptedDialogs;

std::string S(const QString& Text) {
    return Text.toStdString();
}

// Lets the events run until Done holds (at most ten seconds: the panel
// follows changes after a short pause, and a loaded machine is slow).
bool Until(const std::function<bool()>& Done) {
    QElapsedTimer Clock;
    Clock.start();
    while (!Done() && Clock.elapsed() < 10000) QApplication::processEvents(QEventLoop::AllEvents, 20);
    return Done();
}

// The table's rows, depth first, as "indent + item | count | length | area".
QStringList Shown(QTreeWidget* Table) {
    QStringList Rows;
    std::function<void(QTreeWidgetItem*, int)> Walk = [&](QTreeWidgetItem* Item, int Depth) {
        Rows << QString(Depth * 2, QLatin1Char(' ')) + QStringList{Item->text(TQuantitiesPanel::colItem),
                                                                   Item->text(TQuantitiesPanel::colCount),
                                                                   Item->text(TQuantitiesPanel::colLength),
                                                                   Item->text(TQuantitiesPanel::colArea)}
                                                           .join(QStringLiteral(" | "));
        for (int I = 0; I < Item->childCount(); ++I) Walk(Item->child(I), Depth + 1);
    };
    for (int I = 0; I < Table->topLevelItemCount(); ++I) Walk(Table->topLevelItem(I), 0);
    return Rows;
}

class QuantitiesEditorTest : public test::TEditorSessionTest {};

TEST_F(QuantitiesEditorTest, ThePanelFollowsTheDrawingPicksShapesAndGivesItsTableAsCsv) {
    const QString File = Dir.filePath(QStringLiteral("rooms.csv"));
    Session([&](TEditForm& E) {
        TMyDraxa& D = *E.DraxaEdit();
        TQuantitiesPanel& P = *E.QuantitiesPanel();
        EXPECT_FALSE(P.isVisible()) << "shown on request";
        E.actShowQuantities()->trigger();
        EXPECT_TRUE(P.isVisible());
        D.SetUndoRedoSize(10);
        D.SetTheUNIT(TUnits::mm);
        // A box of an inch by half an inch, and a line of two inches.
        D.AddShapeByTool(&D, TDrawTool::SpRectangle, QStringLiteral("Hall"),
                         {{0, 0}, {96, 0}, {96, 48}, {0, 48}}, 0, QString());
        D.AddShapeByTool(&D, TDrawTool::SpLine, QStringLiteral("Wall"), {{0, 100}, {192, 100}}, 0, QString());
        ASSERT_TRUE(Until([&] { return P.tblQuantities()->topLevelItemCount() == 1; }));
        P.tblQuantities()->expandAll();
        EXPECT_EQ(Shown(P.tblQuantities()), (QStringList{
                                                QString::fromUtf8("Layer0 | 2 | 50.80 | 322.58"),
                                                QString::fromUtf8("  Lines | 1 | 50.80 | "),
                                                QString::fromUtf8("    Wall |  | 50.80 | "),
                                                QString::fromUtf8("  Rectangles | 1 |  | 322.58"),
                                                QString::fromUtf8("    Hall |  |  | 322.58"),
                                            }));
        // Sorted by area, largest first: the rectangles come before the lines.
        P.tblQuantities()->sortByColumn(TQuantitiesPanel::colArea, Qt::DescendingOrder);
        EXPECT_EQ(P.tblQuantities()->topLevelItem(0)->child(0)->text(0), QStringLiteral("Rectangles"));

        // Choosing a shape's row selects the shape.
        QTreeWidgetItem* Hall = P.tblQuantities()->topLevelItem(0)->child(0)->child(0);
        P.tblQuantities()->setCurrentItem(Hall);
        ASSERT_EQ(D.SelectedCount(), 1);
        EXPECT_EQ(D.SelectedShape(0)->Name(), QStringLiteral("Hall"));

        // Another unit, set from the menu, shows at once; so does an undo.
        E.Actions()->mnuView->actions(); // the menus exist
        for (QAction* A : E.DrawingMenu()->mnuUnits->actions())
            if (A->data().toInt() == int(TUnits::cm)) A->trigger();
        ASSERT_TRUE(Until([&] { return P.lblUnits()->text().contains(QLatin1String("in cm")); }));
        EXPECT_EQ(P.tblQuantities()->topLevelItem(0)->text(TQuantitiesPanel::colArea),
                  QStringLiteral("3.23"));
        ASSERT_TRUE(D.Undo());
        ASSERT_TRUE(Until(
            [&] { return P.tblQuantities()->topLevelItem(0)->text(TQuantitiesPanel::colCount) == "1"; }));

        const QString Csv = QuantitiesCsv(D.Quantities());
        P.btnCopyCsv()->click();
        EXPECT_EQ(QApplication::clipboard()->text(), Csv);
        Script.SaveNames = {File, std::nullopt};
        P.btnExportCsv()->click();
        QFile Written(File);
        ASSERT_TRUE(Written.open(QIODevice::ReadOnly));
        EXPECT_EQ(QString::fromUtf8(Written.readAll()), Csv);
        EXPECT_EQ(Script.LastDefaultExt, QStringLiteral("csv"));
        EXPECT_FALSE(P.ExportCsv()) << "cancelled";
    });
}

TEST_F(QuantitiesEditorTest, TheScaleIsSetFromALineOfKnownLengthAsOneUndoStep) {
    Session([&](TEditForm& E) {
        TMyDraxa& D = *E.DraxaEdit();
        QAction* Calibrate = E.DrawingMenu()->actScaleFromDistance;
        D.SetUndoRedoSize(10);
        D.SetTheUNIT(TUnits::m);
        Calibrate->trigger();
        ASSERT_FALSE(Script.Messages.isEmpty());
        EXPECT_TRUE(Script.Messages.last().startsWith(QStringLiteral("Draw a line"))) << "nothing to measure";

        // The line drawn last is the one measured when none is selected.
        D.AddShapeByTool(&D, TDrawTool::SpLine, QStringLiteral("Old"), {{0, 0}, {50, 0}}, 0, QString());
        D.AddShapeByTool(&D, TDrawTool::SpLine, QStringLiteral("Known"), {{0, 20}, {200, 20}}, 0, QString());
        D.UnselectAll();
        QString Asked;
        Script.QueueModal([&Asked](QDialog& Dialog) {
            auto* Box = Dialog.findChild<QDoubleSpinBox*>(QStringLiteral("seRealLength"));
            if (!Box) return mrCancel;
            Asked = Dialog.findChild<QLabel*>() ? Dialog.findChildren<QLabel*>().first()->text() : QString();
            Box->setValue(5);
            return mrOk;
        });
        Calibrate->trigger();
        EXPECT_TRUE(Asked.contains(QLatin1String("\"Known\""))) << Asked.toStdString();
        const double Ratio = 5000 / (200 / 96.0 * 25.4);
        EXPECT_NEAR(D.Ratio(), Ratio, 1e-3);
        E.Actions()->Update();
        EXPECT_EQ(E.Actions()->actUndo->text(), QStringLiteral("&Undo Set scale"));
        E.Actions()->actUndo->trigger();
        EXPECT_EQ(D.Ratio(), 1.0);

        // A selected line of no length: the user hears why, nothing changes.
        D.AddShapeByTool(&D, TDrawTool::SpLine, QStringLiteral("Dot"), {{0, 40}, {80, 40}}, 0, QString());
        TMyShape* Dot = D.ShapeByIndex(D.ShapeCount() - 1);
        Dot->SetPoint(1, Dot->Points()[0]);
        D.UnselectAll();
        D.SelectShape(Dot);
        Script.QueueModal([](QDialog& Dialog) {
            Dialog.findChild<QDoubleSpinBox*>(QStringLiteral("seRealLength"))->setValue(3);
            return mrOk;
        });
        Calibrate->trigger();
        EXPECT_TRUE(Script.Messages.last().contains(QLatin1String("has no length")))
            << S(Script.Messages.last());
        EXPECT_EQ(D.Ratio(), 1.0);
    });
}

} // namespace
} // namespace draxa

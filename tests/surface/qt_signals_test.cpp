// The surface as Qt programs see it: its signals arrive with the event
// members they mirror, and its published settings read and write through
// QObject::property.
#include "common/mouse_fixture.h"

#include <QColor>
#include <QSignalSpy>
#include <QVariant>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

using namespace draxa;
using namespace draxa::test;

namespace {

TMyShape* ShapeArg(const QSignalSpy& Spy, int Call, int Arg = 0) {
    return Spy.at(Call).at(Arg).value<TMyShape*>();
}

} // namespace

TEST(QtSignals, ShapeEventsFollowTheirEventMembers) {
    TMouseSurface T;
    QSignalSpy Added(&T.S, &TMyDraxa::shapeAdded);
    QSignalSpy Deleted(&T.S, &TMyDraxa::shapeDeleted);

    // The member runs first; the signal is emitted after it, both with the shape.
    QStringList Order;
    T.S.OnShapeAdded = [&](TMyShape*&, int) { Order << "member"; };
    QObject::connect(&T.S, &TMyDraxa::shapeAdded, [&] { Order << "signal"; });
    TMyShape* Box = T.Box("Box", 10, 10, 60, 40);
    EXPECT_EQ(Order, (QStringList{"member", "signal"}));
    ASSERT_EQ(Added.count(), 1);
    EXPECT_EQ(ShapeArg(Added, 0), Box);

    // A handler that empties the slot refuses the shape to the signal's listeners too.
    T.S.OnShapeAdded = [](TMyShape*& Slot, int) { Slot = nullptr; };
    T.Box("Other", 100, 100, 150, 150);
    EXPECT_EQ(Added.count(), 1);
    T.S.OnShapeAdded = nullptr;

    // Drawn with the mouse: added, then the tool goes back to selecting.
    QSignalSpy Tool(&T.S, &TMyDraxa::toolChanged);
    T.S.SetShapeTool(TDrawTool::SpEllipse);
    T.Mouse.Drag(Point(200, 100), Point(260, 160));
    ASSERT_EQ(Added.count(), 2);
    EXPECT_EQ(ShapeArg(Added, 1)->ClassName(), "TMyEllipse");
    ASSERT_EQ(Tool.count(), 2);
    EXPECT_EQ(Tool.at(0).at(0).value<TDrawTool>(), TDrawTool::SpEllipse);
    EXPECT_EQ(Tool.at(1).at(0).value<TDrawTool>(), TDrawTool::SpSelecting);
    // Setting the tool it already has is no change.
    T.S.SetShapeTool(TDrawTool::SpSelecting);
    EXPECT_EQ(Tool.count(), 2);

    // Deleted while it is still there to look at.
    QString DeletedName;
    QObject::connect(&T.S, &TMyDraxa::shapeDeleted, [&](TMyShape* S) { DeletedName = S->Name(); });
    ASSERT_TRUE(T.S.DeleteShape(Box->ShapeNo(), true));
    EXPECT_EQ(Deleted.count(), 1);
    EXPECT_EQ(DeletedName, "Box");
}

TEST(QtSignals, SelectionSignalsComeOncePerChange) {
    TMouseSurface T;
    TMyShape* A = T.Box("A", 10, 10, 60, 40);
    TMyShape* B = T.Box("B", 100, 10, 160, 40);
    QSignalSpy Changed(&T.S, &TMyDraxa::selectionChanged);
    QSignalSpy Selected(&T.S, &TMyDraxa::shapeSelected);

    T.S.SelectShape(A);
    T.S.SelectShape(B);
    T.S.SelectShape(B); // already selected
    EXPECT_EQ(Changed.count(), 2);
    EXPECT_EQ(T.S.property("selectedCount").toInt(), 2);
    T.S.UnselectAll(); // both go, one signal
    EXPECT_EQ(Changed.count(), 3);
    T.S.UnselectAll();
    T.S.UnselectShape(A);
    EXPECT_EQ(Changed.count(), 3);

    // A click picks a shape: shapeSelected names it, the selection changed.
    T.S.SetShapeTool(TDrawTool::SpSelecting);
    T.Mouse.Click(130, 25);
    ASSERT_EQ(Selected.count(), 1);
    EXPECT_EQ(ShapeArg(Selected, 0, 0), nullptr);
    EXPECT_EQ(ShapeArg(Selected, 0, 1), B);
    EXPECT_GT(Changed.count(), 3);
    EXPECT_EQ(T.S.Selected(), TArrMyShape{B});

    // Deleting a selected shape takes it out of the selection, and says so.
    const int Before = Changed.count();
    ASSERT_TRUE(T.S.DeleteSelection());
    EXPECT_GT(Changed.count(), Before);
    EXPECT_EQ(T.S.SelectedCount(), 0);
}

TEST(QtSignals, DocumentStateSignals) {
    TMouseSurface T;
    QSignalSpy Modified(&T.S, &TMyDraxa::modifiedChanged);
    QSignalSpy UndoRedo(&T.S, &TMyDraxa::undoRedoChanged);
    QSignalSpy LayerAdded(&T.S, &TMyDraxa::layerAdded);
    QSignalSpy LayerDeleted(&T.S, &TMyDraxa::layerDeleted);
    QSignalSpy Zoom(&T.S, &TMyDraxa::zoomChanged);

    // Modified: once when it becomes true, once when the host clears it.
    TMyShape* A = T.Box("A", 10, 10, 60, 40);
    T.S.SelectShape(A);
    ASSERT_TRUE(T.S.NudgeSelection(5, 0));
    ASSERT_EQ(Modified.count(), 1);
    EXPECT_TRUE(Modified.at(0).at(0).toBool());
    T.S.SetModified(false);
    ASSERT_EQ(Modified.count(), 2);
    EXPECT_FALSE(Modified.at(1).at(0).toBool());

    // Undo state: the signal arrives and the properties agree with it.
    ASSERT_GT(UndoRedo.count(), 0);
    EXPECT_TRUE(T.S.property("canUndo").toBool());
    const int BeforeUndo = UndoRedo.count();
    ASSERT_TRUE(T.S.Undo());
    EXPECT_GT(UndoRedo.count(), BeforeUndo);
    EXPECT_TRUE(T.S.property("canRedo").toBool());

    // Layers, with their ids and names.
    const int Id = T.S.AddLayer("Notes", true);
    ASSERT_EQ(LayerAdded.count(), 1);
    EXPECT_EQ(LayerAdded.at(0).at(0).toInt(), Id);
    EXPECT_EQ(LayerAdded.at(0).at(1).toString(), "Notes");
    ASSERT_TRUE(T.S.DeleteLayer(uint8_t(Id)));
    ASSERT_EQ(LayerDeleted.count(), 1);
    EXPECT_EQ(LayerDeleted.at(0).at(1).toString(), "Notes");

    // Zoom: a change is announced; a refused or equal value is not.
    T.S.SetZoom(2.0);
    T.S.SetZoom(2.0);
    T.S.SetZoom(-1.0);
    ASSERT_EQ(Zoom.count(), 1);
    EXPECT_DOUBLE_EQ(Zoom.at(0).at(0).toDouble(), 2.0);
}

TEST(QtProperties, PublishedSettingsReadAndWriteThroughTheirAccessors) {
    TMyDraxa S;
    S.SetBounds(0, 0, 400, 300);
    // One row per property: the value written, and how the surface's own
    // getter reads it back.
    struct TRow {
        const char* Name;
        QVariant Value;
        std::function<QVariant(TMyDraxa&)> Get;
    };
    const std::vector<TRow> Rows{
        {"zoom", 1.5, [](TMyDraxa& D) { return QVariant(D.Zoom()); }},
        {"ratio", 2.5, [](TMyDraxa& D) { return QVariant(D.Ratio()); }},
        {"units", QVariant::fromValue(TUnits::inch),
         [](TMyDraxa& D) { return QVariant::fromValue(D.TheUNIT()); }},
        {"tool", QVariant::fromValue(TDrawTool::SpPolyLine),
         [](TMyDraxa& D) { return QVariant::fromValue(D.ShapeTool()); }},
        {"pageStyle", QVariant::fromValue(TPageStyle::A3),
         [](TMyDraxa& D) { return QVariant::fromValue(D.PageStyle()); }},
        {"pageOrientation", QVariant::fromValue(TPrinterOrientation::poLandscape),
         [](TMyDraxa& D) { return QVariant::fromValue(D.PageOrientation()); }},
        {"gridShow", false, [](TMyDraxa& D) { return QVariant(D.GridOperation().GridShow); }},
        {"gridWidth", 12.0, [](TMyDraxa& D) { return QVariant(D.GridOperation().GridWidth); }},
        {"gridHeight", 8.0, [](TMyDraxa& D) { return QVariant(D.GridOperation().GridHeight); }},
        {"gridInZoom", true, [](TMyDraxa& D) { return QVariant(D.GridOperation().GridInZoom); }},
        {"backgroundColor", QColor(10, 20, 30),
         [](TMyDraxa& D) { return QVariant(ToQColor(D.ColorOfBackGround())); }},
        {"snap", false, [](TMyDraxa& D) { return QVariant(D.Snap()); }},
        {"keyboardEditing", true, [](TMyDraxa& D) { return QVariant(D.KeyboardEditing()); }},
        {"xyMode", QVariant::fromValue(TXYMode::Mode2),
         [](TMyDraxa& D) { return QVariant::fromValue(D.XYMode()); }},
        {"pageHead", QString("Head"), [](TMyDraxa& D) { return QVariant(D.PageHead()); }},
        {"tag", 42, [](TMyDraxa& D) { return QVariant(D.Tag()); }},
    };
    for (const TRow& R : Rows) {
        SCOPED_TRACE(R.Name);
        ASSERT_TRUE(S.setProperty(R.Name, R.Value));
        EXPECT_EQ(R.Get(S), R.Value);
        EXPECT_EQ(S.property(R.Name), R.Value);
    }

    // The setters' limits hold through the property system too.
    EXPECT_TRUE(S.setProperty("gridWidth", 0.5));
    EXPECT_DOUBLE_EQ(S.GridOperation().GridWidth, 12.0);
    EXPECT_TRUE(S.setProperty("zoom", 0.0));
    EXPECT_DOUBLE_EQ(S.Zoom(), 1.5);
    EXPECT_TRUE(S.setProperty("rotateConstraintDegree", -5));
    EXPECT_EQ(S.RotateConstraintDegree(), 0);

    // Every property the surface publishes can be read; the read-only ones refuse writes.
    const QMetaObject* Meta = S.metaObject();
    for (int I = TMyDraxa::staticMetaObject.propertyOffset(); I < Meta->propertyCount(); ++I) {
        const QMetaProperty P = Meta->property(I);
        SCOPED_TRACE(P.name());
        EXPECT_TRUE(P.read(&S).isValid());
    }
    EXPECT_FALSE(S.setProperty("version", QString("x")));
    EXPECT_FALSE(S.setProperty("canUndo", true));
}

TEST(QtSignals, ASurfaceBeingDestroyedSendsNothingButDestroyed) {
    auto T = std::make_unique<TMouseSurface>();
    TMyShape* A = T->Box("A", 10, 10, 60, 40);
    T->S.SelectShape(A);
    T->S.AddLayer("Notes", true);
    int Signals = 0, Members = 0;
    bool Destroyed = false;
    for (auto Signal : {&TMyDraxa::selectionChanged, &TMyDraxa::undoRedoChanged})
        QObject::connect(&T->S, Signal, [&] { ++Signals; });
    QObject::connect(&T->S, &TMyDraxa::layerDeleted, [&] { ++Signals; });
    QObject::connect(&T->S, &QObject::destroyed, [&] { Destroyed = true; });
    T->S.OnDeleteLayer = [&](int, const QString&, bool) { ++Members; };
    T.reset();
    EXPECT_EQ(Signals, 0);
    EXPECT_TRUE(Destroyed);
    EXPECT_EQ(Members, 2); // the event members fire as before
}

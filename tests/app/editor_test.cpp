// The editor window as a person works in it: every tool on the tool panel,
// keys going to the drawing once it is clicked, menus whose states follow
// the selection and the history, the question before changes are left
// behind, the name's prompt and the status bar.
#include "app/drawing_menu.h"
#include "app/drawings_store.h"
#include "app/edit_frm.h"
#include "app/editor_actions.h"
#include "app/editor_status.h"
#include "app/editor_view.h"
#include "app/file_menu.h"
#include "app/form_support.h"
#include "app/format_bar.h"
#include "app/layers_panel.h"
#include "app/print_setup.h"
#include "app/tool_bar.h"
#include "common/control_helpers.h"
#include "common/editor_session.h"
#include "common/scripted_dialogs.h"
#include "shapes/line.h"
#include "shapes/text.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QToolButton>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <functional>

namespace draxa {
namespace {

using test::TScriptedDialogs;

std::string S(const QString& Text) {
    return Text.toStdString();
}

void Key(QWidget* Target, int Key, const QString& Text = QString()) {
    ASSERT_NE(Target, nullptr);
    QKeyEvent Press(QEvent::KeyPress, Key, Qt::NoModifier, Text);
    QApplication::sendEvent(Target, &Press);
    QKeyEvent Release(QEvent::KeyRelease, Key, Qt::NoModifier, Text);
    QApplication::sendEvent(Target, &Release);
}

int AddRectangle(TMyDraxa& D, float Left, float Top) {
    const TArrMyPoint Box{TMyPoint{Left, Top}, TMyPoint{Left + 80, Top}, TMyPoint{Left + 80, Top + 50},
                          TMyPoint{Left, Top + 50}};
    return D.AddShapeByTool(&D, TDrawTool::SpRectangle, QString(), Box, 0, QString());
}

// The choice of Group whose data is Value.
QAction* Choice(QMenu* Menu, int Value) {
    for (QAction* A : Menu->actions())
        if (A->isCheckable() && A->data().toInt() == Value) return A;
    return nullptr;
}

// Answers the next value dialog with these values, row by row.
std::function<TModalResult(QDialog&)> Values(std::vector<std::pair<const char*, double>> Rows) {
    return [Rows](QDialog& D) {
        for (const auto& [Name, Value] : Rows) {
            auto* Box = D.findChild<QDoubleSpinBox*>(QLatin1String(Name));
            if (!Box) return mrCancel;
            Box->setValue(Value);
        }
        return mrOk;
    };
}

class EditorTest : public test::TEditorSessionTest {};

TEST_F(EditorTest, EveryToolHasAButtonWithATipAndAKey) {
    TMyDraxa& D = *Edit.DraxaEdit();
    QSet<QString> Tips, Keys, Names;
    for (int T = 0; T <= int(TDrawTool::SpBLine); ++T) {
        const TDrawTool Tool = TDrawTool(T);
        QToolButton* B = Edit.ToolButton(Tool);
        ASSERT_NE(B, nullptr) << T;
        B->click();
        EXPECT_EQ(D.ShapeTool(), Tool) << S(B->objectName());
        // Exactly one of the 22 is down, the chosen one.
        for (int Other = 0; Other <= int(TDrawTool::SpBLine); ++Other)
            EXPECT_EQ(Edit.ToolButton(TDrawTool(Other))->isChecked(), Other == T) << S(B->objectName());
        EXPECT_TRUE(Edit.StatusBar()->lblHint()->text().startsWith(TToolBar::ToolTip(Tool)));
        Tips << TToolBar::ToolTip(Tool);
        Keys << TToolBar::ToolKey(Tool);
        Names << B->objectName();
    }
    EXPECT_EQ(Tips.size(), 22);
    EXPECT_EQ(Keys.size(), 22);
    EXPECT_EQ(Names.size(), 22);
    EXPECT_TRUE(
        TToolBar::ToolTip(TDrawTool::SpLineLinkLine).contains(QStringLiteral("junction on a connector")));
    EXPECT_TRUE(TToolBar::ToolTip(TDrawTool::SpPolyLine).contains(QStringLiteral("double-click to finish")));

    // After a new tool, drawing returns to selecting and its button goes down.
    Edit.ToolButton(TDrawTool::SpFreeLine)->click();
    Edit.DraxaEditActionToolToSelecting();
    EXPECT_TRUE(Edit.sbtnSelecting()->isChecked());
    EXPECT_FALSE(Edit.ToolButton(TDrawTool::SpFreeLine)->isChecked());
}

TEST_F(EditorTest, DeleteAfterAClickDeletesTheShapeAndLeavesTheName) {
    Session([](TEditForm& E) {
        TMyDraxa& D = *E.DraxaEdit();
        E.edtName()->setText(QStringLiteral("Plan"));
        E.edtName()->setFocus();
        ASSERT_GE(AddRectangle(D, 40, 40), 0);
        D.UnselectAllAndRepaint();
        EXPECT_FALSE(E.Actions()->actDelete->isEnabled());

        test::TMouseDriver Mouse(D);
        Mouse.Click(80, 60);
        QApplication::processEvents();
        EXPECT_EQ(E.focusWidget(), &D);
        EXPECT_EQ(D.SelectedCount(), 1);
        EXPECT_TRUE(E.Actions()->actDelete->isEnabled());

        Key(E.focusWidget(), Qt::Key_Delete);
        EXPECT_EQ(D.ShapeCount(), 0);
        EXPECT_EQ(S(E.edtName()->text()), "Plan");
        E.Actions()->actUndo->trigger();
        EXPECT_EQ(D.ShapeCount(), 1);
        E.done(mrCancel);
    });
}

TEST_F(EditorTest, UndoAndRedoFollowTheHistory) {
    TMyDraxa& D = *Edit.DraxaEdit();
    TEditorActions& A = *Edit.Actions();
    EXPECT_FALSE(A.actUndo->isEnabled());
    EXPECT_FALSE(A.actRedo->isEnabled());

    ASSERT_GE(AddRectangle(D, 20, 20), 0);
    ASSERT_GE(AddRectangle(D, 150, 20), 0);
    QApplication::processEvents();
    EXPECT_TRUE(A.actUndo->isEnabled());
    EXPECT_EQ(S(A.actUndo->text()), "&Undo Add");

    test::TMouseDriver Mouse(D);
    Mouse.Click(60, 40);
    QApplication::processEvents();
    A.actBringToFront->trigger();
    EXPECT_EQ(S(A.actUndo->text()), "&Undo Bring to Front");
    A.actUndo->trigger();
    EXPECT_EQ(S(A.actRedo->text()), "&Redo Bring to Front");
    EXPECT_TRUE(A.actRedo->isEnabled());
    A.actUndo->trigger();
    A.actUndo->trigger();
    EXPECT_EQ(D.ShapeCount(), 0);
    EXPECT_FALSE(A.actUndo->isEnabled());
    A.actRedo->trigger();
    EXPECT_EQ(D.ShapeCount(), 1);
    EXPECT_TRUE(A.actUndo->isEnabled());

    // Zoom steps and the actual size.
    A.actZoomIn->trigger();
    EXPECT_DOUBLE_EQ(D.Zoom(), 1.25);
    EXPECT_EQ(S(Edit.StatusBar()->lblZoom()->text()), "125 %");
    A.actZoom100->trigger();
    EXPECT_DOUBLE_EQ(D.Zoom(), 1.0);
}

TEST_F(EditorTest, AFormatChangeIsOneUndoStepForTheWholeSelection) {
    TMyDraxa& D = *Edit.DraxaEdit();
    TFormatBar& Bar = *Edit.FormatBar();
    ASSERT_GE(AddRectangle(D, 20, 20), 0);
    ASSERT_GE(AddRectangle(D, 150, 20), 0);
    D.UnselectAllAndRepaint();
    test::TMouseDriver Mouse(D);
    Mouse.Click(60, 40);
    QApplication::processEvents();
    EXPECT_TRUE(Bar.isEnabled());
    Mouse.SetModifiers(Qt::ShiftModifier);
    Mouse.Click(190, 40);
    QApplication::processEvents();
    ASSERT_EQ(D.SelectedCount(), 2);

    Bar.sePenWidth()->setValue(5);
    const int Red = Bar.cbBrushColor()->findText(QStringLiteral("Red"));
    Bar.cbBrushColor()->setCurrentIndex(Red);
    emit Bar.cbBrushColor()->activated(Red);
    for (TMyShape* S : D.Selected()) {
        EXPECT_EQ(S->Pen().Width(), 5);
        EXPECT_EQ(S->Brush().Color(), clRed);
    }
    EXPECT_EQ(S(Edit.Actions()->actUndo->text()), "&Undo Change");
    ASSERT_TRUE(D.Undo()); // the fill, on both
    for (int I = 0; I < D.ShapeCount(); ++I) {
        EXPECT_EQ(D.ShapeByIndex(I)->Pen().Width(), 5);
        EXPECT_NE(D.ShapeByIndex(I)->Brush().Color(), clRed);
    }
    ASSERT_TRUE(D.Undo()); // the width, on both
    for (int I = 0; I < D.ShapeCount(); ++I) EXPECT_EQ(D.ShapeByIndex(I)->Pen().Width(), 1);
    EXPECT_EQ(D.ShapeCount(), 2);
}

TEST_F(EditorTest, TheSecondFormatRowSetsGradientTextCaptionAndLock) {
    TMyDraxa& D = *Edit.DraxaEdit();
    TFormatBar& Bar = *Edit.FormatBar();
    const int TextNo =
        D.AddShapeByTool(&D, TDrawTool::SpText, QString(), {{20, 20}, {120, 20}, {120, 70}, {20, 70}}, 0, {});
    ASSERT_GE(AddRectangle(D, 200, 20), 0);
    auto* Text = dynamic_cast<TMyText*>(D.ShapeByNumber(TextNo));
    TMyShape* Box = D.ShapeByIndex(1);
    D.SelectAll();
    Bar.Update();
    const auto Choose = [](QComboBox* Combo, const QString& Item) {
        const int At = Combo->findText(Item);
        ASSERT_GE(At, 0) << S(Item);
        Combo->setCurrentIndex(At);
        emit Combo->activated(At);
    };

    Choose(Bar.cbGradient(), QStringLiteral("Top to bottom"));
    EXPECT_EQ(Text->GradientStyle(), TGradientStyle::gsLinearH);
    EXPECT_EQ(Box->GradientStyle(), TGradientStyle::gsLinearH);
    EXPECT_EQ(Box->ColorEnd(), clWhite);
    EXPECT_EQ(Box->Brush().Style(), TBrushStyle::bsClear) << "a solid fill would hide it";
    EXPECT_TRUE(Bar.cbGradientTo()->isEnabled());
    Choose(Bar.cbGradientTo(), QStringLiteral("Navy"));
    EXPECT_EQ(Box->ColorEnd(), clNavy);
    Choose(Bar.cbAlignment(), QStringLiteral("Right"));
    EXPECT_EQ(Text->HAlignment(), TAlignment::taRightJustify);
    EXPECT_EQ(Box->MultiInfoAlignment(), TAlignment::taRightJustify) << "a caption's lines";
    Bar.chkWordWrap()->click();
    EXPECT_TRUE(Text->WordWrap());
    ASSERT_TRUE(D.Undo());
    ASSERT_TRUE(D.Undo());
    ASSERT_TRUE(D.Undo());
    EXPECT_EQ(Box->ColorEnd(), clWhite);
    ASSERT_TRUE(D.Undo());
    EXPECT_EQ(Text->GradientStyle(), TGradientStyle::gsNone) << "one step for both";
    EXPECT_EQ(Box->GradientStyle(), TGradientStyle::gsNone);

    // The caption and the tip of the selected shape.
    D.UnselectAll();
    D.SelectShape(Box);
    Bar.Update();
    Bar.edtInfo()->setText(QStringLiteral("Tank"));
    emit Bar.edtInfo()->editingFinished();
    Bar.edtCaption()->setText(QStringLiteral("Holds 200 l"));
    emit Bar.edtCaption()->editingFinished();
    EXPECT_EQ(S(Box->Info()), "Tank");
    EXPECT_EQ(S(Box->Caption()), "Holds 200 l");
    ASSERT_TRUE(D.Undo());
    ASSERT_TRUE(D.Undo());
    EXPECT_TRUE(Box->Info().isEmpty());

    // A fill pattern keeps its pattern when its colour changes.
    Choose(Bar.cbBrushStyle(), QStringLiteral("Grid"));
    Choose(Bar.cbBrushColor(), QStringLiteral("Red"));
    EXPECT_EQ(Box->Brush().Style(), TBrushStyle::bsCross);
    EXPECT_EQ(Box->Brush().Color(), clRed);
    EXPECT_FALSE(Bar.seArrowAngle()->isEnabled()) << "a box has no arrow heads";

    // Locked, the shape stays when the selection is deleted; unlocking is a step too.
    Bar.chkLocked()->click();
    EXPECT_TRUE(Box->Locked());
    EXPECT_FALSE(D.DeleteSelection());
    EXPECT_EQ(D.ShapeCount(), 2);
    ASSERT_TRUE(D.Undo());
    EXPECT_FALSE(Box->Locked());

    // Arrow heads' angle and length, on lines.
    const int LineNo = D.AddShapeByTool(&D, TDrawTool::SpLine, QString(), {{20, 150}, {200, 150}}, 0, {});
    auto* Line = dynamic_cast<TMyLine*>(D.ShapeByNumber(LineNo));
    ASSERT_NE(Line, nullptr);
    D.UnselectAll();
    D.SelectShape(Line);
    Bar.Update();
    ASSERT_TRUE(Bar.seArrowLength()->isEnabled());
    EXPECT_EQ(Bar.seArrowLength()->value(), Line->ArrowLength());
    Bar.seArrowAngle()->setValue(45);
    Bar.seArrowLength()->setValue(12);
    EXPECT_EQ(Line->ArrowAngle(), 45);
    EXPECT_EQ(Line->ArrowLength(), 12);
}

TEST_F(EditorTest, LayersAreAddedHiddenAndDeletedAfterAQuestion) {
    TMyDraxa& D = *Edit.DraxaEdit();
    TLayersPanel& Panel = *Edit.LayersPanel();
    QListWidget& List = *Panel.lstLayers();
    ASSERT_EQ(List.count(), 1);
    EXPECT_FALSE(Panel.btnDeleteLayer()->isEnabled());

    Panel.btnAddLayer()->click();
    ASSERT_EQ(List.count(), 2);
    EXPECT_EQ(S(List.item(1)->text()), "Layer1");
    EXPECT_EQ(D.CurrentLayer(), List.item(1)->data(Qt::UserRole).toInt());
    ASSERT_GE(AddRectangle(D, 20, 20), 0); // on the new layer
    EXPECT_EQ(int(D.ShapeByIndex(0)->LayerId()), D.CurrentLayer());

    List.item(1)->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(D.IsLayerVisible(D.CurrentLayer()));
    List.item(1)->setText(QStringLiteral("Layer0")); // taken: refused, the name stays
    EXPECT_EQ(S(Script.Messages.last()), "A layer needs a name that no other layer of the drawing has.");
    EXPECT_EQ(S(D.Layers()[1].Name), "Layer1");

    // The current layer holds a shape: deleting it asks; No keeps it.
    Script.MessageResults = {mrNo, mrYes};
    Panel.btnDeleteLayer()->click();
    EXPECT_EQ(D.LayerCount(), 2);
    Panel.btnDeleteLayer()->click();
    EXPECT_EQ(D.LayerCount(), 1);
    EXPECT_EQ(D.ShapeCount(), 0);
    EXPECT_EQ(List.count(), 1);
    EXPECT_FALSE(Panel.btnDeleteLayer()->isEnabled());
}

TEST_F(EditorTest, LeavingWithChangesAsksFirst) {
    // Cancel, Escape and the close box, each answered "keep editing", then
    // "discard".
    const std::vector<std::pair<const char*, std::function<void(TEditForm&)>>> Ways{
        {"Cancel", [](TEditForm& E) { E.bbtnCancel()->click(); }},
        {"Escape", [](TEditForm& E) { Key(E.edtName(), Qt::Key_Escape); }},
        {"close box", [](TEditForm& E) { E.close(); }},
    };
    for (const auto& [Name, Leave] : Ways) {
        Script.Messages.clear();
        Script.MessageResults = {mrCancel, mrNo};
        const TModalResult Result = Session([&, Leave = Leave](TEditForm& E) {
            Leave(E); // nothing changed yet: no question
            EXPECT_FALSE(E.isVisible()) << Name;
            E.show();
            ASSERT_GE(AddRectangle(*E.DraxaEdit(), 30, 30), 0);
            Leave(E);
            EXPECT_TRUE(E.isVisible()) << Name;
            Leave(E);
            EXPECT_FALSE(E.isVisible()) << Name;
        });
        EXPECT_EQ(Result, mrCancel) << Name;
        EXPECT_EQ(Script.Messages.size(), 2) << Name;
        EXPECT_TRUE(Script.MessageResults.empty()) << Name;
    }
    ASSERT_TRUE(Store.Refresh());
    EXPECT_EQ(Store.RecordCount(), 0);

    // "Save" saves as OK does.
    Script.Messages.clear();
    Script.MessageResults = {mrYes};
    const TModalResult Result = Session([](TEditForm& E) {
        E.edtName()->setText(QStringLiteral("Kept"));
        ASSERT_GE(AddRectangle(*E.DraxaEdit(), 30, 30), 0);
        E.bbtnCancel()->click();
    });
    EXPECT_EQ(Result, mrOk);
    EXPECT_EQ(S(Script.Messages.last()), "Save success!");
    ASSERT_TRUE(Store.Refresh());
    EXPECT_EQ(Store.RecordCount(), 1);
}

TEST_F(EditorTest, TheNamePromptIsReplacedByTypingAndOkAsksForAName) {
    Session([this](TEditForm& E) {
        TNameEdit& Name = *E.edtName();
        EXPECT_TRUE(Name.ShowsPrompt());
        EXPECT_TRUE(Name.Name().isEmpty());
        E.bbtnOK()->click();
        EXPECT_TRUE(E.isVisible());
        EXPECT_EQ(S(Script.Messages.join('|')), "Please input the draw name.");

        // A key typed anywhere in the prompt replaces all of it.
        Name.setCursorPosition(7);
        Key(&Name, Qt::Key_G, QStringLiteral("G"));
        EXPECT_EQ(S(Name.text()), "G");
        EXPECT_FALSE(Name.ShowsPrompt());
        Key(&Name, Qt::Key_O, QStringLiteral("o"));
        EXPECT_EQ(S(Name.text()), "Go");
        // Deleting from the prompt empties the field.
        Name.ShowPrompt(QStringLiteral("Please input the draw name."));
        Name.setCursorPosition(3);
        Key(&Name, Qt::Key_Backspace);
        EXPECT_EQ(S(Name.text()), "");
        E.done(mrCancel);
    });
}

TEST_F(EditorTest, WindowGrowsAroundThePageAndRemembersItsPlace) {
    EXPECT_NE(Edit.minimumSize(), Edit.maximumSize());
    Session([](TEditForm& E) {
        TMyDraxa& D = *E.DraxaEdit();
        EXPECT_EQ(E.ScrollBox()->widget(), &D);
        // The whole page shows at 100 %.
        EXPECT_GE(E.ScrollBox()->viewport()->width(), D.width());
        EXPECT_GE(E.ScrollBox()->viewport()->height(), D.height());
        const QSize Before = E.ScrollBox()->size();
        E.resize(E.size() + QSize(200, 100));
        QApplication::processEvents();
        EXPECT_EQ(E.ScrollBox()->size(), Before + QSize(200, 100));
        EXPECT_EQ(D.size(), QSize(378, 242)); // the page decides the surface's size

        // The position in millimetres at the drawing's scale.
        D.SetRatio(2.0);
        test::TMouseDriver Mouse(D);
        Mouse.Move(96, 48);
        EXPECT_EQ(S(E.StatusBar()->lblPosition()->text()), "X 50.8  Y 25.4 mm");
        D.SetRatio(1.0);
        E.done(mrCancel);
    });
    const QSize Left = Edit.size();
    TEditForm Again(Store);
    Script.QueueModal([](QDialog& D) {
        D.show();
        D.hide();
        return mrCancel;
    });
    Again.NewDrawing();
    EXPECT_EQ(Again.size(), Left);
}

TEST_F(EditorTest, DoubleClickEditsTheTextThereAsOneStep) {
    TMyDraxa& D = *Edit.DraxaEdit();
    const int TextNo =
        D.AddShapeByTool(&D, TDrawTool::SpText, QString(), {{20, 20}, {120, 20}, {120, 70}, {20, 70}}, 0, {});
    ASSERT_GE(AddRectangle(D, 200, 20), 0);
    auto* Text = dynamic_cast<TMyText*>(D.ShapeByNumber(TextNo));
    TMyShape* Box = D.ShapeByIndex(1);
    ASSERT_NE(Text, nullptr);
    test::TMouseDriver Mouse(D);

    Script.StringEdits = {QStringList{"one", "two"}};
    Mouse.DoubleClick(70, 45);
    QApplication::processEvents();
    EXPECT_EQ(Text->Lines(), (QStringList{"one", "two"}));
    EXPECT_EQ(S(Edit.Actions()->actUndo->text()), "&Undo Change");

    // Any other shape: its caption, which a second double-click finds there.
    Script.StringEdits = {QStringList{"Pump"}};
    Mouse.DoubleClick(240, 45);
    QApplication::processEvents();
    EXPECT_EQ(S(Box->Info()), "Pump");
    D.Repaint();
    Script.StringEdits = {std::nullopt}; // cancelled: nothing changes
    Mouse.DoubleClick(int(Box->InfoPos().X), int(Box->InfoPos().Y));
    QApplication::processEvents();
    EXPECT_EQ(Script.LastEditedLines, QStringList{"Pump"});
    EXPECT_EQ(S(Box->Info()), "Pump");
    ASSERT_TRUE(D.Undo());
    EXPECT_TRUE(Box->Info().isEmpty());
    ASSERT_TRUE(D.Undo());
    EXPECT_TRUE(Text->Lines().isEmpty());

    // A drawing tool keeps its double-click (it finishes a polyline).
    const qsizetype Asked = Script.Calls.count(QStringLiteral("EditStrings"));
    Edit.ToolButton(TDrawTool::SpPolyLine)->click();
    Mouse.Click(300, 150);
    Mouse.DoubleClick(340, 200);
    QApplication::processEvents();
    EXPECT_EQ(Script.Calls.count(QStringLiteral("EditStrings")), Asked);

    // A text box whose lines are cancelled is not made.
    const int Before = D.ShapeCount();
    Edit.ToolButton(TDrawTool::SpText)->click();
    Mouse.Drag(Point(150, 150), Point(250, 200));
    EXPECT_EQ(Script.Calls.count(QStringLiteral("EditStrings")), Asked + 1);
    EXPECT_EQ(D.ShapeCount(), Before);
    EXPECT_TRUE(Edit.sbtnSelecting()->isChecked());
}

TEST_F(EditorTest, TheLayersPanelMovesTheSelectionToTheCurrentLayer) {
    TMyDraxa& D = *Edit.DraxaEdit();
    TLayersPanel& Panel = *Edit.LayersPanel();
    ASSERT_GE(AddRectangle(D, 20, 20), 0);
    const int First = D.CurrentLayer();
    Panel.btnAddLayer()->click();
    const int Second = D.CurrentLayer();
    ASSERT_NE(First, Second);
    test::TMouseDriver Mouse(D);
    Mouse.Click(60, 40);
    QApplication::processEvents();
    ASSERT_EQ(D.SelectedCount(), 1);
    ASSERT_TRUE(Panel.btnMoveToLayer()->isEnabled());

    Panel.btnMoveToLayer()->click();
    EXPECT_EQ(int(D.ShapeByIndex(0)->LayerId()), Second);
    EXPECT_FALSE(Panel.btnMoveToLayer()->isEnabled()) << "nothing left to move";
    EXPECT_EQ(S(Edit.Actions()->actUndo->text()), "&Undo Change");
    Edit.Actions()->actUndo->trigger();
    EXPECT_EQ(int(D.ShapeByIndex(0)->LayerId()), First);
}

TEST_F(EditorTest, FittingAndWheelZoomKeepTheDrawingInView) {
    Session([this](TEditForm& E) {
        TMyDraxa& D = *E.DraxaEdit();
        TEditorView& View = *E.View();
        QWidget& Port = *E.ScrollBox()->viewport();
        View.actFitPage->trigger();
        EXPECT_GT(D.Zoom(), 1.0) << "a small page grows to fill the window";
        EXPECT_LE(D.width(), Port.width());
        EXPECT_LE(D.height(), Port.height());
        EXPECT_TRUE(D.width() > Port.width() - 40 || D.height() > Port.height() - 40);

        // Ctrl + wheel: the drawing's point under the mouse stays there.
        D.SetZoom(3.0);
        QApplication::processEvents();
        const QPoint At(500, 300);
        const QPoint Seen = D.mapTo(&Port, At);
        QWheelEvent Wheel(At, D.mapToGlobal(At), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::ControlModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&D, &Wheel);
        EXPECT_DOUBLE_EQ(D.Zoom(), 4.0);
        const QPoint Now = D.mapTo(&Port, QPoint(At.x() * 4 / 3, At.y() * 4 / 3));
        EXPECT_NEAR(Now.x(), Seen.x(), 1);
        EXPECT_NEAR(Now.y(), Seen.y(), 1);
        EXPECT_EQ(S(E.StatusBar()->lblZoom()->text()), "400 %");

        // Fit drawing: the one small shape, large and in the middle.
        D.SetZoom(1.0);
        ASSERT_GE(AddRectangle(D, 200, 150), 0);
        View.actFitDrawing->trigger();
        EXPECT_GT(D.Zoom(), 3.0);
        const QPoint Centre = D.mapTo(&Port, QPoint(int(240 * D.Zoom()), int(175 * D.Zoom())));
        EXPECT_NEAR(Centre.x(), Port.width() / 2, 3);
        EXPECT_NEAR(Centre.y(), Port.height() / 2, 3);

        Script.QueueModal(Values({{"seGridWidth", 40}, {"seGridHeight", 25}}));
        View.actGridSpacing->trigger();
        EXPECT_EQ(D.GridOperation().GridWidth, 40);
        EXPECT_EQ(D.GridOperation().GridHeight, 25);
        E.done(mrCancel);
    });
}

TEST_F(EditorTest, TheDrawingMenuSetsUnitsScalePageAndBackground) {
    TMyDraxa& D = *Edit.DraxaEdit();
    TDrawingMenu& M = *Edit.DrawingMenu();
    Choice(M.mnuUnits, int(TUnits::inch))->trigger();
    EXPECT_EQ(D.TheUNIT(), TUnits::inch);
    Script.QueueModal(Values({{"seRatio", 50}}));
    M.actScale->trigger();
    EXPECT_EQ(D.Ratio(), 50);
    EXPECT_TRUE(Edit.StatusBar()->PositionText(96, 0).startsWith(QStringLiteral("X 50.00")))
        << "inches at 1:50";

    Choice(M.mnuPageSize, int(TPageStyle::A4))->trigger();
    EXPECT_EQ(D.PageStyle(), TPageStyle::A4);
    EXPECT_EQ(D.width(), D.PageMmToPixels(210));
    Choice(M.mnuOrientation, int(TPrinterOrientation::poLandscape))->trigger();
    EXPECT_EQ(D.width(), D.PageMmToPixels(297));
    EXPECT_EQ(D.height(), D.PageMmToPixels(210));
    // A custom page turns too.
    Script.QueueModal(Values({{"sePageWidth", 150}, {"sePageHeight", 80}}));
    M.actCustomPage->trigger();
    EXPECT_EQ(D.PageStyle(), TPageStyle::CustomerPage);
    EXPECT_EQ(D.width(), D.PageMmToPixels(150));
    Choice(M.mnuOrientation, int(TPrinterOrientation::poPortrait))->trigger();
    EXPECT_EQ(D.width(), D.PageMmToPixels(80));
    EXPECT_EQ(D.height(), D.PageMmToPixels(150));
    M.Update();
    EXPECT_TRUE(Choice(M.mnuOrientation, int(TPrinterOrientation::poPortrait))->isChecked());

    Script.QueueModal([](QDialog& Dialog) {
        dynamic_cast<QColorDialog&>(Dialog).setCurrentColor(Qt::yellow);
        return mrOk;
    });
    M.actBackColor->trigger();
    EXPECT_EQ(D.ColorOfBackGround(), clYellow);
    EXPECT_FALSE(M.actClearPicture->isEnabled());

    // A background picture, and a file that is none, and taking it away.
    QImage Picture(30, 20, QImage::Format_RGB888);
    Picture.fill(Qt::darkGreen);
    const QString Good = Dir.filePath(QStringLiteral("paper.bmp"));
    ASSERT_TRUE(Picture.save(Good, "BMP"));
    const QString Bad = Dir.filePath(QStringLiteral("torn.bmp"));
    {
        QFile F(Bad);
        ASSERT_TRUE(F.open(QIODevice::WriteOnly));
        F.write("BM not really a bitmap");
    }
    Script.PictureNames = {Good, Bad};
    M.actBackPicture->trigger();
    EXPECT_EQ(D.BkBitmap().Width(), 30);
    M.actBackPicture->trigger();
    EXPECT_EQ(D.BkBitmap().Width(), 30) << "an unreadable file changes nothing";
    EXPECT_TRUE(Script.Messages.last().startsWith(QStringLiteral("The picture cannot be used.")));
    M.Update();
    ASSERT_TRUE(M.actClearPicture->isEnabled());
    M.actClearPicture->trigger();
    EXPECT_TRUE(D.BkBitmap().Empty());
}

TEST_F(EditorTest, ANewDrawingTakesNothingFromTheDrawingBefore) {
    Session([](TEditForm& E) {
        TMyDraxa& D = *E.DraxaEdit();
        E.LayersPanel()->btnAddLayer()->click();
        ASSERT_GE(AddRectangle(D, 20, 20), 0);
        Choice(E.DrawingMenu()->mnuPageSize, int(TPageStyle::A4))->trigger();
        Choice(E.DrawingMenu()->mnuUnits, int(TUnits::inch))->trigger();
        D.SetColorOfBackGround(clYellow);
        E.done(mrCancel);
    });
    Session([](TEditForm& E) {
        TMyDraxa& D = *E.DraxaEdit();
        EXPECT_EQ(D.ShapeCount(), 0);
        EXPECT_EQ(D.LayerCount(), 1);
        EXPECT_EQ(E.LayersPanel()->lstLayers()->count(), 1);
        EXPECT_EQ(D.PageStyle(), TPageStyle::CustomerPage);
        EXPECT_EQ(D.size(), QSize(378, 242));
        EXPECT_EQ(D.TheUNIT(), TUnits::mm);
        EXPECT_EQ(D.ColorOfBackGround(), clWhite);
        EXPECT_FALSE(D.CanUndo());
        E.done(mrCancel);
    });
}

TEST_F(EditorTest, TheFileMenuExportsPrintsAndPreviewsThePage) {
    TMyDraxa& D = *Edit.DraxaEdit();
    TFileMenu& M = *Edit.FileMenu();
    ASSERT_EQ(Edit.findChild<QMenuBar*>()->actions().value(0), M.mnuFile->menuAction()) << "File comes first";
    AddRectangle(D, 40, 40);
    Edit.findChild<QLineEdit*>(QStringLiteral("edtName"))->setText(QStringLiteral("Plan: ground/floor"));

    // Offered under the drawing's name, made fit for a file name; the
    // folder chosen is offered again.
    const QString Pdf = Dir.filePath(QStringLiteral("plan.pdf"));
    Script.SaveNames.push_back(Pdf);
    M.actExportPdf->trigger();
    EXPECT_EQ(Script.Calls.last(), QStringLiteral("PromptForSaveFileName"));
    EXPECT_EQ(Script.LastDefaultExt, QStringLiteral("pdf"));
    QFile Written(Pdf);
    ASSERT_TRUE(Written.open(QIODevice::ReadOnly));
    EXPECT_EQ(Written.read(5), QByteArray("%PDF-"));
    EXPECT_EQ(AppSettings().value(TFileMenu::ExportFolderKey).toString(), Dir.path());

    // The page set-up is the user's, kept between sessions, and used by
    // every print and PDF.
    Script.QueueModal([](QDialog& Dialog) {
        EXPECT_EQ(Dialog.windowTitle(), QStringLiteral("Page Setup"));
        Dialog.findChild<QLineEdit*>(QStringLiteral("edtHead"))->setText(QStringLiteral("Level two"));
        Dialog.findChild<QCheckBox*>(QStringLiteral("chkBorder"))->setChecked(false);
        Dialog.findChild<QSpinBox*>(QStringLiteral("seLeft"))->setValue(12);
        return mrOk;
    });
    M.actPageSetup->trigger();
    const TPrintSettings Kept = TPrintSettings::Load();
    EXPECT_EQ(Kept.Head, QStringLiteral("Level two"));
    EXPECT_FALSE(Kept.Border);
    EXPECT_EQ(Kept.Left, 12);
    EXPECT_EQ(D.PageHead(), QStringLiteral("Level two"));
    EXPECT_FALSE(D.PrintABorder());
    AppSettings().remove(QStringLiteral("Print"));

    Script.SaveNames.push_back(std::nullopt);
    M.actExportPng->trigger();
    EXPECT_TRUE(Script.Messages.isEmpty()) << "a cancelled export says nothing";

    const QString Png = Dir.filePath(QStringLiteral("plan")); // the extension is added
    Script.SaveNames.push_back(Png);
    M.actExportPng->trigger();
    const QImage Picture(Png + QStringLiteral(".png"));
    EXPECT_EQ(Picture.width(), std::lround(D.PageWidth() * TFileMenu::PictureDpi / 25.4));

    Script.SaveNames.push_back(Dir.filePath(QStringLiteral("no/such/folder/plan.svg")));
    M.actExportSvg->trigger();
    ASSERT_EQ(Script.Messages.size(), 1);
    EXPECT_TRUE(Script.Messages.last().startsWith(QStringLiteral("Cannot write")))
        << S(Script.Messages.last());

    // Printing goes to the printer the dialog was left with: here a file.
    const QString Printed = Dir.filePath(QStringLiteral("printed.pdf"));
    Script.QueueModal([&Printed](QDialog& Dialog) {
        auto& Print = dynamic_cast<QPrintDialog&>(Dialog);
        Print.printer()->setOutputFormat(QPrinter::PdfFormat);
        Print.printer()->setOutputFileName(Printed);
        return mrOk;
    });
    M.actPrint->trigger();
    EXPECT_EQ(Script.ModalTitles.last(), QStringLiteral("Print the Drawing"));
    EXPECT_TRUE(QFile::exists(Printed));

    Script.QueueModal([](QDialog&) { return mrCancel; });
    M.actPreview->trigger();
    EXPECT_EQ(Script.ModalTitles.last(), QStringLiteral("Print Preview"));
    EXPECT_EQ(D.Zoom(), 1.0) << "nothing of the drawing changed";
    EXPECT_EQ(Script.Messages.size(), 1);
}

TEST_F(EditorTest, RotateAndFlipFromTheArrangeMenuAreEachOneStep) {
    TMyDraxa& D = *Edit.DraxaEdit();
    TEditorActions& A = *Edit.Actions();
    ASSERT_GE(AddRectangle(D, 20, 20), 0);
    ASSERT_GE(AddRectangle(D, 150, 20), 0);
    D.SelectAll();
    A.Update();
    // The status bar tells the selection's size: 210 x 50 pixels.
    EXPECT_EQ(S(Edit.StatusBar()->lblSize()->text()), "W 55.6  H 13.2 mm");
    ASSERT_TRUE(A.actRotateRight->isEnabled());
    A.actRotateRight->trigger();
    const TMyRect R = D.ShapeByIndex(0)->PointsBounds();
    EXPECT_NEAR(R.Bottom - R.Top, 80, 0.01);
    A.actFlipVert->trigger();
    EXPECT_TRUE(D.ShapeByIndex(0)->IsFlipVert() && D.ShapeByIndex(1)->IsFlipVert());
    A.actUndo->trigger();
    EXPECT_FALSE(D.ShapeByIndex(0)->IsFlipVert() || D.ShapeByIndex(1)->IsFlipVert());
    A.actUndo->trigger();
    EXPECT_NEAR(D.ShapeByIndex(1)->PointsBounds().Right - D.ShapeByIndex(1)->PointsBounds().Left, 80, 0.01);
}

} // namespace
} // namespace draxa

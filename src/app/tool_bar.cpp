#include "app/tool_bar.h"

#include "app/glyphs.h"

#include <QAction>
#include <QButtonGroup>
#include <QCoreApplication>
#include <QKeySequence>
#include <QToolButton>

#include <array>

namespace draxa {

namespace {

struct TToolButtonPlace {
    const char* Name;
    int Left, Top;
    TDrawTool Tool;
    bool Original; // one of the fourteen buttons the editor always had
    const char* Key;
    const char* Tip;
};

constexpr int KToolCount = 22;

// Two columns; the original fourteen stay where they always were, the
// others fill the right column and a last row.
constexpr std::array<TToolButtonPlace, KToolCount> KToolButtons{{
    {"sbtnLine", 8, 8, TDrawTool::SpLine, true, "L",
     QT_TRANSLATE_NOOP("TToolBar", "Line: drag from one end to the other")},
    {"sbtnSelecting", 32, 8, TDrawTool::SpSelecting, true, "V",
     QT_TRANSLATE_NOOP("TToolBar", "Select: click or drag a frame to select shapes; drag to move them")},
    {"sbtnRuleLine", 8, 32, TDrawTool::SpRuleLine, true, "M",
     QT_TRANSLATE_NOOP("TToolBar",
                       "Measuring line: drag a line that shows its length in the drawing's units")},
    {"sbtnRotateSelecting", 32, 32, TDrawTool::SpRotateSelecting, true, "O",
     QT_TRANSLATE_NOOP("TToolBar", "Rotate: select a shape, then drag a corner to turn it")},
    {"sbtnPolyLine", 8, 56, TDrawTool::SpPolyLine, true, "P",
     QT_TRANSLATE_NOOP("TToolBar", "Polyline: click to add a vertex, double-click to finish")},
    {"sbtnLineLinkLine", 32, 56, TDrawTool::SpLineLinkLine, true, "J",
     QT_TRANSLATE_NOOP(
         "TToolBar",
         "Junction: click to drop a junction on a connector; other connectors can branch from it")},
    {"sbtnPolygon", 8, 80, TDrawTool::SpPolygon, true, "G",
     QT_TRANSLATE_NOOP("TToolBar", "Polygon: click to add a corner, double-click to close it")},
    {"sbtnLinkLine", 32, 80, TDrawTool::SpLinkLine, true, "K",
     QT_TRANSLATE_NOOP("TToolBar",
                       "Connector: drag from one shape to another; the line routes itself around shapes")},
    {"sbtnRectangle", 8, 104, TDrawTool::SpRectangle, true, "R",
     QT_TRANSLATE_NOOP("TToolBar", "Rectangle: drag from one corner to the opposite one")},
    {"sbtnEllipse", 8, 128, TDrawTool::SpEllipse, true, "E",
     QT_TRANSLATE_NOOP("TToolBar", "Ellipse: drag the box the ellipse fills")},
    {"sbtnElliArc", 8, 152, TDrawTool::SpElliArc, true, "A",
     QT_TRANSLATE_NOOP("TToolBar", "Elliptic arc: click its start, a point on it and its end")},
    {"sbtnPolyBezier", 8, 176, TDrawTool::SpPolyBezier, true, "C",
     QT_TRANSLATE_NOOP("TToolBar", "Bezier curve: click to add a point, double-click to finish")},
    {"sbtnText", 8, 200, TDrawTool::SpText, true, "T",
     QT_TRANSLATE_NOOP("TToolBar", "Text: drag the box, then type its lines")},
    {"sbtnImage", 8, 224, TDrawTool::SpImage, true, "I",
     QT_TRANSLATE_NOOP("TToolBar", "Image: drag the box, then choose the picture")},
    {"sbtnLinkPoint", 32, 104, TDrawTool::SpLinkPoint, false, "X",
     QT_TRANSLATE_NOOP("TToolBar", "Connection point: click to place a point that connectors can attach to")},
    {"sbtnFreeLine", 32, 128, TDrawTool::SpFreeLine, false, "F",
     QT_TRANSLATE_NOOP("TToolBar", "Freehand line: draw with the button held down")},
    {"sbtnBLine", 32, 152, TDrawTool::SpBLine, false, "B",
     QT_TRANSLATE_NOOP("TToolBar",
                       "B-line: click the points a smooth line passes through, double-click to finish")},
    {"sbtnPointAdding", 32, 176, TDrawTool::SpPolylinePolygonPointAdding, false, "N",
     QT_TRANSLATE_NOOP("TToolBar",
                       "Add vertex: click on a polyline or polygon's side to add a vertex there")},
    {"sbtnPointRemoving", 32, 200, TDrawTool::SpPolylinePolygonPointRemoving, false, "Shift+N",
     QT_TRANSLATE_NOOP("TToolBar", "Remove vertex: click a vertex of a polyline or polygon to remove it")},
    {"sbtnDragWhole", 32, 224, TDrawTool::SpDragWhole, false, "H",
     QT_TRANSLATE_NOOP("TToolBar", "Move drawing: drag to move all shapes at once")},
    {"sbtnBrowse", 8, 248, TDrawTool::SpBrowse, false, "W",
     QT_TRANSLATE_NOOP("TToolBar", "Browse: click shapes to select them without moving anything")},
    {"sbtnClose", 32, 248, TDrawTool::SpClose, false, "Q",
     QT_TRANSLATE_NOOP("TToolBar", "No tool: the mouse leaves the drawing alone")},
}};

const TToolButtonPlace* PlaceOf(TDrawTool Tool) {
    for (const TToolButtonPlace& Place : KToolButtons)
        if (Place.Tool == Tool) return &Place;
    return nullptr;
}

} // namespace

TToolBar::TToolBar(QWidget* Parent) : QFrame(Parent), FButtons(new QButtonGroup(this)), FAll(KToolCount) {
    setObjectName(QStringLiteral("Panel2"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setFixedSize(65, 289);
    FButtons->setExclusive(true);
    for (const TToolButtonPlace& Place : KToolButtons) {
        auto* B = new QToolButton(this);
        B->setObjectName(QLatin1String(Place.Name));
        B->setGeometry(Place.Left, Place.Top, 23, 22);
        B->setCheckable(true);
        B->setAutoRaise(true);
        B->setIcon(ToolGlyph(Place.Tool));
        B->setIconSize(QSize(16, 16));
        B->setToolTip(QStringLiteral("%1 (%2)").arg(ToolTip(Place.Tool), ToolKey(Place.Tool)));
        B->setFocusPolicy(Qt::NoFocus);
        FAll[size_t(Place.Tool)] = B;
        const TDrawTool Tool = Place.Tool;
        // The letter chooses the tool at once (a button's own shortcut
        // would press it a moment later, after a quick drag has begun).
        auto* Key = new QAction(this);
        Key->setShortcut(QKeySequence(QLatin1String(Place.Key)));
        addAction(Key);
        connect(Key, &QAction::triggered, this, [this, Tool] { Choose(Tool); });
        if (Place.Original)
            FButtons->addButton(B, int(Tool));
        else
            // Outside the group: ShowTool keeps all 22 exclusive.
            connect(B, &QToolButton::clicked, this, [this, Tool] { Choose(Tool); });
    }
    connect(FButtons, &QButtonGroup::idClicked, this, [this](int Id) { Choose(TDrawTool(Id)); });
    ShowTool(TDrawTool::SpSelecting);
}

QToolButton* TToolBar::Button(TDrawTool Tool) const {
    return size_t(Tool) < FAll.size() ? FAll[size_t(Tool)] : nullptr;
}

QString TToolBar::ToolTip(TDrawTool Tool) {
    const TToolButtonPlace* Place = PlaceOf(Tool);
    return Place ? QCoreApplication::translate("TToolBar", Place->Tip) : QString();
}

QString TToolBar::ToolKey(TDrawTool Tool) {
    const TToolButtonPlace* Place = PlaceOf(Tool);
    return Place ? QKeySequence(QLatin1String(Place->Key)).toString(QKeySequence::NativeText) : QString();
}

void TToolBar::Choose(TDrawTool Tool) {
    ShowTool(Tool);
    if (OnToolChosen) OnToolChosen(Tool);
}

void TToolBar::ShowTool(TDrawTool Tool) {
    QToolButton* Down = Button(Tool);
    if (FButtons->buttons().contains(Down)) {
        Down->setChecked(true); // the group lets the others of the group up
    } else if (QAbstractButton* Checked = FButtons->checkedButton()) {
        // An exclusive group keeps its checked button down; let it go.
        FButtons->setExclusive(false);
        Checked->setChecked(false);
        FButtons->setExclusive(true);
    }
    for (QToolButton* B : FAll)
        if (!FButtons->buttons().contains(B)) B->setChecked(B == Down);
}

} // namespace draxa

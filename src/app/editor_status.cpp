#include "app/editor_status.h"

#include "app/tool_bar.h"
#include "foundation/graphics.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>

namespace draxa {

namespace {

// Units per inch and the unit's short name.
struct TUnitScale {
    double PerInch;
    const char* Name;
    int Decimals;
};

TUnitScale ScaleOf(TUnits Unit) {
    switch (Unit) {
    case TUnits::pixel:
        return {double(ScreenPixelsPerInch()), "px", 0};
    case TUnits::mm:
        return {25.4, "mm", 1};
    case TUnits::cm:
        return {2.54, "cm", 2};
    case TUnits::dm:
        return {0.254, "dm", 3};
    case TUnits::m:
        return {0.0254, "m", 4};
    case TUnits::inch:
        return {1.0, "in", 2};
    }
    return {25.4, "mm", 1};
}

QLabel* NewLabel(QStatusBar* Bar, const QString& Name, int MinWidth, bool Permanent) {
    auto* L = new QLabel(Bar);
    L->setObjectName(Name);
    L->setMinimumWidth(MinWidth);
    if (Permanent)
        Bar->addPermanentWidget(L);
    else
        Bar->addWidget(L, 1);
    return L;
}

} // namespace

TEditorStatusBar::TEditorStatusBar(TMyDraxa& Surface, QWidget* Parent)
    : QStatusBar(Parent), FSurface(Surface), FHint(NewLabel(this, QStringLiteral("lblHint"), 100, false)),
      FPosition(NewLabel(this, QStringLiteral("lblPosition"), 150, true)),
      FSize(NewLabel(this, QStringLiteral("lblSize"), 150, true)),
      FZoom(NewLabel(this, QStringLiteral("lblZoom"), 60, true)),
      FLayer(NewLabel(this, QStringLiteral("lblLayer"), 80, true)) {
    setObjectName(QStringLiteral("StatusBar"));
    setSizeGripEnabled(true);
    // The position follows the surface's mouse moves (it tracks the mouse
    // without a button held, too).
    FSurface.installEventFilter(this);
    Update();
}

TEditorStatusBar::~TEditorStatusBar() {
    FSurface.removeEventFilter(this);
}

// Screen pixels to the drawing's unit: to inches on the page, then at the
// drawing's scale.
double TEditorStatusBar::UnitsPerPixel() const {
    return ScaleOf(FSurface.TheUNIT()).PerInch * FSurface.Ratio() / (ScreenPixelsPerInch() * FSurface.Zoom());
}

QString TEditorStatusBar::SelectionSizeText() const {
    if (FSurface.SelectedCount() == 0) return QString();
    const TMyRect B = FSurface.ShapesBounds(FSurface.Selected());
    const TUnitScale Scale = ScaleOf(FSurface.TheUNIT());
    const double Factor = UnitsPerPixel();
    return tr("W %1  H %2 %3")
        .arg((B.Right - B.Left) * Factor, 0, 'f', Scale.Decimals)
        .arg((B.Bottom - B.Top) * Factor, 0, 'f', Scale.Decimals)
        .arg(QLatin1String(Scale.Name));
}

QString TEditorStatusBar::PositionText(int X, int Y) const {
    const TPoint U = FSurface.ToUserXY(TPoint{X, Y});
    const TUnitScale Scale = ScaleOf(FSurface.TheUNIT());
    const double Factor = UnitsPerPixel();
    return tr("X %1  Y %2 %3")
        .arg(U.X * Factor, 0, 'f', Scale.Decimals)
        .arg(U.Y * Factor, 0, 'f', Scale.Decimals)
        .arg(QLatin1String(Scale.Name));
}

void TEditorStatusBar::Update() {
    FSize->setText(SelectionSizeText());
    FZoom->setText(tr("%1 %").arg(qRound(FSurface.Zoom() * 100)));
    QString Layer;
    for (const LayerRec& L : FSurface.Layers())
        if (L.Id == FSurface.CurrentLayer()) Layer = L.Name;
    FLayer->setText(tr("Layer: %1").arg(Layer));
    FHint->setText(TToolBar::ToolTip(FSurface.ShapeTool()));
}

bool TEditorStatusBar::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == &FSurface) {
        switch (Event->type()) {
        case QEvent::MouseMove: {
            const QPoint P = static_cast<QMouseEvent*>(Event)->position().toPoint();
            FPosition->setText(PositionText(P.x(), P.y()));
            break;
        }
        case QEvent::Leave:
            FPosition->clear();
            break;
        case QEvent::MouseButtonRelease:
        case QEvent::KeyRelease:
        case QEvent::Resize:
            // Once the surface has handled it (a drawn shape returns to
            // selecting at the release).
            QMetaObject::invokeMethod(this, &TEditorStatusBar::Update, Qt::QueuedConnection);
            break;
        default:
            break;
        }
    }
    return QStatusBar::eventFilter(Watched, Event);
}

} // namespace draxa

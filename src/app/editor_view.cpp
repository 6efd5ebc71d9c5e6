#include "app/editor_view.h"

#include "app/editor_actions.h"
#include "app/value_dialog.h"
#include "foundation/dialogs.h"

#include <QAction>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace draxa {

namespace {

// Room left around what is fitted, pixels.
constexpr int KFitMargin = 12;

} // namespace

TEditorView::TEditorView(TMyDraxa& Surface, QScrollArea& Scroll, QMenu& View)
    : QObject(&Scroll), FSurface(Surface), FScroll(Scroll) {
    QAction* Before = nullptr;
    // After the zoom steps, before the grid.
    for (QAction* A : View.actions())
        if (A->isSeparator()) {
            Before = A;
            break;
        }
    actFitPage = new QAction(tr("Fit &Page"), &View);
    actFitPage->setObjectName(QStringLiteral("actFitPage"));
    actFitPage->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    actFitDrawing = new QAction(tr("Fit &Drawing"), &View);
    actFitDrawing->setObjectName(QStringLiteral("actFitDrawing"));
    actFitDrawing->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    View.insertActions(Before, {actFitPage, actFitDrawing});
    actGridSpacing = View.addAction(tr("Grid S&pacing..."));
    actGridSpacing->setObjectName(QStringLiteral("actGridSpacing"));
    connect(actFitPage, &QAction::triggered, this,
            [this] { RunGuarded(tr("Fitting the page"), [this] { FitPage(); }); });
    connect(actFitDrawing, &QAction::triggered, this,
            [this] { RunGuarded(tr("Fitting the drawing"), [this] { FitDrawing(); }); });
    connect(actGridSpacing, &QAction::triggered, this,
            [this] { RunGuarded(tr("Setting the grid"), [this] { AskGridSpacing(); }); });
    // The wheel turns over the drawing or over the grey around it.
    FSurface.installEventFilter(this);
    FScroll.viewport()->installEventFilter(this);
}

TEditorView::~TEditorView() {
    FSurface.removeEventFilter(this);
}

double TEditorView::FittingZoom(double Width, double Height, bool WithScrollBars) const {
    QSize Room = FScroll.maximumViewportSize() - QSize(KFitMargin, KFitMargin);
    if (WithScrollBars) {
        const int Bar = FScroll.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &FScroll);
        Room -= QSize(Bar, Bar);
    }
    if (Width <= 0 || Height <= 0 || Room.width() <= 0 || Room.height() <= 0) return FSurface.Zoom();
    const double Z = std::min(Room.width() / Width, Room.height() / Height);
    return std::clamp(Z, MinZoom, MaxZoom);
}

void TEditorView::FitPage() {
    const double Z = FSurface.Zoom();
    FSurface.SetZoom(FittingZoom(FSurface.Width() / Z, FSurface.Height() / Z, false));
    Changed();
}

void TEditorView::FitDrawing() {
    TMyRect B;
    if (!FSurface.DrawingBounds(B)) {
        FitPage();
        return;
    }
    // The drawing as far as the page shows it.
    const double Z0 = FSurface.Zoom();
    const double PageW = FSurface.Width() / Z0, PageH = FSurface.Height() / Z0;
    const double Left = std::clamp<double>(B.Left, 0, PageW), Right = std::clamp<double>(B.Right, 0, PageW);
    const double Top = std::clamp<double>(B.Top, 0, PageH), Bottom = std::clamp<double>(B.Bottom, 0, PageH);
    // A line along an axis has no extent across it.
    const double W = std::max(Right - Left, 20.0), H = std::max(Bottom - Top, 20.0);
    // The page around it is larger than the window then: there will be scroll bars.
    FSurface.SetZoom(FittingZoom(W, H, true));
    const double Z = FSurface.Zoom();
    const QSize Room = FScroll.viewport()->size();
    FScroll.horizontalScrollBar()->setValue(int(std::lround((Left + Right) / 2 * Z - Room.width() / 2.0)));
    FScroll.verticalScrollBar()->setValue(int(std::lround((Top + Bottom) / 2 * Z - Room.height() / 2.0)));
    Changed();
}

void TEditorView::ZoomAbout(double Zoom, const QPoint& At) {
    const double Old = FSurface.Zoom();
    Zoom = std::clamp(Zoom, MinZoom, MaxZoom);
    if (Zoom == Old) return;
    // Where the pixel is in the visible area, and which drawing point it shows.
    const QPoint InView = FSurface.mapTo(FScroll.viewport(), At);
    const double LX = At.x() / Old, LY = At.y() / Old;
    FSurface.SetZoom(Zoom);
    FScroll.horizontalScrollBar()->setValue(int(std::lround(LX * Zoom - InView.x())));
    FScroll.verticalScrollBar()->setValue(int(std::lround(LY * Zoom - InView.y())));
    Changed();
}

void TEditorView::AskGridSpacing() {
    TGridObject& Grid = FSurface.GridOperation();
    TValueDialog Dialog(tr("Grid Spacing"), FScroll.window());
    Dialog.AddValue(QStringLiteral("seGridWidth"), tr("Across:"), Grid.GridWidth, 2, 500, 0, tr(" px"));
    Dialog.AddValue(QStringLiteral("seGridHeight"), tr("Down:"), Grid.GridHeight, 2, 500, 0, tr(" px"));
    if (!Dialog.Ask()) return;
    Grid.GridWidth = Dialog.Value(0);
    Grid.GridHeight = Dialog.Value(1);
    // Snapping is refused a step as large as the grid's.
    const int Finer = int(std::min(Grid.GridWidth, Grid.GridHeight)) - 1;
    if (FSurface.SnapPixels() > Finer) FSurface.SetSnapPixels(uint8_t(std::max(1, Finer)));
    FSurface.SetModified(true);
    FSurface.Invalidate();
    Changed();
}

bool TEditorView::eventFilter(QObject* Watched, QEvent* Event) {
    if (Event->type() == QEvent::Wheel && (Watched == &FSurface || Watched == FScroll.viewport())) {
        auto* Wheel = static_cast<QWheelEvent*>(Event);
        if (Wheel->modifiers() & Qt::ControlModifier) {
            const int Steps = Wheel->angleDelta().y() / 120;
            if (Steps != 0) {
                double Z = FSurface.Zoom();
                for (int I = 0; I < std::abs(Steps); ++I) Z = TEditorActions::NextZoom(Z, Steps > 0);
                QPoint At = Wheel->position().toPoint();
                if (Watched != &FSurface) At = FSurface.mapFrom(FScroll.viewport(), At);
                ZoomAbout(Z, At);
            }
            Wheel->accept();
            return true;
        }
    }
    return QObject::eventFilter(Watched, Event);
}

void TEditorView::Changed() {
    if (OnChanged) OnChanged();
}

} // namespace draxa

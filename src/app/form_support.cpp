#include "app/form_support.h"

#include "app/drawings_store.h"
#include "foundation/dialogs.h"
#include "foundation/streams.h"
#include "surface/draxa.h"

#include <QCoreApplication>
#include <QFont>
#include <QFrame>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>

#include <exception>

namespace draxa {

void MakeFixedWindow(QWidget& Window, int Width, int Height) {
    Window.setWindowFlags((Window.windowFlags() & Qt::WindowType_Mask) | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    Window.setFixedSize(Width, Height);
    // The layout is measured for an 8-point font: at the desktop's usual
    // 9 or 10 points the labels would run into the fields they name.
    QFont Font = Window.font();
    Font.setPointSize(8);
    Window.setFont(Font);
}

void MakeSizableWindow(QWidget& Window) {
    Window.setWindowFlags((Window.windowFlags() & Qt::WindowType_Mask) | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    QFont Font = Window.font();
    Font.setPointSize(8);
    Window.setFont(Font);
}

QSettings AppSettings() {
    return QSettings(QStringLiteral("draxa"), QCoreApplication::applicationName());
}

void CentreOnScreen(QWidget& Window) {
    const QScreen* Screen = Window.screen() ? Window.screen() : QGuiApplication::primaryScreen();
    if (!Screen) return;
    QRect Frame = Window.frameGeometry();
    Frame.moveCenter(Screen->availableGeometry().center());
    Window.move(Frame.topLeft());
}

QFrame* NewLoweredPanel(QWidget* Parent, const QRect& Geometry) {
    auto* Panel = new QFrame(Parent);
    Panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel->setLineWidth(2);
    Panel->setGeometry(Geometry);
    return Panel;
}

void MakeDisplayOnly(QLineEdit& Edit) {
    Edit.setReadOnly(true);
    QPalette Face = Edit.palette();
    Face.setColor(QPalette::Base, Face.color(QPalette::Window));
    Edit.setPalette(Face);
}

void ApplyFormSurfaceSettings(TMyDraxa& Surface) {
    // The windows show finished drawings: smooth edges, as people expect of
    // a drawing program today.
    Surface.SetAntialiased(true);
    Surface.SetArrowAngle(10);
    Surface.SetArrowLength(30);
    Surface.SetArrowOffset(0);
    Surface.SetArrowStyle(TArrowStyle::ANone);
    Surface.SetBkBitmapMode(TBkBitmapMode::Center);
    Surface.SetColorOfBackGround(clWhite);
    Surface.SetColorOfHot(clGray);
    Surface.SetDragMode(TDragMode::dgBoth);
    TGridObject& Grid = Surface.GridOperation();
    Grid.GridColor = clSilver;
    Grid.GridWidth = 20.0;
    Grid.GridHeight = 20.0;
    Grid.GridPenSize = 1;
    Grid.GridType = TGridType::gLine;
    Surface.SetLinklineAroundShape(true);
    Surface.SetLockBound(false);
    Surface.SetMouseEffect(true);
    Surface.SetOperateAllLayer(true);
    Surface.SetPageFootAlignment(TAlignment::taRightJustify);
    // A custom page leaves the control's size alone: the window has placed
    // the control already, and 378 x 242 pixels are this 100 x 64 mm page.
    Surface.SetPageOrientation(TPrinterOrientation::poPortrait);
    Surface.SetPageStyle(TPageStyle::CustomerPage);
    Surface.SetPageWidth(100);
    Surface.SetPageHeight(64);
    Surface.SetPrintABorder(true);
    Surface.SetPrintBackground(false);
    Surface.SetRatio(1.0);
    Surface.SetResizeEnable(true);
    Surface.SetReturnToSelecting(true);
    Surface.SetRotateConstraintDegree(0);
    Surface.SetRotateEnable(true);
    Surface.SetShapeTool(TDrawTool::SpSelecting);
    Surface.SetSnap(true);
    Surface.SetTheUNIT(TUnits::mm);
    Surface.SetXYMode(TXYMode::Mode0);
    Surface.SetZoom(1.0);
    Surface.SetCursor(crCross);
}

QString LastUpdateText(const QDateTime& When) {
    return When.isValid() ? When.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
}

bool ShowRecordDrawing(TMyDraxa& Surface, const TDrawingRecord& Record) {
    if (Record.Draw.isEmpty()) {
        // A record without a drawing shows none, not the one shown before.
        Surface.Clear();
        Surface.Invalidate();
        return true;
    }
    bool Loaded = false;
    try {
        TMemoryStream Stream(Record.Draw);
        Loaded = Surface.LoadFromStream(Stream);
    } catch (const std::exception&) {
        // Loading reports failure rather than throwing; should anything
        // still escape it (memory), the record counts as unreadable.
        Loaded = false;
    }
    if (Loaded) return true;
    Surface.Clear();
    Surface.Invalidate();
    Dialogs().ShowMessage(
        QCoreApplication::translate("TMainForm", "The drawing of the record \"%1\" cannot be read: its data "
                                                 "are damaged or are not a TDraxa drawing.\nThe record has "
                                                 "been left as it is.")
            .arg(Record.Name));
    return false;
}

QPixmap DrawingThumbnail(TMyDraxa& Painter, const QByteArray& Draw, int Width, int Height) {
    QPixmap Picture(Width, Height);
    Picture.fill(Qt::transparent);
    bool Loaded = false;
    if (!Draw.isEmpty()) {
        try {
            TMemoryStream Stream(Draw);
            Loaded = Painter.LoadFromStream(Stream);
        } catch (const std::exception&) {
            Loaded = false; // an unreadable drawing gets an empty picture
        }
    }
    if (!Loaded) return Picture;
    // The page without its grid, as large as the picture allows.
    Painter.GridOperation().GridShow = false;
    Painter.UnselectAll();
    const QPixmap Page = Painter.grab();
    const QPixmap Scaled = Page.scaled(Width, Height, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPainter Paint(&Picture);
    const QRect Place((Width - Scaled.width()) / 2, (Height - Scaled.height()) / 2, Scaled.width(),
                      Scaled.height());
    Paint.drawPixmap(Place.topLeft(), Scaled);
    Paint.setPen(Qt::gray);
    Paint.drawRect(Place.adjusted(0, 0, -1, -1));
    return Picture;
}

} // namespace draxa

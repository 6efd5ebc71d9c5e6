#include "app/drawing_menu.h"

#include "app/layers_panel.h"
#include "app/value_dialog.h"
#include "foundation/dialogs.h"
#include "foundation/picture_loader.h"

#include <QAction>
#include <QActionGroup>
#include <QColorDialog>
#include <QDir>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QStandardPaths>

#include <array>
#include <exception>

namespace draxa {

TDrawingMenu::TDrawingMenu(TMyDraxa& Surface, TLayersPanel& Layers, QMenuBar& Bar, QWidget& Window)
    : QObject(&Window), FSurface(Surface), FLayers(Layers), FWindow(Window), FUnits(new QActionGroup(this)),
      FPages(new QActionGroup(this)), FOrientations(new QActionGroup(this)),
      FPlacements(new QActionGroup(this)) {
    mnuDrawing = Bar.addMenu(tr("&Drawing"));
    mnuDrawing->setObjectName(QStringLiteral("mnuDrawing"));

    mnuUnits = mnuDrawing->addMenu(tr("&Units"));
    mnuUnits->setObjectName(QStringLiteral("mnuUnits"));
    const std::array<std::pair<TUnits, QString>, 6> Units{{
        {TUnits::pixel, tr("&Pixels")},
        {TUnits::mm, tr("&Millimetres")},
        {TUnits::cm, tr("&Centimetres")},
        {TUnits::dm, tr("&Decimetres")},
        {TUnits::m, tr("M&etres")},
        {TUnits::inch, tr("&Inches")},
    }};
    for (const auto& [Unit, Text] : Units) AddChoice(mnuUnits, FUnits, Text, int(Unit));
    connect(FUnits, &QActionGroup::triggered, this, [this](QAction* A) {
        Run(tr("Setting the units"), [&] { SetUnits(TUnits(A->data().toInt())); });
    });
    actScale = mnuDrawing->addAction(tr("Drawing &Scale..."));
    actScale->setObjectName(QStringLiteral("actScale"));
    connect(actScale, &QAction::triggered, this,
            [this] { Run(tr("Setting the scale"), [this] { AskScale(); }); });
    actScaleFromDistance = mnuDrawing->addAction(tr("Set Scale from a &Distance..."));
    actScaleFromDistance->setObjectName(QStringLiteral("actScaleFromDistance"));
    actScaleFromDistance->setToolTip(
        tr("Give a line over a known distance its real length; the scale follows"));
    connect(actScaleFromDistance, &QAction::triggered, this,
            [this] { Run(tr("Setting the scale"), [this] { AskScaleFromDistance(); }); });

    mnuDrawing->addSeparator();
    mnuPageSize = mnuDrawing->addMenu(tr("&Page Size"));
    mnuPageSize->setObjectName(QStringLiteral("mnuPageSize"));
    const std::array<std::pair<TPageStyle, const char*>, 9> Pages{{
        {TPageStyle::A0, "A0 (841 \u00D7 1189 mm)"},
        {TPageStyle::A1, "A1 (594 \u00D7 841 mm)"},
        {TPageStyle::A2, "A2 (420 \u00D7 594 mm)"},
        {TPageStyle::A3, "A3 (297 \u00D7 420 mm)"},
        {TPageStyle::A4, "A4 (210 \u00D7 297 mm)"},
        {TPageStyle::A5, "A5 (148 \u00D7 210 mm)"},
        {TPageStyle::B3, "B3 (353 \u00D7 500 mm)"},
        {TPageStyle::B4, "B4 (257 \u00D7 364 mm)"},
        {TPageStyle::B5, "B5 (182 \u00D7 257 mm)"},
    }};
    for (const auto& [Style, Text] : Pages)
        AddChoice(mnuPageSize, FPages, QString::fromUtf8(Text), int(Style));
    mnuPageSize->addSeparator();
    actCustomPage = AddChoice(mnuPageSize, FPages, tr("&Custom Size..."), int(TPageStyle::CustomerPage));
    actCustomPage->setObjectName(QStringLiteral("actCustomPage"));
    connect(FPages, &QActionGroup::triggered, this, [this](QAction* A) {
        const auto Style = TPageStyle(A->data().toInt());
        Run(tr("Setting the page"), [&] {
            if (Style == TPageStyle::CustomerPage)
                AskCustomPage();
            else
                SetPageStyle(Style);
        });
    });
    mnuOrientation = mnuDrawing->addMenu(tr("&Orientation"));
    mnuOrientation->setObjectName(QStringLiteral("mnuOrientation"));
    AddChoice(mnuOrientation, FOrientations, tr("&Portrait"), int(TPrinterOrientation::poPortrait));
    AddChoice(mnuOrientation, FOrientations, tr("&Landscape"), int(TPrinterOrientation::poLandscape));
    connect(FOrientations, &QActionGroup::triggered, this, [this](QAction* A) {
        Run(tr("Setting the page"), [&] { SetOrientation(TPrinterOrientation(A->data().toInt())); });
    });

    mnuDrawing->addSeparator();
    actBackColor = mnuDrawing->addAction(tr("Background &Colour..."));
    actBackColor->setObjectName(QStringLiteral("actBackColor"));
    connect(actBackColor, &QAction::triggered, this,
            [this] { Run(tr("Setting the background"), [this] { AskBackgroundColor(); }); });
    actBackPicture = mnuDrawing->addAction(tr("Background P&icture..."));
    actBackPicture->setObjectName(QStringLiteral("actBackPicture"));
    connect(actBackPicture, &QAction::triggered, this,
            [this] { Run(tr("Setting the background"), [this] { AskBackgroundPicture(); }); });
    mnuPicturePlacement = mnuDrawing->addMenu(tr("Picture Pl&acement"));
    mnuPicturePlacement->setObjectName(QStringLiteral("mnuPicturePlacement"));
    AddChoice(mnuPicturePlacement, FPlacements, tr("&Centred"), int(TBkBitmapMode::Center));
    AddChoice(mnuPicturePlacement, FPlacements, tr("&Top Left"), int(TBkBitmapMode::LeftTop));
    AddChoice(mnuPicturePlacement, FPlacements, tr("&Stretched"), int(TBkBitmapMode::Stretch));
    AddChoice(mnuPicturePlacement, FPlacements, tr("T&iled"), int(TBkBitmapMode::Tiled));
    connect(FPlacements, &QActionGroup::triggered, this, [this](QAction* A) {
        Run(tr("Setting the background"), [&] {
            FSurface.SetBkBitmapMode(TBkBitmapMode(A->data().toInt()));
            FSurface.SetModified(true);
        });
    });
    actClearPicture = mnuDrawing->addAction(tr("&Remove Background Picture"));
    actClearPicture->setObjectName(QStringLiteral("actClearPicture"));
    connect(actClearPicture, &QAction::triggered, this,
            [this] { Run(tr("Setting the background"), [this] { ClearBackgroundPicture(); }); });

    mnuDrawing->addSeparator();
    mnuLayers = mnuDrawing->addMenu(tr("&Layers"));
    mnuLayers->setObjectName(QStringLiteral("mnuLayers"));
    actNewLayer = mnuLayers->addAction(tr("&New Layer"));
    actNewLayer->setObjectName(QStringLiteral("actNewLayer"));
    connect(actNewLayer, &QAction::triggered, &FLayers, &TLayersPanel::AddLayer);
    actRenameLayer = mnuLayers->addAction(tr("&Rename Layer"));
    actRenameLayer->setObjectName(QStringLiteral("actRenameLayer"));
    connect(actRenameLayer, &QAction::triggered, &FLayers, &TLayersPanel::RenameCurrentLayer);
    actDeleteLayer = mnuLayers->addAction(tr("&Delete Layer..."));
    actDeleteLayer->setObjectName(QStringLiteral("actDeleteLayer"));
    connect(actDeleteLayer, &QAction::triggered, &FLayers, &TLayersPanel::DeleteCurrentLayer);
    actMoveToLayer = mnuLayers->addAction(tr("&Move Selection to Current Layer"));
    actMoveToLayer->setObjectName(QStringLiteral("actMoveToLayer"));
    connect(actMoveToLayer, &QAction::triggered, &FLayers, &TLayersPanel::MoveSelectionHere);

    connect(mnuDrawing, &QMenu::aboutToShow, this, &TDrawingMenu::Update);
    Update();
}

QAction* TDrawingMenu::AddChoice(QMenu* Menu, QActionGroup* Group, const QString& Text, int Value) {
    QAction* A = Menu->addAction(Text);
    A->setCheckable(true);
    A->setData(Value);
    Group->addAction(A);
    return A;
}

void TDrawingMenu::Run(const QString& Doing, const std::function<void()>& Body) {
    RunGuarded(Doing, Body);
    Update();
    if (OnChanged) OnChanged();
}

void TDrawingMenu::Update() {
    const auto Check = [](QActionGroup* Group, int Value) {
        for (QAction* A : Group->actions()) A->setChecked(A->data().toInt() == Value);
    };
    Check(FUnits, int(FSurface.TheUNIT()));
    Check(FPages, int(FSurface.PageStyle()));
    Check(FOrientations, int(FSurface.PageOrientation()));
    Check(FPlacements, int(FSurface.BkBitmapMode()));
    const bool HasPicture = !FSurface.BkBitmap().Empty();
    actClearPicture->setEnabled(HasPicture);
    mnuPicturePlacement->setEnabled(HasPicture);
    actDeleteLayer->setEnabled(FSurface.LayerCount() > 1);
    bool Elsewhere = false;
    for (TMyShape* S : FSurface.Selected()) Elsewhere = Elsewhere || S->LayerId() != FSurface.CurrentLayer();
    actMoveToLayer->setEnabled(Elsewhere);
}

void TDrawingMenu::SetUnits(TUnits Units) {
    if (Units == FSurface.TheUNIT()) return;
    FSurface.SetTheUNIT(Units);
    FSurface.SetModified(true);
}

void TDrawingMenu::AskScale() {
    TValueDialog Dialog(tr("Drawing Scale"), &FWindow);
    Dialog.AddValue(QStringLiteral("seRatio"), tr("One unit on the page is, in the drawing:"),
                    FSurface.Ratio(), 0.0001, 1000000, 4, tr(" units"));
    if (!Dialog.Ask() || Dialog.Value(0) == FSurface.Ratio()) return;
    FSurface.SetRatio(Dialog.Value(0));
    FSurface.SetModified(true);
}

TMyShape* TDrawingMenu::DistanceLine() const {
    const auto HasLength = [](const TMyShape* S) { return S && S->MeasuredLength().has_value(); };
    if (FSurface.SelectedCount() == 1) {
        // A click on a member of a group picks the member.
        TMyShape* S = FSurface.ChildShape() ? FSurface.ChildShape() : FSurface.SelectedShape(0);
        if (HasLength(S)) return S;
    }
    TMyShape* Newest = nullptr;
    for (int I = 0; I < FSurface.ShapeCount(); ++I) {
        TMyShape* S = FSurface.ShapeByIndex(I);
        if (HasLength(S) && (!Newest || S->ShapeNo() > Newest->ShapeNo())) Newest = S;
    }
    return Newest;
}

void TDrawingMenu::AskScaleFromDistance() {
    TMyShape* Line = DistanceLine();
    if (!Line) {
        Dialogs().ShowMessage(
            tr("Draw a line over a distance you know (a dimension of the background "
               "picture, say), or select one, then choose Set Scale from a Distance again."));
        return;
    }
    const QString Unit = UnitSymbol(FSurface.TheUNIT());
    const double Now =
        Line->MeasuredLength().value_or(0) * UnitsPerLogical(FSurface.TheUNIT(), FSurface.Ratio());
    // The line is shown selected while its length is asked for.
    FSurface.UnselectAll();
    if (FSurface.IsLayerVisible(Line->LayerId())) FSurface.SelectShape(Line);
    FSurface.Invalidate();
    TValueDialog Dialog(tr("Set Scale from a Distance"), &FWindow);
    Dialog.AddValue(QStringLiteral("seRealLength"),
                    tr("The line \"%1\" measures %2 %3 now. Its real length:")
                        .arg(Line->Name(), QLocale().toString(Now, 'f', 2), Unit),
                    Now, 0, 1e9, 4, QLatin1Char(' ') + Unit);
    if (!Dialog.Ask()) return;
    const QString Why = FSurface.CalibrateScale(Line, Dialog.Value(0));
    if (!Why.isEmpty()) Dialogs().ShowMessage(Why);
}

void TDrawingMenu::SetPageMm(double Width, double Height) {
    FSurface.SetBounds(FSurface.x(), FSurface.y(), FSurface.PageMmToPixels(Width),
                       FSurface.PageMmToPixels(Height));
    FSurface.SetModified(true);
    FSurface.Invalidate();
}

void TDrawingMenu::SetPageStyle(TPageStyle Style) {
    if (Style == FSurface.PageStyle()) return;
    FSurface.SetPageStyle(Style);
    FSurface.SetModified(true);
    FSurface.Invalidate();
}

void TDrawingMenu::AskCustomPage() {
    TValueDialog Dialog(tr("Page Size"), &FWindow);
    Dialog.AddValue(QStringLiteral("sePageWidth"), tr("Width:"), FSurface.PageWidth(), 10, 2000, 0,
                    tr(" mm"));
    Dialog.AddValue(QStringLiteral("sePageHeight"), tr("Height:"), FSurface.PageHeight(), 10, 2000, 0,
                    tr(" mm"));
    if (!Dialog.Ask()) return;
    SetPageMm(Dialog.Value(0), Dialog.Value(1));
}

void TDrawingMenu::SetOrientation(TPrinterOrientation Orientation) {
    if (Orientation == FSurface.PageOrientation()) return;
    const unsigned W = FSurface.PageWidth(), H = FSurface.PageHeight();
    FSurface.SetPageOrientation(Orientation);
    // A standard page turns by itself; a custom one is turned here.
    if (FSurface.PageStyle() == TPageStyle::CustomerPage) SetPageMm(H, W);
    FSurface.SetModified(true);
    FSurface.Invalidate();
}

void TDrawingMenu::AskBackgroundColor() {
    QColorDialog Dialog(ToQColor(FSurface.ColorOfBackGround()), &FWindow);
    Dialog.setObjectName(QStringLiteral("BackColorDialog"));
    Dialog.setWindowTitle(tr("Background Colour"));
    if (Dialogs().ExecuteModal(Dialog) != mrOk) return;
    const QColor C = Dialog.currentColor();
    if (!C.isValid()) return;
    FSurface.SetColorOfBackGround(FromQRgb(C.rgb()));
    FSurface.SetModified(true);
}

void TDrawingMenu::AskBackgroundPicture() {
    QString FileName;
    if (!Dialogs().PromptForPicture(FileName,
                                    QStandardPaths::writableLocation(QStandardPaths::PicturesLocation)))
        return;
    std::unique_ptr<TBitmap> Bitmap;
    try {
        Bitmap = LoadPictureAsBitmap(FileName);
    } catch (const std::exception& E) {
        Dialogs().ShowMessage(tr("The picture cannot be used. %1").arg(QString::fromStdString(E.what())));
        return;
    }
    if (!Bitmap) return;
    FSurface.SetBkBitmap(*Bitmap);
    FSurface.SetModified(true);
}

void TDrawingMenu::ClearBackgroundPicture() {
    TBitmap None;
    FSurface.SetBkBitmap(None);
    FSurface.SetModified(true);
}

} // namespace draxa

// The clipboard: copying the selection as a document of its own (with a
// PNG and an SVG picture of it for other programs), pasting such a document
// or a picture from another program, and duplicating in one go.
#include "surface/draxa.h"

#include "foundation/bitmap.h"
#include "foundation/bmp_codec.h"
#include "foundation/dialogs.h"
#include "foundation/streams.h"
#include "shapes/image.h"
#include "shapes/link_line.h"

#include <QBuffer>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMimeData>

#include <algorithm>
#include <climits>
#include <unordered_map>

namespace draxa {

namespace {

// Which surface of which process put shapes on the clipboard: pasting them
// back into the same drawing offsets them.
const QString kOriginMimeType = QStringLiteral("application/x-tdraxa-origin");

QByteArray OriginOf(const TMyDraxa* S) {
    return QByteArray::number(QCoreApplication::applicationPid()) + ':' + QByteArray::number(quintptr(S), 16);
}

// Room around the shapes' points in a picture of them: pens, arrow heads.
constexpr int PictureMargin = 8;

} // namespace

QString TMyDraxa::ShapesMimeType() {
    return QStringLiteral("application/x-tdraxa-shapes");
}

double TMyDraxa::PasteOffset() const {
    const TGridObject& G = FGridOperation;
    const bool Grid = G.GridShow && G.GridType != TGridType::gNone && G.GridWidth >= 1;
    return Grid ? G.GridWidth * (G.GridInZoom ? FZoom : 1.0) : 10.0;
}

// ---- copying ----

std::unique_ptr<TMyDraxa> TMyDraxa::CopyOfSelection() {
    // The selected shapes on shown layers and their members, in list order.
    std::vector<int> Taken;
    for (TMyShape* S : FSelected)
        if (S && IsLayerVisible(S->LayerId()))
            ForEachDepthFirst(S, [&Taken](TMyShape* X) { Taken.push_back(X->Index()); });
    std::sort(Taken.begin(), Taken.end());
    Taken.erase(std::unique(Taken.begin(), Taken.end()), Taken.end());
    if (Taken.empty()) return nullptr;
    std::unordered_map<int, int> NewIndex;
    for (size_t I = 0; I < Taken.size(); ++I) NewIndex[Taken[I]] = int(I);
    auto Mapped = [&NewIndex](int V) {
        const auto It = NewIndex.find(V);
        return It == NewIndex.end() ? -1 : It->second;
    };

    auto Clip = std::make_unique<TMyDraxa>();
    Clip->SetUndoRedoSize(0);
    Clip->FColorOfBackGround = FColorOfBackGround;
    Clip->FTheUNIT = FTheUNIT;
    Clip->FRatio = FRatio;
    for (int Old : Taken) {
        TMyShape* Source = FShapes[size_t(Old)];
        TMyShape* Copy = Clip->CreateShapeByClassName(Source->ClassName());
        Clip->FShapes.push_back(Copy);
        Clip->ApplyImage(Copy, ImageOf(Source));
        Copy->SetIndex(Clip->ShapeCount() - 1);
        Copy->SetLayerId(0);
        Copy->FGroupIndex = Mapped(Source->GroupIndex());
        TMyShapeNo Members;
        for (int M : Source->Members())
            if (Mapped(M) >= 0) Members.push_back(Mapped(M));
        Copy->FMembers = Members;
        Copy->FLinkLines.clear();
        Clip->FNextShapeNo = std::max(Clip->FNextShapeNo, Copy->ShapeNo() + 1);
    }
    // A connector keeps its ends only when both shapes it joins came along.
    for (TMyShape* S : Clip->FShapes) {
        auto* Line = dynamic_cast<TMyLinkLine*>(S);
        if (!Line) continue;
        const int Start = Mapped(Line->StartShapeIndex()), End = Mapped(Line->EndShapeIndex());
        const bool Kept =
            Line->StartShapeIndex() >= 0 && Line->EndShapeIndex() >= 0 && Start >= 0 && End >= 0;
        Line->SetStartShapeIndex(Kept ? Start : -1);
        Line->SetEndShapeIndex(Kept ? End : -1);
        if (!Kept) {
            Line->SetStartLinkPoint(-1);
            Line->SetEndLinkPoint(-1);
            continue;
        }
        Clip->FShapes[size_t(Start)]->AddLinkLine(Line->Index());
        Clip->FShapes[size_t(End)]->AddLinkLine(Line->Index());
    }
    Clip->FNumbers.Forget();
    return Clip;
}

QByteArray TMyDraxa::SelectionDocument() {
    std::unique_ptr<TMyDraxa> Clip = CopyOfSelection();
    if (!Clip) return {};
    TMemoryStream M;
    if (!Clip->SaveToStream(M)) return {};
    return M.ToByteArray();
}

QImage TMyDraxa::SelectionImage() {
    std::unique_ptr<TMyDraxa> Clip = CopyOfSelection();
    if (!Clip) return {};
    // Drawn at zoom 1 on the drawing's background, without the grid.
    Clip->FGridOperation.GridShow = false;
    Clip->FHotShow = false;
    Clip->FShowHotLink = false;
    const TRect B = InflateRectSafe(RoundMyRect(Clip->PointsBounds(Clip->FShapes)), PictureMargin);
    const int Left = std::max(0, B.Left), Top = std::max(0, B.Top);
    const int Right = std::clamp(B.Right, Left + 1, Left + int(BmpMaxSide));
    const int Bottom = std::clamp(B.Bottom, Top + 1, Top + int(BmpMaxSide));
    if (int64_t(Right - Left) * (Bottom - Top) > PictureMaxPixels) return {};
    Clip->SetBounds(0, 0, Right, Bottom);
    // One picture pixel per drawing pixel, whatever the screen's density.
    Clip->RenderToBitmap(TRect{Left, Top, Right, Bottom}, 1);
    return Clip->OffscreenBitmap().Image().copy();
}

bool TMyDraxa::CopySelection() {
    const QByteArray Document = SelectionDocument();
    if (Document.isEmpty()) return false;
    auto* Data = new QMimeData;
    Data->setData(ShapesMimeType(), Document);
    Data->setData(kOriginMimeType, OriginOf(this));
    const QImage Picture = SelectionImage();
    if (!Picture.isNull()) {
        QByteArray Png;
        QBuffer Buffer(&Png);
        Buffer.open(QIODevice::WriteOnly);
        Picture.save(&Buffer, "PNG");
        Data->setData(QStringLiteral("image/png"), Png);
        // Other programs get the picture as an SVG document as well.
        const QByteArray Svg =
            QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\">"
                           "<image width=\"%1\" height=\"%2\" href=\"data:image/png;base64,")
                .arg(Picture.width())
                .arg(Picture.height())
                .toUtf8() +
            Png.toBase64() + "\"/></svg>";
        Data->setData(QStringLiteral("image/svg+xml"), Svg);
    }
    QGuiApplication::clipboard()->setMimeData(Data);
    return true;
}

bool TMyDraxa::CutSelection() {
    if (!CopySelection()) return false;
    return DeleteSelection();
}

bool TMyDraxa::DuplicateSelection() {
    const QByteArray Document = SelectionDocument();
    if (Document.isEmpty()) return false;
    const double D = PasteOffset();
    return PasteDocument(Document, D, D);
}

// ---- pasting ----

bool TMyDraxa::Paste() {
    const QMimeData* Data = QGuiApplication::clipboard()->mimeData();
    if (!Data) return false;
    if (Data->hasFormat(ShapesMimeType())) {
        const double D = Data->data(kOriginMimeType) == OriginOf(this) ? PasteOffset() : 0.0;
        return PasteDocument(Data->data(ShapesMimeType()), D, D);
    }
    if (Data->hasImage()) return PastePicture(qvariant_cast<QImage>(Data->imageData()));
    return false;
}

bool TMyDraxa::PasteDocument(const QByteArray& Document, double DX, double DY) {
    if (FLayers.empty()) return false;
    // Read and checked as a whole before anything is added.
    TMyDraxa Clip;
    Clip.SetUndoRedoSize(0);
    TMemoryStream M(Document);
    if (!Clip.LoadFromStream(M)) {
        Dialogs().ShowMessage(QStringLiteral("The clipboard does not hold drawing shapes that can be read; "
                                             "nothing was pasted."));
        return false;
    }
    const int N = Clip.ShapeCount();
    if (N == 0) return false;
    if (int64_t(FNextShapeNo) + N >= INT32_MAX) {
        Dialogs().ShowMessage(QStringLiteral("The drawing has no shape numbers left for the pasted shapes."));
        return false;
    }
    TEditScope Edit(*this, ACT_ADD);
    const int Base = ShapeCount();
    auto Shifted = [Base](int V) { return V >= 0 ? V + Base : V; };
    const float LX = float(DX / FZoom), LY = float(DY / FZoom);
    TArrMyShape Added;
    for (TMyShape* Source : Clip.FShapes) {
        std::unique_ptr<TMyShape> Copy(CreateShapeByClassName(Source->ClassName()));
        ApplyImage(Copy.get(), Clip.ImageOf(Source));
        // A default name follows the new number.
        if (Copy->Name() == QStringLiteral("Shape") + QString::number(Source->ShapeNo()))
            Copy->SetName(QStringLiteral("Shape") + QString::number(FNextShapeNo));
        Copy->SetShapeNo(FNextShapeNo);
        Copy->SetIndex(ShapeCount());
        Copy->SetLayerId(FCurrentLayer);
        Copy->FGroupIndex = Shifted(Copy->GroupIndex());
        for (int& V : Copy->FMembers) V = Shifted(V);
        for (int& V : Copy->FLinkLines) V = Shifted(V);
        if (auto* Line = dynamic_cast<TMyLinkLine*>(Copy.get())) {
            Line->SetStartShapeIndex(Shifted(Line->StartShapeIndex()));
            Line->SetEndShapeIndex(Shifted(Line->EndShapeIndex()));
        }
        Copy->MoveLogical(LX, LY);
        const TMyPoint C = Copy->RotateCenter();
        Copy->SetRotateCenter(MyPoint(C.X + LX, C.Y + LY));
        if (!AddShape(Copy.get(), true, false)) return false;
        Added.push_back(Copy.release());
    }
    TArrMyShape Top;
    for (TMyShape* S : Added)
        if (!S->IsGrouped()) Top.push_back(S);
    RecordUndo(Top, ACT_ADD);
    UnselectAll();
    for (TMyShape* S : Top) SelectShape(S);
    // A combined shape pasted onto the drawing's connectors has them go
    // around it, as one combined there would; the pasted connectors keep
    // the routes they were copied with.
    std::vector<const TMyLinkLine*> Pasted;
    for (TMyShape* S : Added)
        if (auto* Line = dynamic_cast<TMyLinkLine*>(S)) Pasted.push_back(Line);
    RouteAroundCombines(Top, Pasted);
    SetModified(true);
    Invalidate();
    return true;
}

bool TMyDraxa::PastePicture(const QImage& Picture) {
    const int64_t W = Picture.width(), H = Picture.height();
    if (Picture.isNull() || W > BmpMaxSide || H > BmpMaxSide || W * H > BmpMaxPixels) {
        Dialogs().ShowMessage(
            QStringLiteral("The picture on the clipboard cannot be pasted into a drawing."));
        return false;
    }
    TBitmap Bitmap;
    Bitmap.SetImage(Picture.convertToFormat(QImage::Format_BGR888));
    if (FLayers.empty()) return false;
    TEditScope Edit(*this, ACT_ADD);
    // At the top left of the control, in the picture's own size (the box takes it).
    std::unique_ptr<TMyShape> Shape(CreateShapeForTool(TDrawTool::SpImage));
    auto* Image = dynamic_cast<TMyImage*>(Shape.get());
    if (!Image) return false;
    const float L = 10 / float(FZoom), T = 10 / float(FZoom);
    Image->MutablePoints() =
        TArrMyPoint{MyPoint(L, T), MyPoint(L + 1, T), MyPoint(L + 1, T + 1), MyPoint(L, T + 1)};
    try {
        Image->SetBitmap(Bitmap);
    } catch (const std::exception&) {
        Dialogs().ShowMessage(
            QStringLiteral("The picture on the clipboard cannot be pasted into a drawing."));
        return false;
    }
    Image->SetShapeNo(FNextShapeNo);
    Image->SetName(QStringLiteral("Shape") + QString::number(FNextShapeNo));
    Image->SetIndex(ShapeCount());
    const TMyPoint C = Image->GetCorner(4);
    Image->SetRotateCenter(C);
    Image->SetInfoPos(MyPoint(C.X, Image->GetCorner(2).Y + 10));
    if (!AddShape(Image, false, false)) return false;
    Shape.release();
    AddSideLinkPoints(Image);
    RecordUndo(TArrMyShape{Image}, ACT_ADD);
    UnselectAll();
    SelectShape(Image);
    SetModified(true);
    Invalidate();
    return true;
}

} // namespace draxa

// TMyImage: taking a picture, the effect and transparency rules, painting,
// copying, its record tail in every format version, and the surface's
// SetImageBitmap.
#include "foundation/bitmap.h"
#include "foundation/bmp_codec.h"
#include "foundation/canvas.h"
#include "foundation/stream_io.h"
#include "foundation/streams.h"
#include "shapes/image.h"
#include "surface/draxa.h"

#include <gtest/gtest.h>
#include <QImage>

#include <cstdint>
#include <functional>
#include <limits>

using namespace draxa;

namespace {

// An image on Surface whose box was drawn from screen (L, T) to (R, B).
TMyImage* AddImage(TMyDraxa& Surface, int L, int T, int R, int B) {
    auto* S = new TMyImage(&Surface);
    S->AddPoint(Point(L, T));
    S->AddPoint(Point(R, B));
    S->SetShapeNo(Surface.NextShapeNo());
    S->SetName("Img");
    Surface.AddShape(S, false, false);
    return S;
}

// A W x H picture, red on the left half and blue on the right.
void MakePicture(TBitmap& B, int W, int H) {
    QImage Q(W, H, QImage::Format_RGB32);
    for (int X = 0; X < W; ++X)
        for (int Y = 0; Y < H; ++Y) Q.setPixel(X, Y, ToQRgb(X < W / 2 ? clRed : clBlue));
    B.SetImage(Q);
}

QByteArray Bytes(const std::function<void(TStream&)>& Write) {
    TMemoryStream M;
    Write(M);
    return M.ToByteArray();
}

// An image tail: picture block, the fields a version holds, and a 4-byte
// sentinel the reader must not reach.
QByteArray Tail(int64_t Size, const QByteArray& Picture, bool Effects = true, bool Transparency = true,
                int32_t Mode = 1) {
    return Bytes([&](TStream& M) {
        WriteInt64(M, Size);
        M.WriteBuffer(Picture.constData(), Picture.size());
        if (Effects) {
            WriteInt32(M, -400); // kept as stored, beyond the setter's limits
            WriteInt32(M, 30);
            for (int I = 0; I < 3; ++I) WriteBoolean(M, true);
        }
        if (Transparency) {
            WriteInt32(M, int32_t(clRed));
            WriteInt32(M, Mode);
        }
        WriteInt32(M, 0x5EB71E1);
    });
}

} // namespace

TEST(Image, SetBitmapSizesTheBoxFromPointZeroAtTheZoom) {
    TMyDraxa Surface;
    TMyImage* S = AddImage(Surface, 10, 10, 50, 50);
    Surface.SetZoom(2);
    TBitmap Picture;
    MakePicture(Picture, 200, 100);
    S->SetBitmap(Picture);
    EXPECT_EQ(S->Points(), (TArrMyPoint{{10, 10}, {110, 10}, {110, 60}, {10, 60}}));
    EXPECT_EQ(S->Bitmap().PixelFormat(), TPixelFormat::pf24bit);
    S->SetBitmap(TBitmap()); // removes the picture, keeps the box
    EXPECT_TRUE(S->Bitmap().Empty());
    EXPECT_FLOAT_EQ(S->GetPoint(2).X, 110);
}

TEST(Image, BrightnessAndContrastTakeOnlyValuesWithinTheLimits) {
    for (const auto& [Value, Expected] : {std::pair{-256, 7}, {-255, -255}, {255, 255}, {256, 7}, {300, 7}}) {
        TMyImage S(nullptr);
        S.SetBrightness(7);
        S.SetContrast(7);
        S.SetBrightness(Value);
        S.SetContrast(Value);
        EXPECT_EQ(S.Brightness(), Expected) << Value;
        EXPECT_EQ(S.Contrast(), Expected) << Value;
    }
}

TEST(Image, TransparentColorAndModeFollowEachOther) {
    TMyImage S(nullptr);
    EXPECT_EQ(S.TransparentColor(), clDefault); // no picture, no colour yet
    TBitmap Picture;
    MakePicture(Picture, 4, 4); // bottom-left pixel red
    S.SetBitmap(Picture);
    using M = TTransparentMode;
    const struct {
        const char* What;
        std::function<void()> Do;
        TColor Stored, Read;
        M Mode;
    } Steps[] = {
        {"new: automatic", [] {}, clDefault, clRed, M::tmAuto},
        {"a colour fixes it", [&] { S.SetTransparentColor(clLime); }, clLime, clLime, M::tmFixed},
        {"auto forgets it", [&] { S.SetTransparentMode(M::tmAuto); }, clDefault, clRed, M::tmAuto},
        {"fixed keeps the pixel", [&] { S.SetTransparentMode(M::tmFixed); }, clRed, clRed, M::tmFixed},
        {"system colour read as RGB", [&] { S.SetTransparentColor(clBtnFace); }, clBtnFace,
         ColorToRGB(clBtnFace), M::tmFixed},
        {"clDefault is automatic", [&] { S.SetTransparentColor(clDefault); }, clDefault, clRed, M::tmAuto},
    };
    for (const auto& St : Steps) {
        St.Do();
        EXPECT_EQ(S.StoredTransparentColor(), St.Stored) << St.What;
        EXPECT_EQ(S.TransparentColor(), St.Read) << St.What;
        EXPECT_EQ(S.TransparentMode(), St.Mode) << St.What;
    }
}

TEST(Image, PaintShowsThePlaceholderOrThePictureWithItsEffects) {
    // Box (20, 20)-(60, 40) on green holding a 40 x 20 picture, red left, blue right.
    const auto NoPicture = [](TMyImage& S) { S.SetBitmap(TBitmap()); };
    const auto Turned = [](TMyImage& S) { S.Rotate(S.GetRotateCenter(), 0.5); };
    const struct {
        const char* What;
        std::function<void(TMyImage&)> Setup;
        int X, Y;
        TColor Expected;
    } Rows[] = {
        {"placeholder diagonals", NoPicture, 40, 30, clGray},
        {"placeholder open between", NoPicture, 30, 30, clGreen},
        {"picture left", nullptr, 25, 30, clRed},
        {"nothing outside", nullptr, 65, 30, clGreen},
        {"grey scale", [](TMyImage& S) { S.SetGrayScale(true); }, 25, 30, RGB(85, 85, 85)},
        // 85, contrast 255 -> 43, brightness 10 -> 53 (brightness first would give 63).
        {"grey, contrast, then brightness",
         [](TMyImage& S) { S.SetGrayScale(true), S.SetContrast(255), S.SetBrightness(10); }, 25, 30,
         RGB(53, 53, 53)},
        {"mirrored", [](TMyImage& S) { S.SetFlipDirect(true, false); }, 25, 30, clBlue},
        {"transparent bottom-left colour", [](TMyImage& S) { S.SetTransparent(true); }, 25, 30, clGreen},
        {"border over the picture",
         [](TMyImage& S) {
             S.SetBorder(true), S.Brush().SetStyle(TBrushStyle::bsClear), S.Pen().SetColor(clYellow);
         },
         20, 30, clYellow},
        {"turned, clipped to the box", Turned, 19, 13, clGreen},
        {"turned, picture inside", Turned, 32, 25, clRed},
    };
    for (const auto& R : Rows) {
        TMyDraxa Surface;
        TMyImage* S = AddImage(Surface, 20, 20, 30, 30);
        TBitmap Picture;
        MakePicture(Picture, 40, 20);
        S->SetBitmap(Picture);
        if (R.Setup) R.Setup(*S);
        QImage Target(100, 80, QImage::Format_RGB32);
        Target.fill(ToQRgb(clGreen));
        TCanvas Canvas(&Target);
        S->Paint(Canvas);
        Canvas.Release();
        EXPECT_EQ(FromQRgb(Target.pixel(R.X, R.Y)), R.Expected) << R.What;
    }
}

TEST(Image, RecordRoundTripAndAssignKeepPictureAndProperties) {
    TMyDraxa Surface;
    Surface.SetFileVersion("KW.j");
    TMyImage* S = AddImage(Surface, 10, 10, 40, 30);
    TBitmap Picture;
    MakePicture(Picture, 7, 3);
    S->SetBitmap(Picture);
    S->SetBrightness(-40);
    S->SetContrast(25);
    S->SetGrayScale(true);
    S->SetTransparent(true);
    S->SetBorder(true);
    S->SetTransparentColor(clTeal);
    TMemoryStream M(Bytes([&](TStream& Out) { S->SaveToStream(Out); }));
    TMyImage Loaded(&Surface), Copied(&Surface);
    Loaded.LoadFromStream(M);
    EXPECT_EQ(M.Position(), M.Size());
    Copied.Assign(*S);
    S->Bitmap().SetSize(1, 1); // neither shares the original's pixels
    for (const TMyImage* Back : {&Loaded, &Copied}) {
        EXPECT_EQ(Back->Points(), S->Points());
        EXPECT_EQ(Back->Bitmap().Image(), Picture.Image().convertToFormat(QImage::Format_BGR888));
        EXPECT_EQ(Back->Brightness(), -40);
        EXPECT_EQ(Back->Contrast(), 25);
        EXPECT_TRUE(Back->GrayScale() && Back->Transparent() && Back->Border());
        EXPECT_EQ(Back->StoredTransparentColor(), clTeal);
        EXPECT_EQ(Back->TransparentMode(), TTransparentMode::tmFixed);
    }
}

TEST(Image, OlderFormatVersionsHoldFewerTailFields) {
    TMyDraxa Surface;
    TMyImage* S = AddImage(Surface, 10, 10, 40, 30);
    const QByteArray Base = Bytes([&](TStream& M) { S->TMyRectangle::SaveToStream(M, TWriteContext{}); });
    TBitmap Picture;
    MakePicture(Picture, 2, 2);
    const QByteArray Bmp = Bytes([&](TStream& M) { Picture.SaveToStream(M); });
    // Cut: bytes of the newest common record an older version lacks (end cap
    // to rotate enable 5, Log fields 10, MultiInfo 5, flips and visible 3).
    const struct {
        const char* Tag;
        int Cut;
        bool Effects, Transparency;
    } Rows[] = {{"KW.j", 0, true, true},   {"KW.i", 5, true, true},   {"KW.h", 5, true, false},
                {"KW.e", 15, true, false}, {"KW.a", 20, true, false}, {"KW.9", 20, true, false},
                {"KW.8", 23, false, false}};
    for (const auto& R : Rows) {
        Surface.SetFileVersion(R.Tag);
        TMemoryStream M(Base.left(Base.size() - R.Cut) + Tail(Bmp.size(), Bmp, R.Effects, R.Transparency));
        TMyImage Back(&Surface);
        Back.LoadFromStream(M);
        EXPECT_EQ(M.Remaining(), 4) << R.Tag;
        EXPECT_EQ(Back.Bitmap().Width(), 2) << R.Tag;
        EXPECT_EQ(Back.Brightness(), R.Effects ? -400 : 0) << R.Tag;
        EXPECT_EQ(Back.Border(), R.Effects) << R.Tag;
        EXPECT_EQ(Back.StoredTransparentColor(), R.Transparency ? clRed : clDefault) << R.Tag;
    }
}

TEST(Image, DamagedTailsFailCleanlyOrDropOnlyThePicture) {
    TMyDraxa Surface;
    Surface.SetFileVersion("KW.j");
    TMyImage* S = AddImage(Surface, 10, 10, 40, 30);
    const QByteArray Base = Bytes([&](TStream& M) { S->TMyRectangle::SaveToStream(M, TWriteContext{}); });
    const QByteArray Junk("not a bitmap at all");
    const struct {
        const char* What;
        QByteArray Tail;
        bool Fails;
    } Rows[] = {
        {"negative picture size", Tail(-1, {}), true},
        {"picture larger than the stream", Tail(int64_t(1) << 40, {}), true},
        {"largest picture size", Tail(std::numeric_limits<int64_t>::max(), {}), true},
        {"transparent mode out of range", Tail(0, {}, true, true, 2), true},
        {"undecodable picture", Tail(Junk.size(), Junk), false},
        {"only the mode's low byte counts", Tail(0, {}, true, true, 0x101), false},
    };
    for (const auto& R : Rows) {
        TMyImage Back(&Surface);
        TBitmap Old;
        MakePicture(Old, 3, 3);
        Back.SetBitmap(Old);
        TMemoryStream M(Base + R.Tail);
        if (R.Fails) {
            EXPECT_THROW(Back.LoadFromStream(M), EReadError) << R.What;
            continue;
        }
        Back.LoadFromStream(M);
        EXPECT_EQ(M.Remaining(), 4) << R.What;
        EXPECT_TRUE(Back.Bitmap().Empty()) << R.What;
        EXPECT_EQ(Back.Brightness(), -400) << R.What;
        EXPECT_EQ(Back.TransparentMode(), TTransparentMode::tmFixed) << R.What;
    }
}

TEST(Image, SurfaceSetImageBitmapTakesOnlyImages) {
    TMyDraxa Surface;
    TMyImage* S = AddImage(Surface, 10, 10, 40, 30);
    const int Box = Surface.AddShapeByTool(&Surface, TDrawTool::SpRectangle, "R",
                                           {{0, 0}, {9, 0}, {9, 9}, {0, 9}}, 0, "");
    TBitmap Picture;
    MakePicture(Picture, 8, 5);
    EXPECT_FALSE(Surface.SetImageBitmap(Surface.NextShapeNo() + 5, Picture));
    EXPECT_FALSE(Surface.SetImageBitmap(Box, Picture));
    TBitmap TooWide;
    TooWide.SetImage(QImage(int(BmpMaxSide) + 1, 1, QImage::Format_RGB32)); // no document could store it
    EXPECT_FALSE(Surface.SetImageBitmap(S->ShapeNo(), TooWide));
    EXPECT_TRUE(S->Bitmap().Empty());
    EXPECT_TRUE(Surface.SetImageBitmap(S->ShapeNo(), Picture));
    EXPECT_EQ(S->Bitmap().Width(), 8);
    EXPECT_FLOAT_EQ(S->GetPoint(2).Y, 15);
}

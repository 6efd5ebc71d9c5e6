#include "app/format_bar.h"

#include "foundation/dialogs.h"
#include "shapes/line.h"
#include "shapes/text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <array>

namespace draxa {

namespace {

struct TNamedColor {
    TColor Color;
    const char* Name;
};

// The sixteen basic colours, as a drawing program's palette offers them.
constexpr std::array<TNamedColor, 16> KColors{{
    {clBlack, QT_TRANSLATE_NOOP("TFormatBar", "Black")},
    {clGray, QT_TRANSLATE_NOOP("TFormatBar", "Grey")},
    {clSilver, QT_TRANSLATE_NOOP("TFormatBar", "Silver")},
    {clWhite, QT_TRANSLATE_NOOP("TFormatBar", "White")},
    {clMaroon, QT_TRANSLATE_NOOP("TFormatBar", "Maroon")},
    {clRed, QT_TRANSLATE_NOOP("TFormatBar", "Red")},
    {clOlive, QT_TRANSLATE_NOOP("TFormatBar", "Olive")},
    {clYellow, QT_TRANSLATE_NOOP("TFormatBar", "Yellow")},
    {clGreen, QT_TRANSLATE_NOOP("TFormatBar", "Green")},
    {clLime, QT_TRANSLATE_NOOP("TFormatBar", "Lime")},
    {clTeal, QT_TRANSLATE_NOOP("TFormatBar", "Teal")},
    {clAqua, QT_TRANSLATE_NOOP("TFormatBar", "Aqua")},
    {clNavy, QT_TRANSLATE_NOOP("TFormatBar", "Navy")},
    {clBlue, QT_TRANSLATE_NOOP("TFormatBar", "Blue")},
    {clPurple, QT_TRANSLATE_NOOP("TFormatBar", "Purple")},
    {clFuchsia, QT_TRANSLATE_NOOP("TFormatBar", "Fuchsia")},
}};

QIcon Swatch(TColor Color) {
    QPixmap P(14, 14);
    P.fill(Qt::transparent);
    QPainter Paint(&P);
    Paint.setPen(Qt::darkGray);
    if (Color == clNone) {
        Paint.setBrush(Qt::white);
        Paint.drawRect(0, 0, 13, 13);
        Paint.setPen(Qt::red);
        Paint.drawLine(1, 12, 12, 1);
    } else {
        Paint.setBrush(ToQColor(Color));
        Paint.drawRect(0, 0, 13, 13);
    }
    return QIcon(P);
}

QComboBox* NewColorBox(QWidget* Parent, const QString& Name, bool WithNone) {
    auto* Box = new QComboBox(Parent);
    Box->setObjectName(Name);
    if (WithNone) Box->addItem(Swatch(clNone), TFormatBar::tr("None"), QVariant::fromValue(uint32_t(clNone)));
    for (const TNamedColor& C : KColors)
        Box->addItem(Swatch(C.Color), TFormatBar::tr(C.Name), QVariant::fromValue(uint32_t(C.Color)));
    return Box;
}

// Selects the item holding Value, or none.
void ShowValue(QComboBox* Box, uint32_t Value) {
    const QSignalBlocker Quiet(Box);
    Box->setCurrentIndex(Box->findData(QVariant::fromValue(Value)));
}

QLabel* Caption(QWidget* Parent, const QString& Text) {
    auto* L = new QLabel(Text, Parent);
    L->setContentsMargins(6, 0, 0, 0);
    return L;
}

} // namespace

TFormatBar::TFormatBar(TMyDraxa& Surface, QWidget* Parent)
    : QFrame(Parent), FSurface(Surface), FPenColor(NewColorBox(this, QStringLiteral("cbPenColor"), false)),
      FPenWidth(new QSpinBox(this)), FPenStyle(new QComboBox(this)),
      FBrushColor(NewColorBox(this, QStringLiteral("cbBrushColor"), true)),
      FFontName(new QFontComboBox(this)), FFontSize(new QSpinBox(this)), FArrows(new QComboBox(this)),
      FBrushStyle(new QComboBox(this)), FArrowAngle(new QSpinBox(this)), FArrowLength(new QSpinBox(this)),
      FGradient(new QComboBox(this)),
      FGradientFrom(NewColorBox(this, QStringLiteral("cbGradientFrom"), false)),
      FGradientTo(NewColorBox(this, QStringLiteral("cbGradientTo"), false)), FAlignment(new QComboBox(this)),
      FWordWrap(new QCheckBox(tr("Wrap"), this)), FInfo(new QLineEdit(this)), FCaption(new QLineEdit(this)),
      FLocked(new QCheckBox(tr("Locked"), this)) {
    setObjectName(QStringLiteral("FormatBar"));
    FPenWidth->setObjectName(QStringLiteral("sePenWidth"));
    FPenWidth->setRange(1, 20);
    FPenWidth->setSuffix(tr(" px"));
    FPenStyle->setObjectName(QStringLiteral("cbPenStyle"));
    const std::array<std::pair<TPenStyle, QString>, 5> Styles{{
        {TPenStyle::psSolid, tr("Solid")},
        {TPenStyle::psDash, tr("Dash")},
        {TPenStyle::psDot, tr("Dot")},
        {TPenStyle::psDashDot, tr("Dash dot")},
        {TPenStyle::psClear, tr("No line")},
    }};
    for (const auto& [Style, Text] : Styles) FPenStyle->addItem(Text, QVariant::fromValue(uint32_t(Style)));
    FFontName->setObjectName(QStringLiteral("cbFontName"));
    // The bar's two rows decide how narrow the editor may get.
    FFontName->setMaximumWidth(130);
    FFontSize->setObjectName(QStringLiteral("seFontSize"));
    FFontSize->setRange(4, 96);
    FFontSize->setSuffix(tr(" pt"));
    FArrows->setObjectName(QStringLiteral("cbArrows"));
    FArrows->setMaximumWidth(130);
    const std::array<std::pair<TArrowStyle, QString>, 4> Arrows{{
        {TArrowStyle::ANone, tr("No arrows")},
        {TArrowStyle::ARight, tr("Arrow at start")},
        {TArrowStyle::ALeft, tr("Arrow at end")},
        {TArrowStyle::ADouble, tr("Arrows at both ends")},
    }};
    for (const auto& [Style, Text] : Arrows) FArrows->addItem(Text, QVariant::fromValue(uint32_t(Style)));
    FPenColor->setToolTip(tr("Line colour"));
    FPenWidth->setToolTip(tr("Line width"));
    FPenStyle->setToolTip(tr("Line style"));
    FBrushColor->setToolTip(tr("Fill colour"));
    FFontName->setToolTip(tr("Font"));
    FFontSize->setToolTip(tr("Font size"));
    FArrows->setToolTip(tr("Arrow heads of lines"));

    FBrushStyle->setObjectName(QStringLiteral("cbBrushStyle"));
    const std::array<std::pair<TBrushStyle, QString>, 7> Patterns{{
        {TBrushStyle::bsSolid, tr("Solid")},
        {TBrushStyle::bsHorizontal, tr("Horizontal lines")},
        {TBrushStyle::bsVertical, tr("Vertical lines")},
        {TBrushStyle::bsFDiagonal, tr("Falling lines")},
        {TBrushStyle::bsBDiagonal, tr("Rising lines")},
        {TBrushStyle::bsCross, tr("Grid")},
        {TBrushStyle::bsDiagCross, tr("Diagonal grid")},
    }};
    for (const auto& [Style, Text] : Patterns)
        FBrushStyle->addItem(Text, QVariant::fromValue(uint32_t(Style)));
    FBrushStyle->setToolTip(tr("Fill pattern"));
    FBrushStyle->setMaximumWidth(100);
    FArrowAngle->setObjectName(QStringLiteral("seArrowAngle"));
    FArrowAngle->setRange(5, 85);
    FArrowAngle->setSuffix(tr("\u00B0"));
    FArrowAngle->setToolTip(tr("Angle of the arrow heads' wings to the line"));
    FArrowLength->setObjectName(QStringLiteral("seArrowLength"));
    FArrowLength->setRange(4, 80);
    FArrowLength->setSuffix(tr(" px"));
    FArrowLength->setToolTip(tr("Length of the arrow heads' wings"));
    FGradient->setObjectName(QStringLiteral("cbGradient"));
    const std::array<std::pair<TGradientStyle, QString>, 12> Gradients{{
        {TGradientStyle::gsNone, tr("No gradient")},
        {TGradientStyle::gsLinearH, tr("Top to bottom")},
        {TGradientStyle::gsLinearV, tr("Left to right")},
        {TGradientStyle::gsReflectedH, tr("Middle row out")},
        {TGradientStyle::gsReflectedV, tr("Middle column out")},
        {TGradientStyle::gsDiagonalLB, tr("Top left to bottom right")},
        {TGradientStyle::gsDiagonalLF, tr("Top right to bottom left")},
        {TGradientStyle::gsRadialC, tr("Circles from the centre")},
        {TGradientStyle::gsRadialT, tr("Circles from the top")},
        {TGradientStyle::gsRadialTL, tr("Circles from the top left")},
        {TGradientStyle::gsDiamond, tr("Diamond")},
        {TGradientStyle::gsButterfly, tr("Butterfly")},
    }};
    for (const auto& [Style, Text] : Gradients)
        FGradient->addItem(Text, QVariant::fromValue(uint32_t(Style)));
    // Without a gradient there are no gradient colours to show.
    FGradientFrom->setCurrentIndex(-1);
    FGradientTo->setCurrentIndex(-1);
    FAlignment->setObjectName(QStringLiteral("cbAlignment"));
    const std::array<std::pair<TAlignment, QString>, 3> Alignments{{
        {TAlignment::taLeftJustify, tr("Left")},
        {TAlignment::taCenter, tr("Centre")},
        {TAlignment::taRightJustify, tr("Right")},
    }};
    for (const auto& [Align, Text] : Alignments)
        FAlignment->addItem(Text, QVariant::fromValue(uint32_t(Align)));
    FWordWrap->setObjectName(QStringLiteral("chkWordWrap"));
    FInfo->setObjectName(QStringLiteral("edtInfo"));
    FInfo->setPlaceholderText(tr("Caption shown on the drawing"));
    FCaption->setObjectName(QStringLiteral("edtCaption"));
    FCaption->setPlaceholderText(tr("Tip when the mouse rests on it"));
    FLocked->setObjectName(QStringLiteral("chkLocked"));
    FGradient->setToolTip(tr("Gradient of the fill"));
    FGradientFrom->setToolTip(tr("Gradient: first colour"));
    FGradientTo->setToolTip(tr("Gradient: second colour"));
    FAlignment->setToolTip(tr("Alignment of the text's lines"));
    FWordWrap->setToolTip(tr("Break a text box's long lines to fit the box"));
    FInfo->setToolTip(tr("Caption shown on the drawing (double-click it there for several lines)"));
    FCaption->setToolTip(tr("Tip shown when the mouse rests on the shape"));
    FLocked->setToolTip(tr("A locked shape cannot be moved, resized, turned or changed"));

    auto* Rows = new QVBoxLayout(this);
    Rows->setContentsMargins(0, 0, 0, 0);
    Rows->setSpacing(3);
    auto* Row = new QHBoxLayout;
    Rows->addLayout(Row);
    Row->setContentsMargins(0, 0, 0, 0);
    Row->setSpacing(3);
    Row->addWidget(Caption(this, tr("Line")));
    Row->addWidget(FPenColor);
    Row->addWidget(FPenWidth);
    Row->addWidget(FPenStyle);
    Row->addWidget(Caption(this, tr("Fill")));
    Row->addWidget(FBrushColor);
    Row->addWidget(FBrushStyle);
    Row->addWidget(Caption(this, tr("Text")));
    Row->addWidget(FFontName);
    Row->addWidget(FFontSize);
    Row->addWidget(FArrows);
    Row->addWidget(FArrowAngle);
    Row->addWidget(FArrowLength);
    Row->addStretch(1);
    auto* Second = new QHBoxLayout;
    Rows->addLayout(Second);
    Second->setSpacing(3);
    Second->addWidget(Caption(this, tr("Gradient")));
    Second->addWidget(FGradient);
    Second->addWidget(FGradientFrom);
    Second->addWidget(FGradientTo);
    Second->addWidget(Caption(this, tr("Align")));
    Second->addWidget(FAlignment);
    Second->addWidget(FWordWrap);
    Second->addWidget(Caption(this, tr("Caption")));
    Second->addWidget(FInfo, 1);
    Second->addWidget(Caption(this, tr("Tip")));
    Second->addWidget(FCaption, 1);
    Second->addWidget(FLocked);

    const auto Value = [](QComboBox* Box) { return Box->currentData().value<uint32_t>(); };
    connect(FPenColor, qOverload<int>(&QComboBox::activated), this, [this, Value] {
        const TColor C = Value(FPenColor);
        ApplyToSelection([C](TMyShape& S) { S.Pen().SetColor(C); });
    });
    connect(FPenWidth, qOverload<int>(&QSpinBox::valueChanged), this,
            [this](int W) { ApplyToSelection([W](TMyShape& S) { S.Pen().SetWidth(W); }); });
    connect(FPenStyle, qOverload<int>(&QComboBox::activated), this, [this, Value] {
        const TPenStyle Style = TPenStyle(Value(FPenStyle));
        ApplyToSelection([Style](TMyShape& S) { S.Pen().SetStyle(Style); });
    });
    connect(FBrushColor, qOverload<int>(&QComboBox::activated), this, [this, Value] {
        const TColor C = Value(FBrushColor);
        ApplyToSelection([C](TMyShape& S) {
            if (C == clNone) {
                S.Brush().SetStyle(TBrushStyle::bsClear);
            } else {
                S.Brush().SetColor(C);
                // A pattern keeps its lines, in the new colour.
                if (S.Brush().Style() == TBrushStyle::bsClear) S.Brush().SetStyle(TBrushStyle::bsSolid);
            }
        });
    });
    connect(FFontName, &QFontComboBox::currentFontChanged, this, [this](const QFont& F) {
        const QString Name = F.family();
        ApplyToSelection([Name](TMyShape& S) { S.Font().SetName(Name); });
    });
    connect(FFontSize, qOverload<int>(&QSpinBox::valueChanged), this,
            [this](int Size) { ApplyToSelection([Size](TMyShape& S) { S.Font().SetSize(Size); }); });
    connect(FArrows, qOverload<int>(&QComboBox::activated), this, [this, Value] {
        const TArrowStyle Style = TArrowStyle(Value(FArrows));
        ApplyToSelection([Style](TMyShape& S) {
            if (auto* Line = dynamic_cast<TMyLine*>(&S)) Line->SetArrowStyle(Style);
        });
    });
    connect(FBrushStyle, qOverload<int>(&QComboBox::activated), this, [this, Value] {
        const auto Style = TBrushStyle(Value(FBrushStyle));
        ApplyToSelection([Style](TMyShape& S) { S.Brush().SetStyle(Style); });
    });
    connect(FArrowAngle, qOverload<int>(&QSpinBox::valueChanged), this, [this](int Angle) {
        ApplyToSelection([Angle](TMyShape& S) {
            if (auto* Line = dynamic_cast<TMyLine*>(&S)) Line->SetArrowAngle(Angle);
        });
    });
    connect(FArrowLength, qOverload<int>(&QSpinBox::valueChanged), this, [this](int Length) {
        ApplyToSelection([Length](TMyShape& S) {
            if (auto* Line = dynamic_cast<TMyLine*>(&S)) Line->SetArrowLength(uint8_t(Length));
        });
    });
    connect(FGradient, qOverload<int>(&QComboBox::activated), this, [this, Value] {
        const auto Style = TGradientStyle(Value(FGradient));
        ApplyToSelection([Style](TMyShape& S) {
            // A shape's first gradient fades its fill colour (grey for a
            // white or empty fill, which would not show) to white.
            if (S.GradientStyle() == TGradientStyle::gsNone) {
                const bool Plain = S.Brush().Style() == TBrushStyle::bsClear || S.Brush().Color() == clWhite;
                S.SetColorBegin(Plain ? clGray : S.Brush().Color());
                S.SetColorEnd(clWhite);
            }
            S.SetGradientStyle(Style);
            // A gradient shows where the fill is clear; without one the
            // fill colour comes back.
            S.Brush().SetStyle(Style == TGradientStyle::gsNone ? TBrushStyle::bsSolid : TBrushStyle::bsClear);
        });
    });
    connect(FGradientFrom, qOverload<int>(&QComboBox::activated), this, [this, Value] {
        const TColor C = Value(FGradientFrom);
        ApplyToSelection([C](TMyShape& S) { S.SetColorBegin(C); });
    });
    connect(FGradientTo, qOverload<int>(&QComboBox::activated), this, [this, Value] {
        const TColor C = Value(FGradientTo);
        ApplyToSelection([C](TMyShape& S) { S.SetColorEnd(C); });
    });
    connect(FAlignment, qOverload<int>(&QComboBox::activated), this, [this, Value] {
        const auto Align = TAlignment(Value(FAlignment));
        // A text box aligns its lines; other shapes the lines of their caption.
        ApplyToSelection([Align](TMyShape& S) {
            if (auto* Text = dynamic_cast<TMyText*>(&S))
                Text->SetHAlignment(Align);
            else
                S.SetMultiInfoAlignment(Align);
        });
    });
    connect(FWordWrap, &QCheckBox::clicked, this, [this](bool On) {
        ApplyToSelection([On](TMyShape& S) {
            if (auto* Text = dynamic_cast<TMyText*>(&S)) Text->SetWordWrap(On);
        });
    });
    connect(FInfo, &QLineEdit::editingFinished, this, [this] {
        const QString Text = FInfo->text();
        TMyShape* First = FSurface.SelectedCount() > 0 ? FSurface.SelectedShape(0) : nullptr;
        if (!First || (First->Info() == Text && First->MultiInfo().isEmpty())) return;
        // Only the selected shapes themselves: a group's caption is its own.
        ApplyToSelection([this, Text](TMyShape& S) {
            if (FSurface.SelectedIndexOf(&S) < 0) return;
            S.SetMultiInfo(QStringList());
            S.SetInfo(Text);
        });
    });
    connect(FCaption, &QLineEdit::editingFinished, this, [this] {
        const QString Text = FCaption->text();
        TMyShape* First = FSurface.SelectedCount() > 0 ? FSurface.SelectedShape(0) : nullptr;
        if (!First || First->Caption() == Text) return;
        ApplyToSelection([this, Text](TMyShape& S) {
            if (FSurface.SelectedIndexOf(&S) >= 0) S.SetCaption(Text);
        });
    });
    connect(FLocked, &QCheckBox::clicked, this, [this](bool On) { LockSelection(On); });
    Update();
}

bool TFormatBar::LockSelection(bool Locked) {
    TArrMyShape Shapes;
    for (TMyShape* S : FSurface.Selected())
        if (S->Locked() != Locked) Shapes.push_back(S);
    if (Shapes.empty()) return false;
    RunGuarded(tr("Locking the shapes"), [&] {
        FSurface.RecordUndo(Shapes, ACT_CHANGE);
        for (TMyShape* S : Shapes) FSurface.SetShapeLocked(S, Locked);
        FSurface.SetModified(true);
        FSurface.Invalidate();
    });
    Update();
    if (OnChanged) OnChanged();
    return true;
}

bool TFormatBar::ApplyToSelection(const std::function<void(TMyShape&)>& Change) {
    if (FSurface.SelectedCount() == 0) return false;
    // The selected shapes and, depth first, the members of groups among them:
    // a group's format is its members'.
    TArrMyShape Shapes;
    std::function<void(TMyShape*)> Collect = [&](TMyShape* S) {
        if (!S || S->Locked()) return;
        Shapes.push_back(S);
        for (int Index : S->Members()) Collect(FSurface.ShapeByIndex(Index));
    };
    for (TMyShape* S : FSurface.Selected()) Collect(S);
    if (Shapes.empty()) return false;
    RunGuarded(tr("Changing the format"), [&] {
        FSurface.RecordUndo(Shapes, ACT_CHANGE);
        for (TMyShape* S : Shapes) Change(*S);
        FSurface.Invalidate();
    });
    if (OnChanged) OnChanged();
    return true;
}

void TFormatBar::Update() {
    TMyShape* First = FSurface.SelectedCount() > 0 ? FSurface.SelectedShape(0) : nullptr;
    setEnabled(First != nullptr);
    if (!First) return;
    ShowValue(FPenColor, First->Pen().Color());
    ShowValue(FPenStyle, uint32_t(First->Pen().Style()));
    ShowValue(FBrushColor, First->Brush().Style() == TBrushStyle::bsClear ? uint32_t(clNone)
                                                                          : uint32_t(First->Brush().Color()));
    ShowValue(FBrushStyle, uint32_t(First->Brush().Style())); // none shown for a clear fill
    auto* Line = dynamic_cast<TMyLine*>(First);
    FArrows->setEnabled(Line != nullptr);
    FArrowAngle->setEnabled(Line != nullptr);
    FArrowLength->setEnabled(Line != nullptr);
    ShowValue(FArrows, uint32_t(Line ? Line->ArrowStyle() : TArrowStyle::ANone));
    ShowValue(FGradient, uint32_t(First->GradientStyle()));
    const bool Gradient = First->GradientStyle() != TGradientStyle::gsNone;
    ShowValue(FGradientFrom, Gradient ? uint32_t(First->ColorBegin()) : uint32_t(clNone));
    ShowValue(FGradientTo, Gradient ? uint32_t(First->ColorEnd()) : uint32_t(clNone));
    FGradientFrom->setEnabled(Gradient);
    FGradientTo->setEnabled(Gradient);
    auto* Text = dynamic_cast<TMyText*>(First);
    ShowValue(FAlignment, uint32_t(Text ? Text->HAlignment() : First->MultiInfoAlignment()));
    FWordWrap->setEnabled(Text != nullptr);
    const QSignalBlocker QuietWrap(FWordWrap), QuietLock(FLocked);
    FWordWrap->setChecked(Text && Text->WordWrap());
    FLocked->setChecked(First->Locked());
    // A caption of several lines is edited by double-clicking it.
    FInfo->setEnabled(First->MultiInfo().isEmpty());
    if (!FInfo->hasFocus())
        FInfo->setText(First->MultiInfo().isEmpty() ? First->Info()
                                                    : First->MultiInfo().join(QLatin1Char(' ')));
    if (!FCaption->hasFocus()) FCaption->setText(First->Caption());
    const QSignalBlocker QuietWidth(FPenWidth), QuietName(FFontName), QuietSize(FFontSize),
        QuietAngle(FArrowAngle), QuietLength(FArrowLength);
    if (Line) {
        FArrowAngle->setValue(Line->ArrowAngle());
        FArrowLength->setValue(Line->ArrowLength());
    }
    FPenWidth->setValue(First->Pen().Width());
    FFontName->setCurrentFont(QFont(First->Font().Name()));
    FFontSize->setValue(First->Font().Size());
}

} // namespace draxa

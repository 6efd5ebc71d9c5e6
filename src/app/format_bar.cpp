#include "app/format_bar.h"

#include "foundation/dialogs.h"
#include "shapes/line.h"

#include <QComboBox>
#include <QFontComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QSignalBlocker>
#include <QSpinBox>

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
      FFontName(new QFontComboBox(this)), FFontSize(new QSpinBox(this)), FArrows(new QComboBox(this)) {
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
    FFontName->setMaximumWidth(150);
    FFontSize->setObjectName(QStringLiteral("seFontSize"));
    FFontSize->setRange(4, 96);
    FFontSize->setSuffix(tr(" pt"));
    FArrows->setObjectName(QStringLiteral("cbArrows"));
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

    auto* Row = new QHBoxLayout(this);
    Row->setContentsMargins(0, 0, 0, 0);
    Row->setSpacing(3);
    Row->addWidget(Caption(this, tr("Line")));
    Row->addWidget(FPenColor);
    Row->addWidget(FPenWidth);
    Row->addWidget(FPenStyle);
    Row->addWidget(Caption(this, tr("Fill")));
    Row->addWidget(FBrushColor);
    Row->addWidget(Caption(this, tr("Text")));
    Row->addWidget(FFontName);
    Row->addWidget(FFontSize);
    Row->addWidget(FArrows);
    Row->addStretch(1);

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
                S.Brush().SetStyle(TBrushStyle::bsSolid);
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
    Update();
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
    auto* Line = dynamic_cast<TMyLine*>(First);
    FArrows->setEnabled(Line != nullptr);
    ShowValue(FArrows, uint32_t(Line ? Line->ArrowStyle() : TArrowStyle::ANone));
    const QSignalBlocker QuietWidth(FPenWidth), QuietName(FFontName), QuietSize(FFontSize);
    FPenWidth->setValue(First->Pen().Width());
    FFontName->setCurrentFont(QFont(First->Font().Name()));
    FFontSize->setValue(First->Font().Size());
}

} // namespace draxa

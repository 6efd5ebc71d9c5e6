// The drawing's quantities (counts, lengths, areas per layer and class) in
// its unit at its scale, their CSV form, and the scale set from a distance.
#include "surface/quantities.h"

#include "shapes/ellipse_group.h"
#include "surface/draxa.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace draxa {

QString UnitSymbol(TUnits Unit) {
    switch (Unit) {
    case TUnits::pixel:
        return QStringLiteral("pixel");
    case TUnits::mm:
        return QStringLiteral("mm");
    case TUnits::cm:
        return QStringLiteral("cm");
    case TUnits::dm:
        return QStringLiteral("dm");
    case TUnits::m:
        return QStringLiteral("m");
    case TUnits::inch:
        return QStringLiteral("in");
    }
    return QString();
}

double UnitsPerLogical(TUnits Unit, double Ratio) {
    // As the measuring texts: inches = logical / pixels per inch x Ratio.
    const double Inches = Ratio / ScreenPixelsPerInch();
    switch (Unit) {
    case TUnits::pixel:
        return Inches * ScreenPixelsPerInch();
    case TUnits::mm:
        return Inches * 25.4;
    case TUnits::cm:
        return Inches * 2.54;
    case TUnits::dm:
        return Inches * 0.254;
    case TUnits::m:
        return Inches * 0.0254;
    case TUnits::inch:
        return Inches;
    }
    return Inches;
}

namespace {

// Up to six decimals, no trailing zeros, a point whatever the locale.
QString Number(double V) {
    QString S = QString::number(V, 'f', 6);
    while (S.endsWith(QLatin1Char('0'))) S.chop(1);
    if (S.endsWith(QLatin1Char('.'))) S.chop(1);
    if (S == QLatin1String("-0")) S = QStringLiteral("0");
    return S;
}

QString CsvLine(const QStringList& Fields) {
    QStringList Quoted;
    Quoted.reserve(Fields.size());
    for (const QString& F : Fields) Quoted << CsvField(F);
    return Quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

QString YesNo(bool V) {
    return V ? QStringLiteral("yes") : QStringLiteral("no");
}

} // namespace

QString CsvField(const QString& Text) {
    const bool Quote = Text.contains(QLatin1Char(',')) || Text.contains(QLatin1Char('"')) ||
                       Text.contains(QLatin1Char('\n')) || Text.contains(QLatin1Char('\r')) ||
                       (!Text.isEmpty() && (Text.front().isSpace() || Text.back().isSpace()));
    if (!Quote) return Text;
    QString Doubled = Text;
    Doubled.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + Doubled + QLatin1Char('"');
}

QString QuantitiesCsv(const TQuantities& Q) {
    const QString Unit = UnitSymbol(Q.Unit);
    QString Out = CsvLine({QStringLiteral("layer"), QStringLiteral("hidden"), QStringLiteral("class"),
                           QStringLiteral("count"), QStringLiteral("length"), QStringLiteral("area"),
                           QStringLiteral("unit")});
    for (const TQuantityRow& R : Q.Rows)
        Out += CsvLine({R.Layer, YesNo(R.LayerHidden), R.ClassName, QString::number(R.Count),
                        R.HasLength ? Number(R.Length) : QString(), R.HasArea ? Number(R.Area) : QString(),
                        Unit});
    return Out;
}

QString QuantityShapesCsv(const TQuantities& Q) {
    const QString Unit = UnitSymbol(Q.Unit);
    QString Out = CsvLine({QStringLiteral("number"), QStringLiteral("name"), QStringLiteral("caption"),
                           QStringLiteral("layer"), QStringLiteral("hidden"), QStringLiteral("class"),
                           QStringLiteral("length"), QStringLiteral("area"), QStringLiteral("unit")});
    for (const TQuantityShape& S : Q.Shapes)
        Out += CsvLine({QString::number(S.Number), S.Name, S.Caption, S.Layer, YesNo(S.LayerHidden),
                        S.ClassName, S.HasLength ? Number(S.Length) : QString(),
                        S.HasArea ? Number(S.Area) : QString(), Unit});
    return Out;
}

TQuantities TMyDraxa::Quantities() const {
    TQuantities Q;
    Q.Unit = FTheUNIT;
    Q.Ratio = FRatio;
    const double PerLogical = UnitsPerLogical(FTheUNIT, FRatio);
    // Layers by place; shapes on a layer that no longer exists (a damaged
    // document) come last under their id.
    std::map<int, int> Place;
    for (size_t I = 0; I < FLayers.size(); ++I) Place[FLayers[I].Id] = int(I);
    std::map<std::pair<int, QString>, TQuantityRow> Rows; // (layer place, class)
    for (TMyShape* S : FShapes) {
        // A group is its members, which are listed on their own (an empty
        // one, left from a damaged document, is nothing).
        if (!S || S->HasMembers() || dynamic_cast<const TMyGroup*>(S)) continue;
        TQuantityShape Item;
        Item.Number = S->ShapeNo();
        Item.Name = S->Name();
        Item.Caption = S->Caption();
        Item.ClassName = S->ClassName();
        Item.LayerId = S->LayerId();
        const auto Found = Place.find(Item.LayerId);
        const int At = Found != Place.end() ? Found->second : int(FLayers.size()) + Item.LayerId;
        if (Found != Place.end()) {
            Item.Layer = FLayers[size_t(At)].Name;
            Item.LayerHidden = !FLayers[size_t(At)].Visible;
        } else {
            Item.Layer = QString::number(Item.LayerId);
        }
        if (const std::optional<double> L = S->MeasuredLength()) {
            Item.HasLength = true;
            Item.Length = *L * PerLogical;
        }
        if (const std::optional<double> A = S->MeasuredArea()) {
            Item.HasArea = true;
            Item.Area = *A * PerLogical * PerLogical;
        }
        TQuantityRow& R = Rows[{At, Item.ClassName}];
        R.LayerId = Item.LayerId;
        R.Layer = Item.Layer;
        R.LayerHidden = Item.LayerHidden;
        R.ClassName = Item.ClassName;
        ++R.Count;
        R.HasLength = R.HasLength || Item.HasLength;
        R.Length += Item.Length;
        R.HasArea = R.HasArea || Item.HasArea;
        R.Area += Item.Area;
        Q.Shapes.push_back(std::move(Item));
    }
    Q.Rows.reserve(Rows.size());
    for (auto& Entry : Rows) Q.Rows.push_back(std::move(Entry.second));
    return Q;
}

QString TMyDraxa::CalibrateScale(TMyShape* Shape, double RealLength) {
    if (!Shape || ShapeByIndex(Shape->Index()) != Shape)
        return tr("Choose a line of this drawing to set the scale from.");
    if (!(RealLength > 0) || !std::isfinite(RealLength))
        return tr("The real length must be a number greater than 0.");
    const std::optional<double> Logical = Shape->MeasuredLength();
    if (!Logical)
        return tr("The shape \"%1\" is not a line: it has no length to set the scale from.")
            .arg(Shape->Name());
    if (!(*Logical > 0))
        return tr("The line \"%1\" has no length: its ends lie on one point.").arg(Shape->Name());
    // Lengths grow with Ratio: the ratio that makes the line measure RealLength.
    const double NewRatio = RealLength / (*Logical * UnitsPerLogical(FTheUNIT, 1.0));
    if (!std::isfinite(NewRatio) || !(NewRatio > 0)) return tr("That length gives no usable scale.");
    if (NewRatio == FRatio) return QString();
    const double OldRatio = FRatio;
    {
        // The line itself is the step's subject, unchanged: the unit then
        // holds the ratios, and undo selects the line that set the scale.
        TEditScope Edit(*this, ACT_SET_SCALE);
        RecordUndo({Shape}, ACT_CHANGE);
        if (TReplayUnit* U = FReplay.Open) {
            U->ScaleChanged = true;
            U->RatioBefore = OldRatio;
            U->RatioAfter = NewRatio;
        }
        SetRatio(NewRatio);
    }
    SetModified(true);
    UndoRedoChanged();
    return QString();
}

} // namespace draxa

// The check that a document holds together: what loading demands of a
// document, and what the surface's own operations must keep true.
#include "surface/draxa.h"

#include "shapes/link_line.h"
#include "surface/interaction_p.h"

#include <algorithm>
#include <functional>

namespace draxa {

QString CrossReferenceFault(const std::vector<const TMyShape*>& Shapes) {
    const int N = int(Shapes.size());
    auto InRange = [N](int I) { return I >= 0 && I < N; };
    auto Lists = [](const TMyShapeNo& List, int I) { return std::count(List.begin(), List.end(), I); };
    auto Fault = [](int I, const char* What) {
        return QStringLiteral("Shape %1 of the document: %2").arg(I).arg(QLatin1String(What));
    };
    // Numbers rising along the list (as a surface writes them) are distinct
    // without sorting them.
    std::vector<int> Numbers;
    Numbers.reserve(size_t(N));
    for (const TMyShape* S : Shapes) Numbers.push_back(S->ShapeNo());
    if (std::adjacent_find(Numbers.begin(), Numbers.end(), std::greater_equal<int>()) != Numbers.end()) {
        std::sort(Numbers.begin(), Numbers.end());
        if (std::adjacent_find(Numbers.begin(), Numbers.end()) != Numbers.end())
            return QStringLiteral("Two shapes of the document have the same number");
    }
    // Which shapes are connectors, asked once per shape (and the class test
    // remembers its answer per class).
    std::vector<const TMyLinkLine*> Connectors(size_t(N), nullptr);
    for (int I = 0; I < N; ++I)
        if (interaction::Is<TMyLinkLine>(Shapes[size_t(I)]))
            Connectors[size_t(I)] = static_cast<const TMyLinkLine*>(Shapes[size_t(I)]);
    for (int I = 0; I < N; ++I) {
        const TMyShape& S = *Shapes[size_t(I)];
        const int G = S.GroupIndex();
        if (G != -1 && (!InRange(G) || G == I || Lists(Shapes[size_t(G)]->Members(), I) != 1))
            return Fault(I, "its group does not list it as a member");
        for (int M : S.Members())
            if (!InRange(M) || Shapes[size_t(M)]->GroupIndex() != I || Lists(S.Members(), M) != 1)
                return Fault(I, "a member does not name it as its group");
        for (int L : S.LinkLines()) {
            const TMyLinkLine* Line = InRange(L) ? Connectors[size_t(L)] : nullptr;
            if (!Line || (Line->StartShapeIndex() != I && Line->EndShapeIndex() != I) ||
                Lists(S.LinkLines(), L) != 1)
                return Fault(I, "a listed connector is not attached to it");
        }
        if (const TMyLinkLine* Line = Connectors[size_t(I)]) {
            for (int End : {Line->StartShapeIndex(), Line->EndShapeIndex()})
                if (End != -1 &&
                    (!InRange(End) || End == I || Lists(Shapes[size_t(End)]->LinkLines(), I) != 1))
                    return Fault(I, "a connector end names a shape that does not list the connector");
        }
        // Mutual links alone still allow a ring of groups.
        // (A group index out of range fails that shape's own check.)
        int Up = G;
        for (int Steps = 0; InRange(Up); ++Steps) {
            if (Steps >= N) return Fault(I, "its groups contain each other");
            Up = Shapes[size_t(Up)]->GroupIndex();
        }
    }
    return QString();
}

bool TMyDraxa::CheckConsistency(QString* Why) const {
    auto Fail = [Why](const QString& Text) {
        if (Why) *Why = Text;
        return false;
    };
    std::vector<const TMyShape*> List;
    List.reserve(FShapes.size());
    for (int I = 0; I < ShapeCount(); ++I) {
        const TMyShape* S = FShapes[size_t(I)];
        if (!S) return Fail(QStringLiteral("Slot %1 of the shape list is empty").arg(I));
        if (S->Index() != I)
            return Fail(QStringLiteral("Shape %1 believes it is at %2").arg(I).arg(S->Index()));
        if (S->ShapeNo() >= FNextShapeNo)
            return Fail(QStringLiteral("Shape %1 has number %2, not below the next number %3")
                            .arg(I)
                            .arg(S->ShapeNo())
                            .arg(FNextShapeNo));
        if (ShapeByNumber(S->ShapeNo()) != S)
            return Fail(QStringLiteral("Shape %1 is not found by its number %2").arg(I).arg(S->ShapeNo()));
        List.push_back(S);
    }
    const QString Fault = CrossReferenceFault(List);
    if (!Fault.isEmpty()) return Fail(Fault);
    for (size_t I = 0; I < FSelected.size(); ++I) {
        const TMyShape* S = FSelected[I];
        if (!S || ShapeByIndex(S->Index()) != S)
            return Fail(QStringLiteral("Selected shape %1 is not in the shape list").arg(I));
        if (S->IsGrouped()) return Fail(QStringLiteral("Selected shape %1 is a group member").arg(S->Name()));
        if (std::count(FSelected.begin(), FSelected.end(), S) != 1)
            return Fail(QStringLiteral("Shape %1 is selected twice").arg(S->Name()));
    }
    return true;
}

} // namespace draxa

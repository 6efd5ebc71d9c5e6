// The undo history: copies of shapes as they were before each recorded
// action, grouped into numbered steps and bounded by UndoRedoSize.
#include "surface/draxa.h"

#include <algorithm>

namespace draxa {

const QString ACT_ADD = QStringLiteral("ACT_ADD");
const QString ACT_CHANGE = QStringLiteral("ACT_CHANGE");
const QString ACT_DELETE = QStringLiteral("ACT_DELETE");
const QString ACT_GROUP = QStringLiteral("ACT_GROUP");
const QString ACT_UNGROUP = QStringLiteral("ACT_UNGROUP");
const QString ACT_BRINGTOFRONT = QStringLiteral("ACT_BRINGTOFRONT");
const QString ACT_BRINGTOFRONTBYSTEP = QStringLiteral("ACT_BRINGTOFRONTBYSTEP");
const QString ACT_SENDTOBACK = QStringLiteral("ACT_SENDTOBACK");
const QString ACT_SENDTOBACKBYSTEP = QStringLiteral("ACT_SENDTOBACKBYSTEP");

// ---- the history ----

void TUndoHistory::SetBound(uint8_t Value) {
    if (Value == FBound) return;
    FBound = Value;
    if (Value == 0) Clear();
}

int TUndoHistory::BeginStep() {
    int LastStep = FRecords.empty() ? -1 : FRecords.back().Step;
    while (LastStep >= int(FBound) - 1 && !FRecords.empty()) {
        const int Oldest = FRecords.front().Step;
        auto End = std::find_if(FRecords.begin(), FRecords.end(),
                                [Oldest](const TSavedShape& R) { return R.Step != Oldest; });
        FRecords.erase(FRecords.begin(), End);
        for (TSavedShape& R : FRecords) --R.Step;
        LastStep = FRecords.empty() ? -1 : FRecords.back().Step;
    }
    return LastStep + 1;
}

void TUndoHistory::Save(const TMyShape& S, std::unique_ptr<TMyShape> Copy, int Step, const QString& Action) {
    Copy->Assign(S);
    Copy->LinkLinesRef().clear();
    FRecords.push_back(TSavedShape{Step, S.Name().left(255), std::move(Copy), Action});
}

// ---- what the surface records ----

void TMyDraxa::SaveForUndo(TMyShape* S, int Step, const QString& Action) {
    std::unique_ptr<TMyShape> Copy(CreateShapeByClassName(S->ClassName()));
    if (Copy) FUndo.Save(*S, std::move(Copy), Step, Action);
}

void TMyDraxa::SaveWithMembers(TMyShape* S, int Step, const QString& Action) {
    // The group's record comes before its members', at every depth.
    std::vector<TMyShape*> Path;
    std::function<void(TMyShape*)> Save = [&](TMyShape* X) {
        if (!X || std::find(Path.begin(), Path.end(), X) != Path.end()) return;
        SaveForUndo(X, Step, Action);
        Path.push_back(X);
        const TMyShapeNo Members = X->Members();
        for (int M : Members) Save(ShapeByIndex(M));
        Path.pop_back();
    };
    Save(S);
}

void TMyDraxa::RecordUndo(const TArrMyShape& Shapes, const QString& ActionName) {
    if (FUndo.Bound() == 0) return;
    const int NewStep = FUndo.BeginStep();

    if (ActionName == ACT_ADD) {
        for (auto It = Shapes.rbegin(); It != Shapes.rend(); ++It)
            if (*It) SaveForUndo(*It, NewStep, ActionName);
    } else if (ActionName == ACT_CHANGE || ActionName == ACT_DELETE) {
        for (auto It = Shapes.rbegin(); It != Shapes.rend(); ++It)
            if (*It) SaveWithMembers(*It, NewStep, ActionName);
    } else if (ActionName == ACT_UNGROUP) {
        TMyShape* First = Shapes.empty() ? nullptr : Shapes.front();
        if (!First) return;
        SaveForUndo(First, NewStep, ActionName);
        if (First->HasMembers() && !First->IsGrouped())
            for (int M : First->Members())
                if (TMyShape* Member = ShapeByIndex(M)) SaveForUndo(Member, NewStep, ActionName);
    } else if (ActionName == ACT_GROUP || ActionName == ACT_BRINGTOFRONT ||
               ActionName == ACT_BRINGTOFRONTBYSTEP || ActionName == ACT_SENDTOBACK ||
               ActionName == ACT_SENDTOBACKBYSTEP) {
        if (!Shapes.empty() && Shapes.front()) SaveForUndo(Shapes.front(), NewStep, ActionName);
    }
}

void TMyDraxa::ClearUndo() {
    FUndo.Clear();
}

void TMyDraxa::SetUndoRedoSize(uint8_t Value) {
    FUndo.SetBound(Value);
}

} // namespace draxa

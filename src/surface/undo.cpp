// The undo history: copies of shapes as they were before each recorded
// action, grouped into numbered steps and bounded by UndoRedoSize.
#include "surface/draxa.h"

#include <algorithm>
#include <climits>
#include <iterator>

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
const QString ACT_SET_SCALE = QStringLiteral("ACT_SET_SCALE");

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

std::vector<TSavedShape> TUndoHistory::TakeLastSteps(int Count) {
    const int First = StepCount() - Count;
    auto Begin = std::find_if(FRecords.begin(), FRecords.end(),
                              [First](const TSavedShape& R) { return R.Step >= First; });
    std::vector<TSavedShape> Taken(std::make_move_iterator(Begin), std::make_move_iterator(FRecords.end()));
    FRecords.erase(Begin, FRecords.end());
    return Taken;
}

void TUndoHistory::PutBackSteps(std::vector<TSavedShape> Records) {
    int Next = StepCount() - 1;
    int Previous = INT_MIN;
    for (TSavedShape& R : Records) {
        if (R.Step != Previous) {
            Previous = R.Step;
            ++Next;
        }
        R.Step = Next;
        FRecords.push_back(std::move(R));
    }
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
    const int Held = FUndo.StepCount();
    const int NewStep = FUndo.BeginStep();
    ForgetDroppedSteps(Held - NewStep);
    SaveStep(Shapes, ActionName, NewStep);
    // The step counts for replay when it saved anything.
    if (FUndo.StepCount() > NewStep) JournalStep(Shapes, ActionName);
}

void TMyDraxa::SaveStep(const TArrMyShape& Shapes, const QString& ActionName, int NewStep) {
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
    ClearReplay();
}

void TMyDraxa::SetUndoRedoSize(uint8_t Value) {
    if (Value == FUndo.Bound()) return;
    FUndo.SetBound(Value);
    if (Value == 0) {
        ClearReplay();
        return;
    }
    // What was undone may be redone only while the bound holds its steps too.
    bool Dropped = false;
    while (!FReplay.Undone.empty() && FUndo.StepCount() + FReplay.UndoneSteps() > Value) {
        FReplay.Undone.erase(FReplay.Undone.begin());
        Dropped = true;
    }
    if (Dropped) UndoRedoChanged();
}

} // namespace draxa

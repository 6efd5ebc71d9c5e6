// What undo and redo replay. The history's records (undo.h) hold copies of
// the shapes an action names, as they were before it; an operation changes
// more than those (connectors follow the shapes they join, deletions free
// connector ends and renumber every index that follows), so each operation
// that records steps also keeps a journal of everything it did to the shape
// list, in the order it happened:
//
// - Before: the first time a shape of the list is about to change, its
//   record as it then was (in the index space of that moment);
// - Insert / Remove: a shape entering or leaving the list at a position;
// - Reorder: the list put into a new order.
//
// Undo walks the journal backwards (taking inserted shapes out, putting
// removed ones back, restoring each Before image), which gives back the
// list exactly as it was; redo walks it forwards over the structure and then
// gives every shape the operation left its state from after the operation,
// saved when it was undone. Shapes are found by number, which is unique in
// a document.
#pragma once

#include "shapes/shape.h"
#include "surface/undo.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <unordered_set>
#include <utility>
#include <vector>

namespace draxa {

// A shape's state as undo gives it back: its record in the newest layout and
// what the record does not hold but later edits depend on.
struct TShapeImage {
    QByteArray Record;
    TMyPoint RotateCenter{0, 0};
    bool AutoRoute = true; // connectors only
};

struct TJournalEntry {
    enum class TKind : uint8_t { Before, Insert, Remove, Reorder };
    TKind Kind = TKind::Before;
    int Number = -1;   // Before, Insert, Remove: the shape's number
    int Position = -1; // Insert, Remove: its place in the list
    TShapeImage Image; // Before
    // Insert, Remove: the shape while it is out of the list.
    std::unique_ptr<TMyShape> Shape;
    // Reorder: Order[new position] = old position.
    std::vector<int> Order;
};

// One operation as undo and redo replay it.
struct TReplayUnit {
    QString Action;
    // Steps of the history's records the operation recorded.
    int Steps = 0;
    // False once part of the operation's steps was dropped by the bound, or
    // a change the journal could not follow happened after it.
    bool Replayable = true;
    // Consecutive operations with the same non-empty key (a burst of nudges)
    // are one unit.
    QString MergeKey;
    std::vector<TJournalEntry> Journal;
    // Numbers of the shapes that have a Before image or were inserted.
    std::unordered_set<int> Known;
    // Numbers of the shapes the recorded steps named (selected after a replay).
    std::vector<int> Subjects;
    // While undone: the state the operation left, and its history records.
    std::vector<std::pair<int, TShapeImage>> After;
    std::vector<TSavedShape> Records;
    // A change of the drawing scale the operation made (CalibrateScale):
    // undo gives RatioBefore back, redo RatioAfter.
    bool ScaleChanged = false;
    double RatioBefore = 1;
    double RatioAfter = 1;

    bool ChangesStructure() const {
        for (const TJournalEntry& E : Journal)
            if (E.Kind == TJournalEntry::TKind::Remove || E.Kind == TJournalEntry::TKind::Reorder)
                return true;
        return false;
    }
};

// The units that undo and redo walk through: Done oldest first, Undone with
// the next one to redo at the back.
struct TReplayHistory {
    std::vector<std::unique_ptr<TReplayUnit>> Done;
    std::vector<std::unique_ptr<TReplayUnit>> Undone;
    // The operation under way, before it has recorded a step.
    std::unique_ptr<TReplayUnit> Pending;
    // The unit the running operation adds to (Pending, or one of Done).
    TReplayUnit* Open = nullptr;
    // The name the running operation gives its unit (else its first step's).
    QString PendingAction;
    int Depth = 0;
    // Set while a unit is replayed: the list changes are not journaled.
    bool Replaying = false;

    int UndoneSteps() const {
        int N = 0;
        for (const auto& U : Undone) N += U->Steps;
        return N;
    }
};

} // namespace draxa

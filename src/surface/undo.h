// The undo history: copies of shapes as they were before each recorded
// action, grouped into numbered steps (0 the oldest) and bounded by a
// number of steps. The surface decides what to copy for an action; the
// history keeps the copies and the bound.
#pragma once

#include "shapes/shape.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace draxa {

// One undo record: a copy of a shape as it was before a recorded action.
struct TSavedShape {
    int Step = 0;
    QString ShapeName; // at most 255 characters
    std::unique_ptr<TMyShape> Shape;
    QString Action;
};

class TUndoHistory {
public:
    const std::vector<TSavedShape>& Records() const { return FRecords; }
    std::vector<TSavedShape>& Records() { return FRecords; }
    // The most steps kept; 0 keeps none (and clears the history).
    uint8_t Bound() const { return FBound; }
    void SetBound(uint8_t Value);
    void Clear() { FRecords.clear(); }
    // Number of steps held (the last record's step + 1, 0 when empty).
    int StepCount() const { return FRecords.empty() ? 0 : FRecords.back().Step + 1; }
    // Takes the records of the newest Count steps out of the history.
    std::vector<TSavedShape> TakeLastSteps(int Count);
    // Appends records taken out before as the newest steps, renumbered to
    // follow the steps held.
    void PutBackSteps(std::vector<TSavedShape> Records);
    // Makes room for one more step, dropping the oldest ones while the
    // history is full (or over a bound that was lowered), and returns the
    // number of the new step.
    int BeginStep();
    // Adds a copy of S (its attached connector list dropped) to step Step.
    void Save(const TMyShape& S, std::unique_ptr<TMyShape> Copy, int Step, const QString& Action);

private:
    std::vector<TSavedShape> FRecords;
    uint8_t FBound = 0;
};

} // namespace draxa

// Sample drawings made by the project's own code: the fuzzers' seeds and the
// robustness tests start from them.
#pragma once

#include <QString>
#include <QStringList>

namespace draxa {
class TMyDraxa;
class TMyShape;
} // namespace draxa

namespace draxa::fuzz {

// The seventeen class names documents store, as the surface's factory knows them.
const QStringList& ShapeClassNames();

// Adds a shape of the class to S, with points that suit it (logical units,
// from (X, Y)) and with the optional parts of a record filled in: caption,
// info lines, user data, a brush pattern for rectangles, a picture for
// images, lines for texts. Returns the shape (owned by S).
TMyShape* AddSampleShape(TMyDraxa& S, const QString& ClassName, float X = 20, float Y = 20);

// A drawing with one shape of each of the classes (all of them by default),
// the first two grouped, a connector from the third to the first, a
// background picture, user data and a hidden second layer.
void BuildSampleDrawing(TMyDraxa& S, const QStringList& Classes = ShapeClassNames());

} // namespace draxa::fuzz

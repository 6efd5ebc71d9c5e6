// TMyRuleLine: a measuring line.
#pragma once

#include "shapes/line.h"

namespace draxa {

class TMyRuleLine : public TMyLine {
public:
    using TMyLine::TMyLine;
    QString ClassName() const override { return QStringLiteral("TMyRuleLine"); }
};

}  // namespace draxa

// TMyLinkLine: the connector, a line whose ends attach to link points of other shapes.
#pragma once

#include "shapes/line.h"

namespace draxa {

class TMyLinkLine : public TMyLine {
public:
    explicit TMyLinkLine(TMyDraxa* ASurface);
    QString ClassName() const override { return QStringLiteral("TMyLinkLine"); }

    // List indices of the attached shapes and their link points; -1 = free end.
    int StartShapeIndex() const { return FStartShapeIndex; }
    void SetStartShapeIndex(int V) { FStartShapeIndex = V; }
    int StartLinkPoint() const { return FStartLinkPoint; }
    void SetStartLinkPoint(int V) { FStartLinkPoint = V; }
    int EndShapeIndex() const { return FEndShapeIndex; }
    void SetEndShapeIndex(int V) { FEndShapeIndex = V; }
    int EndLinkPoint() const { return FEndLinkPoint; }
    void SetEndLinkPoint(int V) { FEndLinkPoint = V; }
    // The attached shapes, nullptr for a free end.
    TMyShape* GetStartShape() const;
    TMyShape* GetEndShape() const;
    TLinkLineDrawStyle LinkLineDrawStyle() const { return FLinkLineDrawStyle; }
    void SetLinkLineDrawStyle(TLinkLineDrawStyle V) { FLinkLineDrawStyle = V; }
    bool AutoRoute() const { return FAutoRoute; }
    void SetAutoRoute(bool V) { FAutoRoute = V; }

    void Assign(const TMyShape& Source) override;

private:
    int FEndShapeIndex = -1;
    int FEndLinkPoint = -1;
    TLinkLineDrawStyle FLinkLineDrawStyle = TLinkLineDrawStyle::lldsHV;
    int FStartShapeIndex = -1;
    int FStartLinkPoint = -1;
    bool FAutoRoute = true;
    int FHopRadius = 8;
};

}  // namespace draxa

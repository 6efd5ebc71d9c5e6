// Planning the moves between two exit points: wherever the end lies and
// whichever way the route arrives and must go on, the plan ends there,
// moves along the axes and never doubles back.
#include "surface/route_plan.h"

#include <gtest/gtest.h>

#include <string>

using namespace draxa;
using namespace draxa::routing;

TEST(RoutePlan, NeverDoublesBackWhereverTheEndLiesAndWhicheverWayTheRouteTurns) {
    const TMyPoint From = MyPoint(100, 100);
    int Plans = 0;
    for (int Arrive = NoDir; Arrive < 4; ++Arrive)
        for (int Leave = NoDir; Leave < 4; ++Leave)
            for (const float DX : {-60.0f, -5.0f, 0.0f, 5.0f, 60.0f})
                for (const float DY : {-60.0f, -5.0f, 0.0f, 5.0f, 60.0f}) {
                    if (DX == 0 && DY == 0) continue;
                    const TMyPoint To = MyPoint(From.X + DX, From.Y + DY);
                    for (const uint8_t Kind : {uint8_t(4), uint8_t(1), uint8_t(2)}) {
                        SCOPED_TRACE("arrive " + std::to_string(Arrive) + " leave " + std::to_string(Leave) +
                                     " to " + std::to_string(DX) + "," + std::to_string(DY) + " kind " +
                                     std::to_string(Kind));
                        const TArrDirAndPoints Moves = PlanMoves(From, Arrive, To, Leave, Kind, 25);
                        ASSERT_FALSE(Moves.empty());
                        EXPECT_EQ(MyPoint(Moves.back().X, Moves.back().Y), To);
                        TMyPoint At = From;
                        for (const TDirAndPoint& M : Moves) {
                            EXPECT_TRUE(M.X == At.X || M.Y == At.Y);
                            At = MyPoint(M.X, M.Y);
                        }
                        EXPECT_FALSE(TurnsBack(Moves, From, Arrive, Leave));
                        ++Plans;
                    }
                }
    EXPECT_EQ(Plans, 25 * 24 * 3);
}

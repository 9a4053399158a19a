#include "SwfTestUtil.h"

#include "swf/FlashObjects.h"
#include "swf/SWFObjects.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace swf;
using namespace swftest;

namespace {

// Writes the shape and reads its tag back, so the test sees the records as a player would.
std::unique_ptr<TSWFDefineShape3> WrittenShape(TFlashShape& shape) {
    Bytes tag = Render([&](TBitsEngine& e) { shape.WriteToStream(&e); });
    size_t header = (tag[0] & 0x3F) == 0x3F ? 6 : 2;
    vcl::TMemoryStream s;
    s.WriteBuffer(tag.data() + header, int32_t(tag.size() - header));
    s.SetPosition(0);
    TBitsEngine e(&s);
    auto back = std::make_unique<TSWFDefineShape3>();
    back->SetHasAlpha(shape.GetHasAlpha());
    back->SetBodySize(uint32_t(tag.size() - header));
    back->ReadFromStream(&e);
    return back;
}

struct Walk {
    double Drawn = 0;
    int Edges = 0;
    int Curves = 0;
    std::vector<std::pair<int32_t, int32_t>> Moves;
};

Walk WalkRecords(TSWFDefineShape& shape) {
    Walk w;
    for (auto& r : shape.GetRecords()) {
        if (r->GetRecordType() == rtStraightEdge) {
            auto* e = static_cast<TSWFStraightEdgeRecord*>(r.get());
            w.Drawn += std::hypot(double(e->GetDeltaX()), double(e->GetDeltaY()));
            ++w.Edges;
        } else if (r->GetRecordType() == rtCurvedEdge) {
            ++w.Curves;
        } else if (auto* c = dynamic_cast<TSWFStyleChangeRecord*>(r.get()); c && c->StateMoveTo) {
            w.Moves.push_back({c->GetMoveDeltaX(), c->GetMoveDeltaY()});
        }
    }
    return w;
}

TFlashShape* LineShape(TFlashMovie& movie) {
    TFlashShape* shape = movie.AddShape();
    auto line = std::make_unique<TSWFLineStyle>();
    line->SetWidth(20);
    shape->GetShape().GetLineStyles().push_back(std::move(line));
    shape->SetLineStyle(1);
    return shape;
}

} // namespace

TEST(FlashDashes, StraightLine) {
    TFlashMovie movie(0, 0, 200, 200, 12, true);
    TFlashShape* shape = LineShape(movie);
    shape->GetEdges().LineDelta(100, 0);
    shape->GetDashes().GetItems() = {10, 5};
    Walk w = WalkRecords(*WrittenShape(*shape));
    // 2000 twips in dashes of 200 and gaps of 100: seven dashes, six gaps.
    EXPECT_EQ(w.Edges, 7);
    EXPECT_DOUBLE_EQ(w.Drawn, 1400);
    EXPECT_EQ(w.Moves, (std::vector<std::pair<int32_t, int32_t>>{
                           {300, 0}, {600, 0}, {900, 0}, {1200, 0}, {1500, 0}, {1800, 0}}));
    // The path itself is untouched.
    EXPECT_EQ(shape->GetShape().GetRecords().size(), 2u);
}

TEST(FlashDashes, DashesCarryAcrossCorners) {
    TFlashMovie movie(0, 0, 200, 200, 12, true);
    TFlashShape* shape = LineShape(movie);
    shape->GetEdges().Rectangle(10, 10);
    shape->GetDashes().GetItems() = {15, 5};
    Walk w = WalkRecords(*WrittenShape(*shape));
    // 800 twips of outline, three quarters drawn; a dash cut at a corner goes on round it.
    EXPECT_DOUBLE_EQ(w.Drawn, 600);
    EXPECT_EQ(w.Moves, (std::vector<std::pair<int32_t, int32_t>>{{200, 200}, {0, 0}}));
}

TEST(FlashDashes, CurvesAndFilledShapes) {
    TFlashMovie movie(0, 0, 200, 200, 12, true);
    TFlashShape* shape = LineShape(movie);
    shape->AddFillStyle(std::make_unique<TSWFColorFill>());
    auto& records = shape->GetShape().GetRecords();
    records.push_back(std::make_unique<TSWFCurvedEdgeRecord>(2000, 0, 0, 2000));
    shape->GetEdges().MoveTo(0, 0);
    shape->GetDashes().GetItems() = {20, 20};
    auto written = WrittenShape(*shape);
    // The fill comes first, without an outline: its style change sets line style 0.
    auto* first = dynamic_cast<TSWFStyleChangeRecord*>(written->GetRecords()[0].get());
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->StateLineStyle);
    EXPECT_EQ(first->GetLineStyle(), 0);
    Walk w = WalkRecords(*written);
    EXPECT_GE(w.Curves, 3);
    // Every gap ends on the curve: x = 2000 (1 - (1 - t)^2), y = 2000 t^2 for some t.
    ASSERT_GE(w.Moves.size(), 3u);
    for (auto [x, y] : w.Moves) {
        double t = std::sqrt(y / 2000.0);
        EXPECT_NEAR(x, 2000 * (1 - (1 - t) * (1 - t)), 3.0) << x << "," << y;
    }
}

TEST(FlashDashes, EmptyPatternDrawsSolid) {
    TFlashMovie movie(0, 0, 200, 200, 12, true);
    TFlashShape* plain = LineShape(movie);
    plain->GetEdges().LineDelta(100, 0);
    Bytes solid = Render([&](TBitsEngine& e) { plain->WriteToStream(&e); });
    plain->GetDashes();
    EXPECT_EQ(Render([&](TBitsEngine& e) { plain->WriteToStream(&e); }), solid);
    plain->GetDashes().GetItems() = {0, 0};
    EXPECT_EQ(Render([&](TBitsEngine& e) { plain->WriteToStream(&e); }), solid);
}

// Work model: node counts and pitch rule against hand-worked values, refused
// boxes, buffer reuse, the backup pair, removal volume and attribute commands.
#include "sim/work_model.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>
#include <limits>

namespace morvex {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

PitchSettings Fixed(double pitch) {
    PitchSettings s;
    s.workPitch = pitch;
    return s;
}

DefineWorkStatus Define(WorkModel& w, const BoxRequest& box, double pitch, int level = 1) {
    PitchSettings s = Fixed(pitch);
    return DefineBoxWork(w, box, s, level);
}

std::array<double, 6> Six(const BoxRequest& b) {
    return {b.xMin, b.yMin, b.zMin, b.xMax, b.yMax, b.zMax};
}

TEST(WorkModel, LevelsNodeCountsAndPitchRule) {
    EXPECT_EQ((std::array{BytesPerNode(1), BytesPerNode(2), BytesPerNode(3), BytesPerNode(4)}),
              (std::array{18, 14, 13, 9}));
    // 0.4 mm at pitch 1 still gets 2 nodes; 100 / 0.3 + 1.5 = 334.8 -> 334
    // nodes ending at 333 * 0.3 = 99.9; 50 / 0.3 + 1.5 = 168.2 -> 168, 50.1.
    const struct {
        BoxRequest box;
        double pitch;
        int nx, ny;
        double xMax, yMax;
    } rows[] = {{{10, 20, 0, 10.4, 20.4, 5}, 1.0, 2, 2, 11.0, 21.0},
                {{0, 0, 0, 100, 50, 10}, 0.3, 334, 168, 99.9, 50.1}};
    for (const auto& r : rows) {
        WorkModel w;
        ASSERT_EQ(Define(w, r.box, r.pitch), DefineWorkStatus::Ok);
        EXPECT_TRUE(w.nx == r.nx && w.ny == r.ny && w.workState == 1) << w.nx << " " << w.ny;
        EXPECT_NEAR(w.xMax, r.xMax, 1e-9);
        EXPECT_NEAR(w.yMax, r.yMax, 1e-9);
        const std::size_t last = w.cellCount - 1;
        EXPECT_TRUE(w.height[last] == static_cast<float>(r.box.zMax) && w.attr[last] + w.lineNo[last] == 0);
    }

    // 100 x 100: 0.5 gives 201^2 = 40401 nodes, 1.0 gives 101^2 = 10201, 1.5 gives 68^2.
    const BoxRequest box{0, 0, 0, 100, 100, 30};
    PitchSettings s;
    s.autoWork = true;
    for (const auto& [maximum, minimum, pitch] :
         {std::array{20000.0, 0.001, 1.0},
          {10201.0, 0.001, 1.0},
          {10200.0, 0.001, 1.5},
          {20000.0, 2.0, 2.0},
          {100.0, 0.0, 0.7}}) {  // none qualifies: Work Pitch
        s.maximum = static_cast<int>(maximum);
        s.minimumPitch = minimum;
        s.workPitch = 0.7;
        EXPECT_EQ(ApplyPitchRule(box, s), pitch) << maximum << " " << minimum;
    }
    PitchSettings fixed = Fixed(0.5);
    fixed.minimumPitch = 2.0;
    fixed.autoMove = true;
    fixed.moveRate = 3.0;
    EXPECT_EQ(ApplyPitchRule(box, fixed), 0.5);
    EXPECT_EQ(fixed.movePitch, 1.5);
}

TEST(WorkModel, RefusedBoxesAndAllocation) {
    WorkModel w;
    ASSERT_EQ(Define(w, {0, 0, 0, 10, 10, 5}, 1.0), DefineWorkStatus::Ok);
    const struct {
        BoxRequest box;
        double pitch;
        DefineWorkStatus status;
    } rows[] = {
        {{5, 5, 5, 0, 0, 0}, 1.0, DefineWorkStatus::ReversedX},  // X is checked first
        {{0, 5, 5, 1, 0, 0}, 1.0, DefineWorkStatus::ReversedY},
        {{0, 0, 5, 1, 1, 5}, 1.0, DefineWorkStatus::ReversedZ},  // equal is reversed too
        {{0, 0, 0, kNaN, 1, 1}, 1.0, DefineWorkStatus::NotFinite},
        {{-std::numeric_limits<double>::infinity(), 0, 0, 1, 1, 1}, 1.0, DefineWorkStatus::NotFinite},
        {{0, 0, 0, 1, 1, 1}, kNaN, DefineWorkStatus::NotFinite},
        {{0, 0, 0, 1, 1, 1}, 0.0, DefineWorkStatus::PitchNotPositive},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(Define(w, r.box, r.pitch), r.status);
        EXPECT_EQ(w.nx * w.workState, 11);  // the work is left as it was
    }
    EXPECT_EQ(DefineWorkMessage(DefineWorkStatus::ReversedY), MsgId::ReversedY);

    // 1e9 x 1e9 nodes, a span that overflows to infinity, a single column: no work remains.
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(Define(w, {0, 0, 0, 10, 10, 5}, 1.0), DefineWorkStatus::Ok);
        const bool failed =
            i == 0   ? Define(w, {0, 0, 0, 1e9, 1e9, 1}, 1.0) == DefineWorkStatus::MemoryOver
            : i == 1 ? Define(w, {-1e308, 0, 0, 1e308, 1, 1}, 1.0) == DefineWorkStatus::MemoryOver
                     : !AllocateWork(w, 1, 10, kDataLevelFull, true);
        EXPECT_TRUE(failed) << i;
        EXPECT_TRUE(w.height == nullptr && w.cellCount == 0 && w.workState == 0) << i;
        EXPECT_TRUE(w.heightA.empty() && w.heightB.empty() && w.lineNumbers.empty());
    }
    EXPECT_FALSE(AllocateWork(w, 1000000000, 1000000000, kDataLevelFull, true));

    // A smaller grid keeps every buffer; levels drop the buffers they do not hold.
    w.pitch = 0.5;
    ASSERT_TRUE(AllocateWork(w, 100, 80, kDataLevelFull, true));
    const float* a = w.heightA.data();
    const float* b = w.heightB.data();
    const std::int16_t* screen = w.screenXY.data();
    ASSERT_TRUE(AllocateWork(w, 50, 120, kDataLevelFull, true));  // 6000 nodes <= 8000
    EXPECT_TRUE(w.height == a && w.heightOther == b && w.screenXY.data() == screen);
    EXPECT_EQ(w.cellCount, 6000u);
    EXPECT_EQ(w.nodeOffset[119], 59.5);
    ASSERT_TRUE(AllocateWork(w, 10, 10, kDataLevelLineNumbers, false));
    EXPECT_TRUE(w.heightB.empty() && w.heightOther == nullptr && w.lineNo != nullptr);
    ASSERT_TRUE(AllocateWork(w, 10, 10, kDataLevelBackup, false));
    EXPECT_TRUE(w.lineNo == nullptr && w.heightOther != nullptr);
}

TEST(WorkModel, BackupRestoreAndRemovalVolume) {
    WorkModel w;
    ASSERT_EQ(Define(w, {0, 0, 0, 10, 10, 20}, 1.0), DefineWorkStatus::Ok);
    ASSERT_TRUE(Backup(w, {1, 2, 3}, {4, 5, 6}));
    const std::size_t node = NodeIndex(w, 3, 4);
    w.height[node] = 7.5f;
    w.attr[node] = 0x05;
    w.lineNo[node] = 12;
    w.workState = 2;
    Point origin{7, 7, 7}, tool{8, 8, 8};
    ASSERT_TRUE(Restore(w, origin, tool));
    EXPECT_TRUE(w.height[node] == 20.0f && w.attr[node] == 0 && w.workState == 1);
    EXPECT_EQ(w.lineNo[node], 0);
    EXPECT_TRUE(origin == (Point{1, 2, 3}) && tool == (Point{4, 5, 6}));
    ASSERT_TRUE(Restore(w, origin, tool));  // the second "C" undoes the first
    EXPECT_TRUE(w.height[node] == 7.5f && w.attr[node] == 0x05 && w.workState == 2);
    EXPECT_EQ(w.lineNo[node], 0);  // line numbers are not backed up
    EXPECT_TRUE(origin == (Point{7, 7, 7}) && tool == (Point{8, 8, 8}));

    // An operation that shrinks the grid after a backup can still be undone.
    ASSERT_TRUE(Backup(w, origin, tool));
    w.pitch = 2.0;
    ASSERT_TRUE(AllocateWork(w, 3, 3, kDataLevelFull, true));
    ASSERT_TRUE(Restore(w, origin, tool));
    EXPECT_TRUE(w.nx == 11 && w.cellCount == 121u && w.pitch == 1.0 && w.nodeOffset[10] == 10.0);
    EXPECT_EQ(w.height[node], 7.5f);

    for (const int level : {kDataLevelLineNumbers, kDataLevelMinimal}) {
        WorkModel m;
        ASSERT_EQ(Define(m, {0, 0, 0, 10, 10, 20}, 1.0, level), DefineWorkStatus::Ok);
        m.height[0] = 1.0f;
        EXPECT_FALSE(Backup(m, origin, tool) || Restore(m, origin, tool) || RemovalVolume(m));
        EXPECT_EQ(m.height[0], 1.0f);
    }

    // 5 x 4 nodes at pitch 0.5. 2 mm off the corner (0,0) (weight 0.25), the
    // border nodes (1,0) and (0,1) (0.5 each) and the inner node (1,1) (1):
    // 2 * 2.25 * 0.25 = 1.125 mm^3; 1 mm added at (4,2) on a border: -0.125.
    ASSERT_EQ(Define(w, {0, 0, 0, 2, 1.5, 10}, 0.5), DefineWorkStatus::Ok);
    ASSERT_TRUE(w.nx == 5 && w.ny == 4);
    EXPECT_EQ(RemovalVolume(w), 0.0);
    for (const auto& n : {std::array{0, 0}, {1, 0}, {0, 1}, {1, 1}}) {
        w.height[NodeIndex(w, n[0], n[1])] = 8.0f;
    }
    w.height[NodeIndex(w, 4, 2)] = 11.0f;
    ASSERT_TRUE(RemovalVolume(w));
    EXPECT_NEAR(*RemovalVolume(w), 1.0, 1e-12);
    RecomputeZMax(w);
    EXPECT_EQ(w.zMax, 11.0);
    ASSERT_TRUE(AllocateWork(w, 4, 4, kDataLevelFull, true));  // grid changed since the backup
    EXPECT_FALSE(RemovalVolume(w));
}

// A work shared with other processes: pair A and the line numbers are the
// sharing's arrays and stay current through backup and restore; freeing
// detaches but keeps the sharing; a refused attach is a failed allocation;
// a work built apart takes the sharing with its contents.
TEST(WorkModel, SharedPairStaysCurrent) {
    struct Fake {
        std::vector<float> height;
        std::vector<std::uint8_t> attr;
        std::vector<std::int32_t> lines;
        int attaches = 0, detaches = 0;
        bool refuse = false;
    };
    auto fake = std::make_shared<Fake>();
    auto sharing = std::make_shared<WorkSharing>();
    sharing->attach = [fake](std::size_t cells, bool lines, float*& h, std::uint8_t*& a, std::int32_t*& l) {
        if (fake->refuse) return false;
        ++fake->attaches;
        if (fake->height.size() != cells) {
            fake->height.assign(cells, 0.0f);
            fake->attr.assign(cells, 0);
            fake->lines.assign(cells, 0);
        }
        h = fake->height.data();
        a = fake->attr.data();
        l = lines ? fake->lines.data() : nullptr;
        return true;
    };
    sharing->detach = [fake] { ++fake->detaches; };

    WorkModel w;
    w.sharing = sharing;
    ASSERT_EQ(Define(w, {0, 0, 0, 10, 10, 20}, 1.0), DefineWorkStatus::Ok);
    EXPECT_EQ(w.height, fake->height.data());
    EXPECT_EQ(w.attr, fake->attr.data());
    EXPECT_EQ(w.lineNo, fake->lines.data());
    EXPECT_TRUE(w.heightA.empty() && w.attrA.empty() && w.lineNumbers.empty());
    EXPECT_EQ(fake->height[0], 20.0f);  // the uniform fill went to the shared arrays
    // Other processes may change a shared work at any time: it is never
    // taken for the uniform block (which would be saved as one height).
    EXPECT_EQ(w.workState, 2);

    const std::size_t node = NodeIndex(w, 3, 4);
    Point origin{}, tool{};
    ASSERT_TRUE(Backup(w, origin, tool));
    w.height[node] = 7.5f;
    ASSERT_TRUE(Restore(w, origin, tool));
    EXPECT_EQ(w.height, fake->height.data());  // contents exchanged, not pointers
    EXPECT_EQ(fake->height[node], 20.0f);
    ASSERT_TRUE(Restore(w, origin, tool));
    EXPECT_EQ(fake->height[node], 7.5f);

    // A work loaded apart (private) and swapped in takes the sharing.
    WorkModel loaded;
    loaded.pitch = 2.0;
    ASSERT_TRUE(AllocateWork(loaded, 3, 2, kDataLevelFull, true));
    FillUniform(loaded);
    loaded.height[4] = 1.25f;
    ASSERT_TRUE(Backup(loaded, origin, tool));
    std::swap(w, loaded);
    ASSERT_TRUE(TakeSharing(w, std::move(loaded.sharing)));
    EXPECT_EQ(w.height, fake->height.data());
    EXPECT_EQ(fake->height.size(), 6u);
    EXPECT_EQ(fake->height[4], 1.25f);
    EXPECT_EQ(w.heightOther[4], 1.25f);  // the backup pair is kept
    EXPECT_TRUE(w.heightA.empty());

    FreeWork(w);
    EXPECT_EQ(fake->detaches, 1);
    EXPECT_EQ(w.sharing, sharing);
    fake->refuse = true;
    EXPECT_FALSE(AllocateWork(w, 4, 4, kDataLevelFull, true));
    EXPECT_EQ(w.height, nullptr);
    EXPECT_FALSE(TakeSharing(w, nullptr));
}

TEST(WorkModel, AttributesControlPointAndOptimumBox) {
    WorkModel w;
    ASSERT_EQ(Define(w, {-5, -6, -30, 5, 4, 12}, 1.0), DefineWorkStatus::Ok);
    // pen 2 + paint; pen 3 + paint + up-cut; pen 3; pen 7 + bit 7.
    const std::array<std::uint8_t, 4> before{0x05, 0x17, 0x06, 0x8E};
    std::copy(before.begin(), before.end(), w.attr);
    EXPECT_FALSE(StripPen(w, 0) || StripPen(w, 9));
    ASSERT_TRUE(StripPen(w, 3));
    EXPECT_EQ((std::array{w.attr[0], w.attr[1], w.attr[2], w.attr[3]}),
              (std::array<std::uint8_t, 4>{0x05, 0x11, 0x00, 0x8E}));
    ASSERT_TRUE(StripPaint(w));
    EXPECT_TRUE(w.attr[0] == 0x04 && w.attr[1] == 0x10);
    ASSERT_TRUE(PaintAll(w) && StripPen(w, 8));
    EXPECT_TRUE(w.attr[0] == 0x01 && w.attr[3] == 0x81 && w.attr[w.cellCount - 1] == 0x01);
    w.workState = 0;
    EXPECT_FALSE(PaintAll(w));

    using M = ControlPointMode;
    EXPECT_EQ(PlaceControlPoint(M::BoxTop, w, {1, 2, 3}, {7, 8, 9}), (Point{-5, -6, 12}));
    EXPECT_EQ(PlaceControlPoint(M::Current, w, {1, 2, 3}, {7, 8, 9}), (Point{1, 2, 12}));
    EXPECT_EQ(PlaceControlPoint(M::Current, w, {1, 2, 40}, {7, 8, 9}), (Point{1, 2, 40}));
    EXPECT_EQ(PlaceControlPoint(M::Specify, w, {1, 2, 3}, {7, 8, 9}), (Point{7, 8, 9}));

    const BoxRequest initial{0, 0, 0, 100, 100, 30};
    EXPECT_EQ(Six(OptimumBoxFromExtents({-5, 10, -20}, {50, 60, 30}, {2, 3, 4}, initial)),
              (std::array<double, 6>{-7, 7, -30, 52, 63, 34}));
    const Point none{9999999, 9999999, 9999999};  // no motion
    EXPECT_EQ(Six(OptimumBoxFromExtents(none, {-none[0], -none[1], -none[2]}, {2, 3, 4}, initial)),
              (std::array<double, 6>{0, 0, 15, 100, 100, 25}));
}

}  // namespace
}  // namespace morvex

// Rendered pictures where a rule fixes the pixels: the plan view of a cut
// pocket in its pen colour, partial redraws, the paths and the tool, the
// panel cells, triangle classes, the PNG checked by pngcheck and decoded
// back; and what the view shows while cutting: the cut path on its own layer
// survives the partial redraws, the tool is drawn into the shown picture
// only, the detailed drawing of a thinned-out view and the question before it.
#include "view/work_render.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "base/messages.h"
#include "frame/picture_detail.h"
#include "sim/tool_profile.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"
#include "support/view_scene.h"
#include "view/offscreen_bitmap.h"
#include "view/overlays.h"
#include "view/panels.h"
#include "view/png_file.h"
#include "view/run_overlay.h"
#include "view/work_picture.h"

namespace morvex {
namespace {

using test::PlanSettings;

ViewSettings PocketSettings() {
    ViewSettings st = PlanSettings();
    st.colors[ColorKey::Work] = MakeColor(0, 128, 255);
    st.colors[ColorKey::Pen1] = MakeColor(255, 128, 0);
    return st;
}

// The 20 x 20 block with a pocket 5..14 x 5..14 at -2 cut with pen 1.
WorkModel Pocket() {
    WorkModel w = test::Block20();
    for (int iy = 5; iy <= 14; ++iy) {
        for (int ix = 5; ix <= 14; ++ix) {
            w.height[NodeIndex(w, ix, iy)] = -2.0f;
            w.attr[NodeIndex(w, ix, iy)] = 2;  // pen 1
        }
    }
    return w;
}

// A plan view of a 20 x 20 block at pitch 1 in a 400 x 300 picture.
struct Plan {
    ViewSettings st;
    WorkModel w;
    ViewState v;
    RenderStyle style;
    ProjectedGrid grid;
    QImage bitmap;

    Plan() : st(test::PlanSettings()), w(test::Block20()) {
        st.colors[ColorKey::CutPath] = MakeColor(255, 0, 255);
        st.colors[ColorKey::ToolTop] = MakeColor(255, 255, 0);
        v = PictureView(st, w, std::nullopt, 400, 300);
        style = RenderStyleOf(st, false);
        bitmap = CreateOffscreenBitmap(400, 300, st.colors[ColorKey::Background]);
        DrawWork(bitmap, w, v, style, grid);
    }
    QPoint At(double x, double y, double z) const {
        const ScreenPoint p = Project(v, x, y, z);
        return {p.x, p.y};
    }
};

// A tool table holding T1, a flat end mill d across and h long.
ToolTable FlatTool(float d, float h) {
    ToolTable table;
    table.tools.resize(2);
    ToolDef& t = table.tools[1];
    t.defined = true;
    t.shape = kShapeFlat;
    t.d = d;
    t.h = h;
    return table;
}

QRgb Expected(const ViewSettings& st, ColorKey key, const ViewState& v) {
    const ColorRef c = ShadeColor(st.colors[key], ShadeOf(v, {0, 0, 1}));
    return qRgb(ColorRed(c), ColorGreen(c), ColorBlue(c));
}

TEST(WorkRender, PlanViewOfAPocket) {
    const ViewSettings st = PocketSettings();
    const WorkModel w = Pocket();
    const ViewState v = PictureView(st, w, std::nullopt, 400, 300);
    QImage image = CreateOffscreenBitmap(400, 300, st.colors[ColorKey::Background]);
    ProjectedGrid grid;
    DrawWork(image, w, v, RenderStyleOf(st, false), grid);
    auto pixel = [&](double x, double y, double z) {
        const ScreenPoint p = Project(v, x, y, z);
        return image.pixel(p.x, p.y);
    };
    // Inside the pocket (cells between nodes 5 and 14): the pen colour.
    EXPECT_EQ(pixel(10.5, 10.5, -2), Expected(st, ColorKey::Pen1, v));
    EXPECT_EQ(pixel(5.5, 13.5, -2), Expected(st, ColorKey::Pen1, v));
    // The uncut top: the work colour; outside the block: the background.
    EXPECT_EQ(pixel(2.5, 2.5, 0), Expected(st, ColorKey::Work, v));
    EXPECT_EQ(pixel(17.5, 18.5, 0), Expected(st, ColorKey::Work, v));
    EXPECT_EQ(image.pixel(5, 5), qRgb(10, 20, 30));
    EXPECT_EQ(image.pixel(395, 150), qRgb(10, 20, 30));
    // The alarm stop paints everything red.
    DrawWork(image, w, v, RenderStyleOf(st, true), grid);
    const ColorRef red = ShadeColor(MakeColor(255, 0, 0), ShadeOf(v, {0, 0, 1}));
    EXPECT_EQ(pixel(10.5, 10.5, -2), qRgb(ColorRed(red), ColorGreen(red), ColorBlue(red)));
}

// After a cut, redrawing only the changed region gives the same picture as
// a full redraw, and the region is small: seen from every quadrant, in
// perspective, thinned out, zoomed in past the picture's edges and as a
// mesh; and the screen positions and extents kept up to date through the
// redraws are those made anew.
TEST(WorkRender, PartialRedrawMatchesFullRedraw) {
    const struct {
        float a, b;
        bool perspective;
        int step;
        double zoom;
        bool mesh;
    } views[] = {
        {315, 45, false, 1, 1.0, false}, {45, 30, true, 1, 1.0, false},  {135, 60, false, 1, 1.0, false},
        {225, 20, true, 1, 1.0, false},  {0, 0, false, 1, 1.0, false},   {250, 80, false, 1, 1.0, false},
        {300, 50, true, 3, 1.0, false},  {200, 40, false, 1, 3.0, false}, {315, 45, false, 1, 1.0, true},
    };
    for (const auto& view : views) {
        ViewSettings st = PocketSettings();
        st.display.angleA = view.a;
        st.display.angleB = view.b;
        st.display.perspective = view.perspective;
        st.display.meshMode = view.mesh;
        // 80 x 80 cells: rows of more than one block of the extent cache.
        WorkModel w;
        PitchSettings pitch;
        pitch.workPitch = 0.5;
        ASSERT_EQ(DefineBoxWork(w, BoxRequest{0, 0, -10, 40, 40, 0}, pitch, kDataLevelFull), DefineWorkStatus::Ok);
        ViewState v = PictureView(st, w, std::nullopt, 400, 300);
        v.step = view.step;
        v.scale *= view.zoom;
        const RenderStyle style = RenderStyleOf(st, false);
        QImage partial = CreateOffscreenBitmap(400, 300, st.colors[ColorKey::Background]);
        ProjectedGrid grid;
        DrawWork(partial, w, v, style, grid);
        // Small holes, one at the block's edge, deep cuts next to each other,
        // and one of them cut deeper again.
        const NodeRect cuts[] = {{4, 32, 7, 35},    {78, 0, 80, 3},     {16, 16, 19, 19},
                                 {20, 16, 23, 19},  {18, 20, 21, 23},   {16, 16, 19, 19}};
        float depth = -6.0f;
        for (const NodeRect& r : cuts) {
            for (int iy = r.iy0; iy <= r.iy1; ++iy) {
                for (int ix = r.ix0; ix <= r.ix1; ++ix) {
                    w.height[NodeIndex(w, ix, iy)] = depth;
                    w.attr[NodeIndex(w, ix, iy)] = 1;  // painted
                }
            }
            depth -= 0.5f;
            const QRect dirty = RedrawRegion(partial, w, v, style, grid, r);
            const std::string where = std::to_string(view.a) + "/" + std::to_string(view.b) + " at " +
                                      std::to_string(r.ix0) + "," + std::to_string(r.iy0);
            if (view.zoom == 1.0) {
                EXPECT_FALSE(dirty.isEmpty()) << where;
                EXPECT_LT(dirty.width() * dirty.height(), 400 * 300 / 4) << where;
            }
            QImage full = CreateOffscreenBitmap(400, 300, st.colors[ColorKey::Background]);
            ProjectedGrid fresh;
            DrawWork(full, w, v, style, fresh);
            EXPECT_TRUE(partial == full) << where;
            // The cache kept up to date is the cache made anew.
            auto same = [](const std::vector<CellSpan>& a, const std::vector<CellSpan>& b) {
                return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const CellSpan& s, const CellSpan& t) {
                    return s.x0 == t.x0 && s.x1 == t.x1 && s.y0 == t.y0 && s.y1 == t.y1;
                });
            };
            EXPECT_TRUE(grid.xs == fresh.xs && grid.ys == fresh.ys) << where;
            EXPECT_TRUE(same(grid.rowSpans, fresh.rowSpans) && same(grid.blockSpans, fresh.blockSpans)) << where;
        }
    }
}

// A cache left from another step or a larger work is made again, not read
// past the nodes; a partial redraw through it draws nothing and says so.
TEST(WorkRender, StaleGridCacheIsRebuilt) {
    Plan p;
    const WorkModel large = Pocket();  // 21 x 21 nodes against the plan's 20 x 20 cells
    WorkModel small;
    PitchSettings pitch;
    pitch.workPitch = 2.0;
    ASSERT_EQ(DefineBoxWork(small, BoxRequest{0, 0, -10, 20, 20, 0}, pitch, kDataLevelFull), DefineWorkStatus::Ok);
    for (const int step : {4, 1}) {
        ViewState other = p.v;
        other.step = step;
        ProjectedGrid stale;
        ProjectGrid(step == 1 ? large : p.w, other, stale);
        const WorkModel& drawn = step == 1 ? small : p.w;
        EXPECT_TRUE(RedrawRegion(p.bitmap, drawn, p.v, p.style, stale, NodeRect{2, 2, 3, 3}).isEmpty()) << step;
        QImage expected = CreateOffscreenBitmap(400, 300, p.st.colors[ColorKey::Background]), image = expected;
        ProjectedGrid fresh;
        DrawWork(expected, drawn, p.v, p.style, fresh);
        DrawWork(image, drawn, p.v, p.style, stale);
        EXPECT_TRUE(image == expected) << step;
    }
}

// The tool-tip path in the plan view: a feed line along X at Y5 in the path
// colour, a rapid dotted (not every pixel), and the replay of a missing
// program draws nothing.
TEST(WorkRender, ToolTipPathInPlanView) {
    ViewSettings st = PlanSettings();
    st.colors[ColorKey::TopPath] = MakeColor(255, 0, 255);
    const WorkModel w = Pocket();
    const ViewState v = PictureView(st, w, std::nullopt, 400, 300);
    QImage image = CreateOffscreenBitmap(400, 300, st.colors[ColorKey::Background]);
    test::TempDir dir;
    PathSource source;
    source.ncPath = dir.Write("path.nc", "G90 G00 X2 Y15 Z5\nG01 X18 F500\nG00 Y5\nX2\nM30\n");
    source.controller.decimalPoint = 3;
    source.controller.readStatus = 1;
    source.start = {2, 15, 5};
    {
        QPainter painter(&image);
        EXPECT_GE(DrawToolTipPath(painter, v, st, source), 3);
    }
    const QRgb magenta = qRgb(255, 0, 255);
    const ScreenPoint a = Project(v, 2, 15, 5), b = Project(v, 18, 15, 5);
    ASSERT_EQ(a.y, b.y);
    for (int x = a.x; x <= b.x; ++x) EXPECT_EQ(image.pixel(x, a.y), magenta) << x;
    // The rapid back along Y5 is dotted: some of its pixels only.
    const ScreenPoint c = Project(v, 18, 5, 5), d = Project(v, 2, 5, 5);
    int on = 0;
    for (int x = d.x; x <= c.x; ++x) on += image.pixel(x, c.y) == magenta;
    EXPECT_GT(on, (c.x - d.x) / 4);
    EXPECT_LT(on, (c.x - d.x) * 3 / 4);
    // The command-point path of a tool with a shift of 3 lies 3 above the tip path.
    ToolTable table = FlatTool(4.0f, 10.0f);
    table.tools[1].shift = 3.0f;
    source.tools = &table;
    ViewState side = v;
    side.angleB = 90.0f;
    SetUpView(side);
    st.colors[ColorKey::ControlPath] = MakeColor(0, 255, 0);
    QImage front = CreateOffscreenBitmap(400, 300, st.colors[ColorKey::Background]);
    {
        QPainter painter(&front);
        EXPECT_GE(DrawProgramPath(painter, side, st, source, PathSet::CommandPoint), 3);
        EXPECT_GE(DrawProgramPath(painter, side, st, source, PathSet::ToolTip), 3);
    }
    const ScreenPoint tipAt = Project(side, 10, 15, 2), commandAt = Project(side, 10, 15, 5);
    EXPECT_EQ(front.pixel(tipAt.x, tipAt.y), magenta);
    EXPECT_EQ(front.pixel(commandAt.x, commandAt.y), qRgb(0, 255, 0));
    std::filesystem::remove(source.ncPath);
    QPainter painter(&image);
    EXPECT_EQ(DrawToolTipPath(painter, v, st, source), -1);
}

// The tool in the side view (A 0, B 90): a flat D10 with its tip at Z2 and
// a holder 30 across from 20 above the tip: the bottom edge in the side
// colour at the tip height, the holder's sides in the arbor colour.
TEST(WorkRender, ToolInSideView) {
    ViewSettings st = PlanSettings();
    st.colors[ColorKey::ToolSide] = MakeColor(255, 255, 0);
    st.colors[ColorKey::Arbor] = MakeColor(0, 255, 255);
    ToolTable table = FlatTool(10.0f, 15.0f);
    ToolDef& t = table.tools[1];
    t.length.kind = 1;
    t.length.len = {20.0f, 0, 0, 0, 0, 0};
    t.holder.defined = true;
    t.holder.count = 1;
    t.holder.dia[0] = 30.0f;
    t.holder.hgt[0] = 10.0f;
    ToolProfile tool;
    SelectTool(table, 1, 0.0, 0.0, nullptr, tool);
    const ViewState v = test::MakeView(0, 90, 4.0, 200, 250, 400, 300);
    QImage image = CreateOffscreenBitmap(400, 300, st.colors[ColorKey::Background]);
    {
        QPainter painter(&image);
        DrawTool(painter, v, st, tool, Point{0, 0, 2});
    }
    // Bottom edge: x -5..5 at z 2 -> pixels 180..220 at y 242.
    EXPECT_EQ(image.pixel(200, 242), qRgb(255, 255, 0));
    EXPECT_EQ(image.pixel(185, 242), qRgb(255, 255, 0));
    // Holder sides at x = +-15 between z 22 and 32 -> pixels 140 and 260, y 122..162.
    EXPECT_EQ(image.pixel(140, 140), qRgb(0, 255, 255));
    EXPECT_EQ(image.pixel(260, 140), qRgb(0, 255, 255));
    // Nothing far from the tool.
    EXPECT_EQ(image.pixel(20, 20), qRgb(10, 20, 30));

    // An attachment block 40 square and 8 high on the holder top (z 32..40):
    // its sides at x = +-20 -> pixels 120 and 280, y 90..122.
    st.colors[ColorKey::Attachment] = MakeColor(255, 0, 255);
    AttachmentBlocks blocks;
    blocks.count = 1;
    blocks.side[0] = 40.0f;
    blocks.height[0] = 8.0f;
    SelectTool(table, 1, 0.0, 0.0, &blocks, tool);
    image.fill(qRgb(10, 20, 30));
    {
        QPainter painter(&image);
        DrawTool(painter, v, st, tool, Point{0, 0, 2});
    }
    EXPECT_EQ(image.pixel(120, 100), qRgb(255, 0, 255));
    EXPECT_EQ(image.pixel(280, 100), qRgb(255, 0, 255));
    EXPECT_EQ(image.pixel(200, 90), qRgb(255, 0, 255));
    EXPECT_EQ(image.pixel(140, 140), qRgb(0, 255, 255));
}

// Panel cells: the sunken stop mode and offset table, the run buttons, the work, control point
// and measurement groups in both languages with their numbers, and cells drawn where they belong.
TEST(WorkRender, PanelCells) {
    const auto stop = StopModeCells(3, true);
    ASSERT_EQ(stop.size(), 4u);
    EXPECT_TRUE(stop[2].sunken && !stop[0].sunken && !stop[1].sunken && !stop[3].sunken);
    for (const auto& c : StopModeCells(1, false)) EXPECT_FALSE(c.sunken) << c.text;
    const auto offsets = OffsetCells(OffsetTable::HCode, false, false);
    ASSERT_EQ(offsets.size(), 3u);
    EXPECT_TRUE(offsets[1].sunken && !offsets[0].sunken && !offsets[2].sunken);
    MeasuredData m;
    m.count = 2;
    m.dx = -12.5;
    m.radius3 = 25.0;
    const WorkModel w = Pocket();
    const struct {
        std::vector<PanelCell> cells;
        std::size_t count, index;
        const char* text;
    } cases[] = {
        {stop, 4, 2, "\tSingle"},
        {StopModeCells(0, false), 4, 0, "\tﾉﾝｽﾄｯﾌﾟ"},
        {RunCells(RunButtons::Paused), 2, 1, "\tESC"},
        {RunCells(RunButtons::NoRun), 2, 0, ""},
        {WorkInfoCells(w, true), 14, 1, "\tPitch:1.000\t"},
        {WorkInfoCells(w, true), 14, 3, "\t   20.000"},
        {WorkInfoCells(w, false), 14, 0, "\t被切削材\t"},
        {ControlPointCells({1.5, -2, 100}, true), 4, 3, "\t  100.0000"},
        {offsets, 3, 1, "\t長補正値"},
        {OffsetCells(OffsetTable::Coordinate, true, true), 5, 4, "\tPUT"},
        {MeasurementCells(m, true), 17, 2, "\t2"},
        {MeasurementCells(m, true), 17, 4, "\t  -12.5000"},
        {MeasurementCells(m, true), 17, 16, "\t   25.000"},
        {MeasurementCells(m, false), 17, 15, "\tR値(3PT)"},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(c.cells.size(), c.count) << c.text;
        EXPECT_EQ(c.cells[c.index].text, c.text);
    }
    // The group follows the last command that chose one; others leave it.
    EXPECT_EQ(InfoGroupOfCommand(154, InfoGroup::Work), InfoGroup::ControlPoint);
    EXPECT_EQ(InfoGroupOfCommand(32884, InfoGroup::Work), InfoGroup::Offsets);
    EXPECT_EQ(InfoGroupOfCommand(32787, InfoGroup::Offsets), InfoGroup::Work);
    EXPECT_EQ(InfoGroupOfCommand(138, InfoGroup::Measurement), InfoGroup::Work);
    EXPECT_EQ(InfoGroupOfCommand(32771, InfoGroup::Offsets), InfoGroup::Offsets);
    QImage image = CreateOffscreenBitmap(200, 40, MakeColor(0, 0, 0));
    {
        QPainter painter(&image);
        DrawPanelCells(painter, QRect(0, 20, 200, 20), stop);
    }
    EXPECT_EQ(image.pixel(100, 10), qRgb(0, 0, 0));  // above the panel: untouched
    EXPECT_NE(image.pixel(100, 30), qRgb(0, 0, 0));  // the cells
}

TEST(WorkRender, TriangleClasses) {
    RenderStyle s;
    s.targetOn = true;
    s.targetZMin = -5.0;
    s.targetZMax = 0.0;
    const std::array<float, 3> low{-1, -1, -1}, high{1, 1, 1};
    // Paint on all three corners wins over pens; two agreeing pens give the pen class.
    EXPECT_EQ(TriangleClass(s, low, {1 | 4, 1 | 4, 1}), kClassPaint);
    EXPECT_EQ(TriangleClass(s, low, {1 | 4, 4, 2}), 3);  // pen 2 twice
    EXPECT_EQ(TriangleClass(s, low, {2, 4, 6}), kClassTarget);  // no two agree; inside the target
    EXPECT_EQ(TriangleClass(s, high, {2, 4, 6}), kClassWork);
    s.byDirection = true;
    EXPECT_EQ(TriangleClass(s, high, {0x10, 0x12, 0x20}), 2);  // up-cut on two corners
    s.alarm = true;
    EXPECT_EQ(TriangleClass(s, high, {0, 0, 0}), kClassAlarm);
}

TEST(WorkRender, PngCheckedAndDecodedToTheSamePixels) {
    QImage image(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) image.setPixel(x, y, qRgb(x * 4, y * 5, (x * y) & 0xFF));
    }
    test::TempDir dir;
    const std::string path = dir.Path("render.png");
    ASSERT_TRUE(WritePng(path, image));
    EXPECT_EQ(QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32), image);
    if (std::system("command -v pngcheck >/dev/null 2>&1") == 0) {
        EXPECT_EQ(std::system(("pngcheck " + path + " >" + path + ".txt").c_str()), 0);
        const std::string report = test::TempDir::Read(path + ".txt");
        EXPECT_NE(report.find("64x48, 24-bit RGB, non-interlaced"), std::string::npos) << report;
    }
    // A folder that does not exist, or no picture: no file, false.
    EXPECT_FALSE(WritePng("/nonexistent-folder/x.png", image));
    EXPECT_FALSE(WritePng(dir.Path("empty.png"), QImage()));
    // A picture of many pieces (noise compresses badly) under a link: the
    // link stays, its target gets the picture.
    QImage noise(700, 500, QImage::Format_RGB32);
    unsigned seed = 12345;
    for (int y = 0; y < noise.height(); ++y) {
        for (int x = 0; x < noise.width(); ++x) {
            seed = seed * 1103515245u + 12345u;
            noise.setPixel(x, y, qRgb((seed >> 8) & 0xFF, (seed >> 16) & 0xFF, (seed >> 24) & 0xFF));
        }
    }
    const std::string target = dir.Path("target.png"), link = dir.Path("link.png");
    ASSERT_TRUE(WritePng(target, image));
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    ASSERT_TRUE(WritePng(link, noise));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_GT(std::filesystem::file_size(target), std::size_t{1} << 17);
    EXPECT_EQ(QImage(QString::fromStdString(target)).convertToFormat(QImage::Format_RGB32), noise);
    // A write-protected picture stays as it was.
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    EXPECT_FALSE(WritePng(path, noise));
    EXPECT_EQ(QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32), image);
    // Nothing is left beside the pictures.
    for (const auto& entry : std::filesystem::directory_iterator(dir.Dir())) {
        EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
    }
}

TEST(RunOverlay, CutPathSurvivesRedrawsAndTheToolStaysOutOfTheBitmap) {
    Plan p;
    CutPathLayer layer;
    ClearCutPath(layer, 400, 300);
    PathRecord line;
    line.type = kLine;
    line.feed = 100.0;
    line.toolStart = {2, 10, 1};
    line.toolEnd = {18, 10, 1};
    // A work offset of (0, 2, 0) and a shift of 1: drawn along Y12 at Z0.
    AddCutSegment(layer, p.v, p.st, line, Point{0, 2, 0}, 1.0, 5000.0);
    // The cut goes on under the path: the region is drawn again.
    for (int ix = 0; ix <= 20; ++ix) p.w.height[NodeIndex(p.w, ix, 12)] = -0.5f;
    RedrawRegion(p.bitmap, p.w, p.v, p.style, p.grid, NodeRect{0, 10, 20, 14});
    const QPoint mid = p.At(10, 12, 0);
    EXPECT_NE(p.bitmap.pixel(mid), qRgb(255, 0, 255));
    Point tip{15, 5, 0};
    const ToolTable table = FlatTool(4.0f, 10.0f);
    ToolProfile tool;
    SelectTool(table, 1, 0.0, 0.0, nullptr, tool);
    const QImage before = p.bitmap.copy();
    const QImage shown = ComposeView(p.bitmap, &layer, ToolAt{&tool, tip}, p.v, p.st);
    EXPECT_EQ(shown.pixel(mid), qRgb(255, 0, 255));
    EXPECT_EQ(shown.pixel(p.At(3, 12, 0)), qRgb(255, 0, 255));
    EXPECT_NE(shown.pixel(p.At(10, 8, 0)), qRgb(255, 0, 255));
    // The tip circle (radius 2 about X15 Y5) in the tool-top colour, off the outline
    // drawn across it along X.
    EXPECT_EQ(shown.pixel(p.At(15, 7, 0)), qRgb(255, 255, 0));
    EXPECT_EQ(p.bitmap, before);
    // TOOL DISPLAY off: no tool; a layer of another size (the view was resized) is left out.
    p.st.display.toolDisplay = false;
    EXPECT_NE(ComposeView(p.bitmap, &layer, ToolAt{&tool, tip}, p.v, p.st).pixel(p.At(15, 7, 0)),
              qRgb(255, 255, 0));
    ClearCutPath(layer, 200, 100);
    EXPECT_EQ(ComposeView(p.bitmap, &layer, ToolAt{}, p.v, p.st), p.bitmap);
    ClearCutPath(layer, 0, 0);
    EXPECT_TRUE(layer.image.isNull());
    AddCutSegment(layer, p.v, p.st, line, Point{}, 0.0, 5000.0);  // no layer: nothing, no crash
}

TEST(RunOverlay, DetailOnceDrawsEveryNodeFilled) {
    Plan p;
    for (int iy = 3; iy <= 16; ++iy) {
        for (int ix = 3; ix <= 16; ix += 2) p.w.height[NodeIndex(p.w, ix, iy)] = -3.0f;  // ribs a step apart
    }
    ViewState thin = p.v;
    thin.step = 4;
    RenderStyle mesh = p.style;
    mesh.mesh = true;
    ProjectedGrid grid;
    DrawWork(p.bitmap, p.w, thin, mesh, grid);
    const QImage thinned = p.bitmap.copy();
    DrawDetailOnce(p.bitmap, p.w, thin, mesh);
    ViewState full = p.v;
    full.step = 1;
    QImage expected = CreateOffscreenBitmap(400, 300, p.st.colors[ColorKey::Background]);
    ProjectedGrid fresh;
    DrawWork(expected, p.w, full, p.style, fresh);
    EXPECT_EQ(p.bitmap, expected);
    EXPECT_NE(thinned, expected);
    // The caller's cache still belongs to its own step.
    EXPECT_TRUE(grid.valid);
    EXPECT_EQ(grid.columns.size(), fresh.columns.size() / 4 + 1);
}

TEST(RunOverlay, DetailQuestionFollowsDisplayGuidance) {
    test::RecordingHost host;
    // A full drawing, a running program, or NO: never asked, never redrawn.
    EXPECT_FALSE(WantDetailedPicture(1, 1, false, host));
    EXPECT_FALSE(WantDetailedPicture(2, 3, true, host));
    EXPECT_FALSE(WantDetailedPicture(0, 3, false, host));
    // DETAIL: always, without asking.
    EXPECT_TRUE(WantDetailedPicture(2, 3, false, host));
    EXPECT_TRUE(host.messages.empty());
    // YES: the user's answer.
    SetEnglish(true);
    host.answer = MessageAnswer::No;
    EXPECT_FALSE(WantDetailedPicture(1, 3, false, host));
    host.answer = MessageAnswer::Yes;
    EXPECT_TRUE(WantDetailedPicture(1, 2, false, host));
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0], "Detail Display?");
    EXPECT_EQ(host.captions[0], "Skip Displaying");
    SetEnglish(false);
    EXPECT_TRUE(WantDetailedPicture(1, 2, false, host));
    EXPECT_EQ(host.messages.back(), "精度を上げても良いですか？");
    EXPECT_EQ(host.captions.back(), "現在表示が間引かれています");
}

}  // namespace
}  // namespace morvex

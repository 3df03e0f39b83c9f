// The unattended picture of the work.
#include "view/work_picture.h"

#include <QPainter>

#include "view/offscreen_bitmap.h"
#include "view/png_file.h"
#include "view/work_render.h"

namespace morvex {

ViewState PictureView(const ViewSettings& st, const WorkModel& w, std::optional<std::pair<double, double>> angles,
                      int width, int height) {
    ViewState v = InitialView(st.display, width, height);
    if (angles) {
        v.angleA = static_cast<float>(angles->first);
        v.angleB = static_cast<float>(angles->second);
        SetUpView(v);
    }
    ViewBox box{w.xMin, w.yMin, w.zMin, w.xMax, w.yMax, w.zMax};
    const Vec3 centre{0.5 * (box.xMin + box.xMax), 0.5 * (box.yMin + box.yMax), 0.5 * (box.zMin + box.zMax)};
    v.distance = PerspectiveDistance(centre, box.zMax, box.zMin);
    FitView(v, box);
    const bool detailed = st.display.displayGuidance != 0;
    v.step = detailed ? 1 : DrawingStep(w.pitch, v.scale, st.display.optimizeDrawing, st.display.optimizeDots);
    return v;
}

bool WriteWorkPicture(const ViewSettings& st, const WorkModel& w, const std::string& path,
                      std::optional<std::pair<double, double>> angles, int width, int height,
                      const PathSource* program) {
    QImage image = CreateOffscreenBitmap(width, height, st.colors[ColorKey::Background]);
    if (image.isNull()) return false;
    const ViewState v = PictureView(st, w, angles, width, height);
    ProjectedGrid grid;
    DrawWork(image, w, v, RenderStyleOf(st, false), grid);
    {
        QPainter painter(&image);
        if (st.display.boundaryBox) DrawBoundaryBox(painter, v, st, w);
        if (program != nullptr && st.display.pathResult) DrawToolTipPath(painter, v, st, *program);
        if (st.display.basicAxis) DrawAxes(painter, v, program != nullptr ? program->start : Point{});
    }
    return WritePng(path, image);
}

}  // namespace morvex

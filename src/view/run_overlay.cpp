// The cut path layer and the composed picture of the view.
#include "view/run_overlay.h"

#include <QPainter>

#include "view/overlays.h"

namespace morvex {

void ClearCutPath(CutPathLayer& layer, int width, int height) {
    if (width <= 0 || height <= 0) {
        layer.image = QImage();
        return;
    }
    if (layer.image.width() != width || layer.image.height() != height) {
        layer.image = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
    }
    if (!layer.image.isNull()) layer.image.fill(Qt::transparent);
}

void AddCutSegment(CutPathLayer& layer, const ViewState& view, const ViewSettings& st, const PathRecord& motion,
                   const Point& workOffset, double shift, double rapidFeedrate, const std::uint32_t* moduleColors) {
    if (layer.image.isNull()) return;
    QPainter painter(&layer.image);
    DrawPathSegment(painter, view, st, motion, workOffset, shift, PathSet::Cutting, rapidFeedrate, moduleColors);
}

QImage ComposeView(const QImage& work, const CutPathLayer* cutPath, const ToolAt& tool, const ViewState& view,
                   const ViewSettings& st) {
    QImage picture = work;  // shared until a painter draws over it
    if (picture.isNull()) return picture;
    const bool withPath = cutPath != nullptr && cutPath->image.size() == picture.size();
    const bool withTool = st.display.toolDisplay && tool.tool != nullptr;
    if (!withPath && !withTool) return picture;
    QPainter painter(&picture);
    if (withPath) painter.drawImage(0, 0, cutPath->image);
    if (withTool) {
        painter.setClipRect(picture.rect());
        DrawTool(painter, view, st, *tool.tool, tool.tip);
    }
    return picture;
}

void DrawDetailOnce(QImage& bitmap, const WorkModel& work, const ViewState& view, const RenderStyle& style) {
    ViewState detailed = view;
    detailed.step = 1;
    RenderStyle filled = style;
    filled.mesh = false;
    ProjectedGrid grid;  // the caller's cache stays for its own step
    DrawWork(bitmap, work, detailed, filled, grid);
}

}  // namespace morvex

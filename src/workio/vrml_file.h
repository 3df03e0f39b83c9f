// VRML 2.0 export of the work: the solid as an IndexedFaceSet, or the node
// heights as an ElevationGrid; plain text, or gzip-compressed text under
// the same name (VRML viewers read both).
#pragma once

#include <cstdint>
#include <string>

#include "sim/work_model.h"
#include "workio/replaced_file.h"

namespace morvex {

inline constexpr int kVrmlFacets = 1;  // "VRML2.0/Facet(*.WRL)"
inline constexpr int kVrmlPoints = 2;  // "VRML2.0/Points(*.WRL)"

struct VrmlOptions {
    int form = kVrmlFacets;
    bool gzip = false;
    std::uint32_t color = 0xFFFFFF;  // the work colour: red in bits 0-7, green 8-15, blue 16-23
};

// Writes through a temporary file renamed over `path`. Returns kFileSaved,
// kFileWriteFailed or kFileResourceOver.
[[nodiscard]] int WriteVrml(const std::string& path, const WorkModel& work, const VrmlOptions& options);

}  // namespace morvex

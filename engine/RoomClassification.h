// The classified room as the host's view shows it: which surfaces of the
// view use which material (sampled over a grid), a row per classified
// material with the surfaces that use it, the visible materials whose colour
// is close to one of them, taking a material out of its class, and the
// room's light-reflectance contrast counted only between classes it has.
#pragma once

#include "library/Colour.h"
#include "library/SchemeContrast.h"
#include "model/SurfaceMaterialStore.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace engine {

// The materials seen in a view and the distinct surfaces of each, in the
// order they were found.
struct ViewCensus {
    std::map<unsigned, std::vector<unsigned>> surfacesByMaterial;
    int samples = 0;
    bool complete = false;  // every grid point was sampled in time

    int SurfacesOf(unsigned materialHandle) const;
};

// The grid's passes go from kCoarsestStep to kFinestStep pixels, each pass
// halving the step and asking only the points the earlier ones left out, so
// that a sampling cut short by time still covers the whole view evenly.
constexpr int kCoarsestStep = 80;
constexpr int kFinestStep = 5;

// Samples a width x height view at its grid points (relative to its
// top-left corner) while inTime() holds. surfaceAt gives the surface at a
// point, 0 for none; materialOf is asked once for each surface found.
ViewCensus TakeCensus(int width, int height, const std::function<unsigned(int x, int y)>& surfaceAt,
                      const std::function<unsigned(unsigned surface)>& materialOf,
                      const std::function<bool()>& inTime);

// A classified material as the view shows it. otherSurfaces is the number
// of surfaces besides the picked one that use a wall or floor material (a
// scheme changes them all), 0 for a ceiling or a material used once.
struct ClassifiedMaterial {
    unsigned materialHandle = 0;
    SurfaceClass surfaceClass = Ceiling;
    int surfacesInView = 0;
    int otherSurfaces = 0;
};
std::vector<ClassifiedMaterial> ClassifiedMaterials(const std::vector<SurfaceClassEntry>& classes,
                                                    const ViewCensus& census);

// "也用于其他 N 个表面", or empty when otherSurfaces is 0.
std::string SharedMaterialWarning(int otherSurfaces);
// "顶棚", "墙面" or "地面".
const char* SurfaceClassName(SurfaceClass surfaceClass);

// The visible materials whose colour lies within kSimilarDeltaE (CIEDE2000)
// of colour, other than self, closest first.
constexpr double kSimilarDeltaE = 5.0;
struct MaterialColour {
    unsigned materialHandle = 0;
    Rgb colour{};
};
struct SimilarMaterial {
    unsigned materialHandle = 0;
    double deltaE = 0.0;
};
std::vector<SimilarMaterial> SimilarMaterials(const Rgb& colour, unsigned self,
                                              const std::vector<MaterialColour>& visible);

// Takes materialHandle out of the classification; false when it was not in it.
bool RemoveSurfaceClass(unsigned materialHandle);

// The room's LRVs, none for a class the room has no classified material of.
struct RoomLrvs {
    std::optional<double> ceiling, wall, floor;
};
// A combination's LRVs where the classification has that class.
RoomLrvs WhereRoomHas(const SurfaceLrvs& lrv, const std::vector<SurfaceClassEntry>& classes);
// Pairs closer than the guidance, judged only when the room has both.
ContrastMarks RoomContrastPairs(const RoomLrvs& lrv);
// One rounded value, or "—" for a class the room does not have.
std::string RoomLrvText(const std::optional<double>& lrv);
// "LRV c/w/f", "—" for a missing class.
std::string RoomLrvLine(const RoomLrvs& lrv);

}  // namespace engine

#include "RoomClassification.h"

#include "library/ColourScience.h"

#include <algorithm>

namespace engine {

int ViewCensus::SurfacesOf(unsigned materialHandle) const
{
    const auto found = surfacesByMaterial.find(materialHandle);
    return found == surfacesByMaterial.end() ? 0 : static_cast<int>(found->second.size());
}

ViewCensus TakeCensus(int width, int height, const std::function<unsigned(int x, int y)>& surfaceAt,
                      const std::function<unsigned(unsigned surface)>& materialOf,
                      const std::function<bool()>& inTime)
{
    ViewCensus census;
    std::map<unsigned, unsigned> materialOfSurface;
    for (int step = kCoarsestStep; step >= kFinestStep; step /= 2) {
        const bool first = step == kCoarsestStep;
        for (int y = 0; y < height; y += step) {
            for (int x = 0; x < width; x += step) {
                if (!first && x % (2 * step) == 0 && y % (2 * step) == 0)
                    continue;  // asked in an earlier pass
                if (!inTime())
                    return census;
                ++census.samples;
                const unsigned surface = surfaceAt(x, y);
                if (surface == 0 || materialOfSurface.count(surface) != 0)
                    continue;
                const unsigned material = materialOf(surface);
                materialOfSurface[surface] = material;
                if (material != 0)
                    census.surfacesByMaterial[material].push_back(surface);
            }
        }
    }
    census.complete = true;
    return census;
}

std::vector<ClassifiedMaterial> ClassifiedMaterials(const std::vector<SurfaceClassEntry>& classes,
                                                    const ViewCensus& census)
{
    std::vector<ClassifiedMaterial> rows;
    for (const SurfaceClassEntry& entry : classes) {
        ClassifiedMaterial row;
        row.materialHandle = entry.materialHandle;
        row.surfaceClass = entry.surfaceClass;
        row.surfacesInView = census.SurfacesOf(entry.materialHandle);
        if (entry.surfaceClass != Ceiling && row.surfacesInView > 1)
            row.otherSurfaces = row.surfacesInView - 1;
        rows.push_back(row);
    }
    return rows;
}

std::string SharedMaterialWarning(int otherSurfaces)
{
    return otherSurfaces > 0 ? "也用于其他 " + std::to_string(otherSurfaces) + " 个表面" : std::string();
}

const char* SurfaceClassName(SurfaceClass surfaceClass)
{
    switch (surfaceClass) {
    case Ceiling:
        return "顶棚";
    case Wall:
        return "墙面";
    default:
        return "地面";
    }
}

std::vector<SimilarMaterial> SimilarMaterials(const Rgb& colour, unsigned self,
                                              const std::vector<MaterialColour>& visible)
{
    const Lab target = SrgbToLab(colour);
    std::vector<SimilarMaterial> similar;
    for (const MaterialColour& material : visible) {
        if (material.materialHandle == self)
            continue;
        const double deltaE = DeltaE2000(target, SrgbToLab(material.colour));
        if (deltaE <= kSimilarDeltaE)
            similar.push_back({material.materialHandle, deltaE});
    }
    std::stable_sort(similar.begin(), similar.end(),
                     [](const SimilarMaterial& a, const SimilarMaterial& b) { return a.deltaE < b.deltaE; });
    return similar;
}

bool RemoveSurfaceClass(unsigned materialHandle)
{
    const auto found = std::find_if(surfaceClasses.begin(), surfaceClasses.end(), [materialHandle](const SurfaceClassEntry& e) {
        return e.materialHandle == materialHandle;
    });
    if (found == surfaceClasses.end())
        return false;
    surfaceClasses.erase(found);
    return true;
}

RoomLrvs WhereRoomHas(const SurfaceLrvs& lrv, const std::vector<SurfaceClassEntry>& classes)
{
    auto has = [&classes](SurfaceClass surfaceClass) {
        return std::any_of(classes.begin(), classes.end(),
                           [surfaceClass](const SurfaceClassEntry& e) { return e.surfaceClass == surfaceClass; });
    };
    RoomLrvs room;
    if (has(Ceiling))
        room.ceiling = lrv.ceiling;
    if (has(Wall))
        room.wall = lrv.wall;
    if (has(Floor))
        room.floor = lrv.floor;
    return room;
}

ContrastMarks RoomContrastPairs(const RoomLrvs& lrv)
{
    const ContrastMarks all = LowContrastPairs({lrv.ceiling.value_or(0.0), lrv.wall.value_or(0.0), lrv.floor.value_or(0.0)});
    ContrastMarks marks;
    marks.ceilingWall = all.ceilingWall && lrv.ceiling && lrv.wall;
    marks.wallFloor = all.wallFloor && lrv.wall && lrv.floor;
    return marks;
}

std::string RoomLrvText(const std::optional<double>& lrv)
{
    return lrv ? std::to_string(RoundedLrv(*lrv)) : std::string("—");
}

std::string RoomLrvLine(const RoomLrvs& lrv)
{
    return "LRV " + RoomLrvText(lrv.ceiling) + "/" + RoomLrvText(lrv.wall) + "/" + RoomLrvText(lrv.floor);
}

}  // namespace engine

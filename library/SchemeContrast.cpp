#include "SchemeContrast.h"

#include <cmath>
#include <cstdlib>

namespace {

double SlotLrv(const MaterialSlot& slot, const TextureLrvLookup& textureLrv)
{
    const std::string map = FieldString(slot.mapFile[0]);
    if (!map.empty() && textureLrv) {
        if (const std::optional<double> lrv = textureLrv(map))
            return *lrv;
    }
    return LightReflectance({slot.color[0], slot.color[1], slot.color[2]});
}

}  // namespace

SurfaceLrvs CombinationLrvs(const CombinationRecord& record, const TextureLrvLookup& textureLrv)
{
    SurfaceLrvs lrv;
    // The slots are in the order ceiling, floor, wall.
    lrv.ceiling = SlotLrv(record.materials[0], textureLrv);
    lrv.floor = SlotLrv(record.materials[1], textureLrv);
    lrv.wall = SlotLrv(record.materials[2], textureLrv);
    return lrv;
}

int RoundedLrv(double lrv)
{
    if (!std::isfinite(lrv))
        return 0;
    return static_cast<int>(std::lround(lrv));
}

ContrastMarks LowContrastPairs(const SurfaceLrvs& lrv)
{
    const int ceiling = RoundedLrv(lrv.ceiling);
    const int wall = RoundedLrv(lrv.wall);
    const int floor = RoundedLrv(lrv.floor);
    ContrastMarks marks;
    marks.ceilingWall = std::abs(ceiling - wall) < kMinimumLrvDifference;
    marks.wallFloor = std::abs(wall - floor) < kMinimumLrvDifference;
    return marks;
}

std::string LrvLine(const SurfaceLrvs& lrv)
{
    return "LRV " + std::to_string(RoundedLrv(lrv.ceiling)) + "/" + std::to_string(RoundedLrv(lrv.wall)) + "/" +
           std::to_string(RoundedLrv(lrv.floor));
}

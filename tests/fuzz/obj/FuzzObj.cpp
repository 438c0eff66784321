// Feeds arbitrary bytes to the OBJ reader, and the same bytes as the material
// library it names, so both parsers see hostile input.
#include "ObjModel.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    walkhost::MtlReader readMtl = [&text](const std::string&, std::string& mtl) {
        mtl = text;
        return true;
    };
    walkhost::ObjModel model;
    std::string error;
    if (walkhost::ParseObj(text, readMtl, model, error)) {
        // A model that loads has faces of three or more points, each surface
        // with a material that exists, and one uv per point or none.
        if (model.surfaces.empty())
            __builtin_trap();
        for (const walkhost::ObjSurface& s : model.surfaces) {
            if (s.material < 0 || static_cast<size_t>(s.material) >= model.materials.size())
                __builtin_trap();
            for (const walkhost::ObjFace& f : s.faces)
                if (f.positions.size() < 3 || (!f.uvs.empty() && f.uvs.size() != f.positions.size()))
                    __builtin_trap();
        }
    } else if (error.empty()) {
        __builtin_trap();
    }
    std::vector<walkhost::ObjMaterial> materials;
    walkhost::ParseMtl(text, materials, error);
    return 0;
}

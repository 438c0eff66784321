// The collections that tie the host's surfaces to materials: the picked
// surfaces, their materials with working copies, the ceiling/floor/wall
// classification, and the materials as they were first picked (for restore).
// Everything is keyed by material handle, so a change covers every surface
// that shares the material.
#pragma once

#include "plugin/HostInterface.h"

#include <vector>

enum SurfaceClass : int { Ceiling = 0, Floor = 1, Wall = 2 };

struct SurfaceClassEntry {
    unsigned materialHandle;
    SurfaceClass surfaceClass;
};

struct OriginalMaterialRecord {
    unsigned materialHandle;
    OriginalMaterial material;
};

using OriginalMaterialList = std::vector<OriginalMaterialRecord>;

// A material of the picked surfaces and the working copy that changes go
// through.
struct CurrentMaterial {
    unsigned materialHandle;
    OriginalMaterial material;
};

// Module-level lists: empty from load to unload.
extern std::vector<unsigned> selectedSurfaces;
extern std::vector<CurrentMaterial> currentMaterials;  // each material handle at most once
extern std::vector<SurfaceClassEntry> surfaceClasses;   // each material handle at most once

// Overwrites the class of materialHandle's entry, or appends a new entry.
void SetSurfaceClass(unsigned materialHandle, SurfaceClass surfaceClass);
// Removes every entry and releases the storage.
void ClearSurfaceClasses();
// True when ceiling, floor and wall each have at least one entry.
bool HasAllSurfaceClasses();
// The first classified material of a class; false when the class has none.
bool FirstMaterialOfClass(SurfaceClass surfaceClass, unsigned* materialHandle);

// Appends the host's present state of materialHandle unless the list already
// holds a record for it.
void RememberOriginalMaterial(OriginalMaterialList& originals, unsigned materialHandle);
// Writes the first remembered record of materialHandle back to the host,
// recalculates and redraws; false (and nothing changed) when none is held.
bool RestoreOriginalMaterial(const OriginalMaterialList& originals, unsigned materialHandle);

// Empties the module-level lists (start-up state), releasing their storage.
void ResetSurfaceMaterialStore();

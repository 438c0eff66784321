// Rebuilds the current materials from the selected surfaces after a pick and
// shows the first one's colour on the panel.
#pragma once

#include "SurfaceMaterialStore.h"

#include <cstdint>

// What the refresh needs of the tool panel. The panel implements it; the
// model knows nothing else of the panel's window.
class SelectionPanel {
public:
    // Hue in degrees, saturation and brightness 0 to 1, already raised to
    // their floors of 0.05; packedColor is the unclamped colour of the
    // material (red in bits 0-7, green 8-15, blue 16-23) for the sliders.
    virtual void ShowPickedColor(double hue, double saturation, double brightness, uint32_t packedColor) = 0;
    virtual OriginalMaterialList& RememberedMaterials() = 0;

protected:
    ~SelectionPanel() = default;
};

// Reads the materials of selectedSurfaces into currentMaterials (distinct handles, in selection order). With a panel and
// at least one material: shows the first material's colour on the panel and
// remembers that material's original state.
void RefreshSelectionMaterials(SelectionPanel* panel);

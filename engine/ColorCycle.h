// The colour that colour cycling and the sliders change: hue, saturation and
// brightness, the component that cycling steps, and the one direction that
// saturation and brightness share.
#pragma once

// The component that colour cycling changes; equals the index of the checked
// radio button of the group 1025, 1026, 1027.
enum CycleChannel : int { CycleHue = 0, CycleSaturation = 1, CycleBrightness = 2 };

// Direction of saturation and brightness cycling, +1 or -1; shared by both,
// +1 at load, kept across cycling runs and panels.
extern int cycleDirection;

namespace engine {

class ColorCycle {
public:
    // Takes a material's colour as the starting colour, raising saturation
    // and brightness to their floors of 0.05.
    void StartFrom(double pickedHue, double pickedSaturation, double pickedBrightness);
    // One step of cycleChannel (see CycleStep), moving cycleDirection.
    void Step();
    // A slider of channel moved to value.
    void Set(int channel, double value);

    double hue = 0.0;
    double saturation = 0.05;
    double brightness = 0.05;
    int cycleChannel = CycleHue;  // a CycleChannel
};

}  // namespace engine

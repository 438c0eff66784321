#include "ColorCycle.h"

#include "EngineSteps.h"

int cycleDirection = +1;

namespace engine {

namespace {
constexpr double kFloor = 0.05;
}

void ColorCycle::StartFrom(double pickedHue, double pickedSaturation, double pickedBrightness)
{
    hue = pickedHue;
    saturation = pickedSaturation < kFloor ? kFloor : pickedSaturation;
    brightness = pickedBrightness < kFloor ? kFloor : pickedBrightness;
}

void ColorCycle::Step()
{
    CycleColor color{hue, saturation, brightness};
    CycleStep(color, cycleChannel, cycleDirection);
    hue = color.hue;
    saturation = color.saturation;
    brightness = color.brightness;
}

void ColorCycle::Set(int channel, double value)
{
    if (channel == CycleHue)
        hue = value;
    else if (channel == CycleSaturation)
        saturation = value;
    else if (channel == CycleBrightness)
        brightness = value;
}

}  // namespace engine

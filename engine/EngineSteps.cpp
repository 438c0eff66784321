#include "EngineSteps.h"

namespace engine {

namespace {

void Swing(double& value, int& direction)
{
    value += direction * kComponentStep;
    if (value >= kComponentTop) {
        value = kComponentTop;
        direction = -1;
    }
    if (value <= kComponentBottom) {
        value = kComponentBottom;
        direction = +1;
    }
}

}  // namespace

void CycleStep(CycleColor& color, int channel, int& direction)
{
    switch (channel) {
    case 0:
        color.hue += kHueStep;
        if (color.hue >= 360.0)
            color.hue = kHueRestart;
        break;
    case 1:
        Swing(color.saturation, direction);
        break;
    case 2:
        Swing(color.brightness, direction);
        break;
    default:
        break;
    }
}

int StepBack(int index, int count)
{
    --index;
    return index < 1 ? count : index;
}

int StepForward(int index, int count)
{
    ++index;
    return index > count ? 1 : index;
}

int NumberAfter(int index, int offset, int count)
{
    index += offset;
    return index > count ? index - count : index;
}

int NumberBefore(int index, int offset, int count)
{
    index -= offset;
    return index < 1 ? index + count : index;
}

int ClampToList(int index, int count)
{
    if (count < 1 || index < 1)
        return 1;
    return index > count ? count : index;
}

std::string DefaultTextureFolderOf(const std::string& moduleFolder,
                                   const std::function<bool(const std::string&)>& folderExists)
{
    constexpr std::size_t kCut = 7;  // a six-letter folder name and its backslash
    if (moduleFolder.size() >= kCut) {
        std::string beside = moduleFolder.substr(0, moduleFolder.size() - kCut) + "map";
        if (folderExists && folderExists(beside))
            return beside;
    }
    return moduleFolder + "map";
}

std::string FillFormat(const char* format, const std::string& first, const std::string& second)
{
    std::string out;
    int next = 0;
    for (const char* p = format; *p != '\0'; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            out += next == 0 ? first : next == 1 ? second : std::string();
            ++next;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

}  // namespace engine

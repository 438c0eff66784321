// The portable arithmetic of the colour engine: the colour cycling step, the
// numbering of list items (stepping with wrap, the paged item menu) and the
// default texture folder. No window and no host here, so it is tested
// directly.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace engine {

// Shared by saturation and brightness cycling: +1 or -1.
struct CycleColor {
    double hue;         // degrees
    double saturation;  // 0 to 1
    double brightness;  // 0 to 1
};

constexpr double kHueStep = 5.0;
constexpr double kHueRestart = 5.0;
constexpr double kComponentStep = 0.02;
constexpr double kComponentTop = 1.0;
constexpr double kComponentBottom = 0.04;

// One cycling step of channel (0 hue, 1 saturation, 2 brightness). The hue
// turns by 5 degrees and starts again at 5 once it reaches 360; saturation
// and brightness move by direction x 0.02 and turn at 1.0 and at 0.04,
// which flips direction. Other channels change nothing.
void CycleStep(CycleColor& color, int channel, int& direction);

// index - 1; below 1 becomes count.
int StepBack(int index, int count);
// index + 1; above count becomes 1.
int StepForward(int index, int count);
// index + offset, minus count when that exceeds count: the number shown by
// entry offset of an item menu that starts at index.
int NumberAfter(int index, int offset, int count);
// index - offset, plus count when that falls below 1.
int NumberBefore(int index, int offset, int count);
// A number typed into the index box, made usable as a list position:
// clamped into 1..count (1 for an empty list).
int ClampToList(int index, int count);
// True when index is a position of a list of count items.
inline bool InList(int index, int count) { return index >= 1 && index <= count; }

// Item menu layout.
constexpr int kMenuEntries = 20;  // entries per page
constexpr int kPageStep = 19;     // a page moves by 19: its last entry starts the next
// A separator follows the entries 0, 5, 10 and 15 of a page.
inline bool SeparatorAfterEntry(int entry) { return entry % 5 == 0; }

// The texture folder used when none was chosen. The module folder (ending
// with a backslash) without its last 7 characters, then "map", is the "map"
// folder beside a module folder with a six-letter name; it is taken when
// folderExists says it is there. Otherwise (it is missing, or the module
// folder has fewer than 7 characters and nothing can be cut) the "map"
// folder inside the module folder.
std::string DefaultTextureFolderOf(const std::string& moduleFolder,
                                   const std::function<bool(const std::string&)>& folderExists);

// Fills the "%s" conversions of a message format with first and second, in
// that order (a third and later "%s" stay empty); other text is copied.
std::string FillFormat(const char* format, const std::string& first, const std::string& second = std::string());

}  // namespace engine

// The walk-through host's plug-in interface: a C ABI exported by the host
// executable. The plug-in resolves every function by name from the executable
// that loaded it (plugin/HostBinding.cpp); a test links a fake host that
// defines them directly; walkhost defines and exports them.
#pragma once

#include <stdint.h>

#if defined(_WIN32) && defined(HV_BUILDING_HOST)
#define HV_API __declspec(dllexport)
#else
#define HV_API
#endif

#ifdef __cplusplus
class HvString;
#else
typedef struct HvString { void* impl; } HvString;
#endif

typedef struct Vector3d {
    double x, y, z;
} Vector3d;

// Slots 0-5: (flags, x, y) in screen coordinates; slot 6: an event string.
typedef void (*VRPluginMouseCallback)(unsigned flags, int x, int y);
typedef void (*VRPluginEventCallback)(const char* event);

typedef struct VRPluginCallBack {
    VRPluginMouseCallback leftButtonDown;   // slot 0
    VRPluginMouseCallback leftButtonUp;     // slot 1
    VRPluginMouseCallback rightButtonDown;  // slot 2
    VRPluginMouseCallback rightButtonUp;    // slot 3
    VRPluginMouseCallback mouseMove;        // slot 4
    VRPluginMouseCallback doubleClick;      // slot 5
    VRPluginEventCallback hostEvent;        // slot 6: "go", "FileOpened", "NewModelLoaded"
} VRPluginCallBack;

#ifdef __cplusplus
struct OriginalMaterial;
extern "C" {
#else
typedef struct OriginalMaterial OriginalMaterial;
#endif

HV_API void HV_registerPlugin(VRPluginCallBack* table);
HV_API int HV_SceneEmpty(void);
HV_API void HV_pluginFinished(void);
HV_API unsigned HV_SelectSurfaceAtPoint(int x, int y);
HV_API void HV_SetSelection(int reserved, unsigned* surfaces, int count);
HV_API void HV_ClearSelection(void);
HV_API unsigned HV_GetMaterialHandle(unsigned surface);
HV_API int HV_GetMaterial(unsigned material, OriginalMaterial* out);
HV_API int HV_SetMaterial(unsigned material, OriginalMaterial* in);
HV_API void HV_CalculateSurfaceColor(void);
HV_API void HV_Redraw(void);
HV_API void HV_RgbToHsv(double r, double g, double b, double* h, double* s, double* v);
HV_API void HV_HsvToRgb(double h, double s, double v, double* r, double* g, double* b);

HV_API void HvString_Construct(HvString* s);
HV_API void HvString_Copy(HvString* s, const HvString* from);
HV_API void HvString_Destroy(HvString* s);
HV_API void HvString_Assign(HvString* s, const HvString* from);
HV_API void HvString_AssignText(HvString* s, const char* text);
HV_API const char* HvString_Text(const HvString* s);
HV_API int HvString_GetLength(const HvString* s);

#ifdef __cplusplus
}  // extern "C"

// The host's string, held by value: one pointer whose target the host owns.
// Every operation goes through the host's functions.
class HvString {
public:
    HvString() { HvString_Construct(this); }
    HvString(const HvString& other) { HvString_Copy(this, &other); }
    ~HvString() { HvString_Destroy(this); }
    HvString& operator=(const HvString& other)
    {
        if (this != &other)
            HvString_Assign(this, &other);
        return *this;
    }
    HvString& operator=(const char* text)
    {
        HvString_AssignText(this, text);
        return *this;
    }
    const char* Text() const { return HvString_Text(this); }
    int GetLength() const { return HvString_GetLength(this); }
    bool IsEmpty() const { return GetLength() == 0; }

    void* impl;  // the host's; never touched by the plug-in
};
#endif

// One material of the host, held and copied by value. The plug-in edits only
// mapFile[0] (the texture map) and color, and carries the rest along.
struct OriginalMaterial {
    HvString mapFile[6];
    int32_t params1[11];
    float color[3];  // r, g, b, 0 to 1
    int32_t params2[3];
    int32_t triple[3];
    int32_t params3[2];
    Vector3d vector;
    int32_t params4[4];
    int32_t triples[6][3];
    int32_t params5[6];
    int32_t params6[2];
};

#ifdef __cplusplus
static_assert(sizeof(HvString) == sizeof(void*), "HvString is one pointer");
#endif

// Names of the exported functions, in one list, for binding and for checks.
#define HV_FOR_EACH_EXPORT(X)                                                  \
    X(HV_registerPlugin) X(HV_SceneEmpty) X(HV_pluginFinished)                 \
    X(HV_SelectSurfaceAtPoint) X(HV_SetSelection) X(HV_ClearSelection)         \
    X(HV_GetMaterialHandle) X(HV_GetMaterial) X(HV_SetMaterial)                \
    X(HV_CalculateSurfaceColor) X(HV_Redraw) X(HV_RgbToHsv) X(HV_HsvToRgb)     \
    X(HvString_Construct) X(HvString_Copy) X(HvString_Destroy)                 \
    X(HvString_Assign) X(HvString_AssignText) X(HvString_Text)                 \
    X(HvString_GetLength)

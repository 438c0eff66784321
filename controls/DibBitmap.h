// An off-screen drawing surface: a memory device context that owns a 32-bit
// device-independent bitmap (DIB section) selected into it, so a control can
// write pixels straight into memory and copy the finished image to the screen.
#pragma once

#include "framework/Framework.h"

#include <cstdint>

// A DIB section. Rows run bottom-up (positive height).
class CDibBitmap : public CBitmap {
public:
    // Creates the section against reference (or none); false when the system
    // refuses (no memory, zero or negative size).
    bool Create(HDC reference, int width, int height, int bitsPerPixel);

    int width = 0;
    int height = 0;
    HBITMAP bitmap = nullptr;
    void* bits = nullptr;  // owned by the system together with the section
};

// Owns the memory device context attached to it and the DIB selected into it.
class CDibMemDC : public CMemoryDC {
public:
    CDibMemDC() = default;
    ~CDibMemDC() override;
    CDibMemDC(const CDibMemDC&) = delete;
    CDibMemDC& operator=(const CDibMemDC&) = delete;

    // Takes ownership of a memory device context (made with
    // CreateCompatibleDC), releasing and deleting any context held before.
    void Attach(HDC memoryDC);
    // Releases the DIB and deletes the context.
    void Destroy();

    // Creates a DIB of the given size and selects it into this context,
    // releasing any DIB selected before. The caller attaches a memory device
    // context first. On failure the context keeps the bitmap it had.
    bool CreateDIB(int width, int height, int bitsPerPixel);

    // Gives the context back its previous bitmap and deletes the DIB; does
    // nothing when no DIB is selected.
    void Release();

    bool HasDIB() const { return previousBitmap != nullptr; }
    const CDibBitmap& Image() const { return image; }
    CDibBitmap& Image() { return image; }

    // Pixel (x, y) counted from the top-left, as blue, green, red bytes; for
    // 32-bit DIBs only. Null when there is no DIB or (x, y) is outside.
    const std::uint8_t* Pixel(int x, int y) const;

private:
    void ForgetImage();

    HGDIOBJ previousBitmap = nullptr;
    CDibBitmap image;
};

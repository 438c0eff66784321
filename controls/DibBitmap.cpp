#include "DibBitmap.h"

bool CDibBitmap::Create(HDC reference, int w, int h, int bitsPerPixel)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bitsPerPixel);
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    const HBITMAP section = CreateDIBSection(reference, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (section == nullptr)
        return false;
    Attach(section);
    bitmap = section;
    bits = pixels;
    width = w;
    height = h;
    return true;
}

CDibMemDC::~CDibMemDC()
{
    Destroy();
}

void CDibMemDC::Attach(HDC memoryDC)
{
    Destroy();
    dc_ = memoryDC;
}

void CDibMemDC::Destroy()
{
    Release();
    DeleteDC();
}

bool CDibMemDC::CreateDIB(int w, int h, int bitsPerPixel)
{
    Release();
    if (!image.Create(GetSafeHdc(), w, h, bitsPerPixel))
        return false;
    const HGDIOBJ previous = SelectObject(GetSafeHdc(), image.bitmap);
    if (previous == nullptr || previous == HGDI_ERROR) {
        // Not a memory context (or none attached): the section cannot be used.
        ForgetImage();
        return false;
    }
    previousBitmap = previous;
    return true;
}

void CDibMemDC::Release()
{
    if (previousBitmap == nullptr)
        return;
    SelectObject(GetSafeHdc(), previousBitmap);
    previousBitmap = nullptr;
    ForgetImage();
}

void CDibMemDC::ForgetImage()
{
    image.DeleteObject();
    image.bitmap = nullptr;
    image.bits = nullptr;
    image.width = image.height = 0;
}

const std::uint8_t* CDibMemDC::Pixel(int x, int y) const
{
    if (previousBitmap == nullptr || image.bits == nullptr || x < 0 || y < 0 || x >= image.width || y >= image.height)
        return nullptr;
    // Rows are stored bottom-up; 32-bit rows need no padding.
    const std::size_t row = static_cast<std::size_t>(image.height - 1 - y);
    return static_cast<const std::uint8_t*>(image.bits) + (row * static_cast<std::size_t>(image.width) + static_cast<std::size_t>(x)) * 4;
}

#include "Gdi.h"

#include "Text.h"
#include "WinApp.h"

#include <climits>

// ---- Objects --------------------------------------------------------------------

CGdiObject& CGdiObject::operator=(CGdiObject&& other) noexcept
{
    if (this != &other) Attach(other.Detach());
    return *this;
}

void CGdiObject::Attach(HGDIOBJ object)
{
    if (object_ != object) DeleteObject();
    object_ = object;
}

bool CGdiObject::DeleteObject()
{
    if (!object_) return false;
    const bool deleted = ::DeleteObject(std::exchange(object_, nullptr)) != FALSE;
    return deleted;
}

bool CBitmap::LoadBitmap(UINT resourceId)
{
    Attach(::LoadImageW(fw::ResourceInstance(), MAKEINTRESOURCEW(resourceId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    return object_ != nullptr;
}

bool CBitmap::CreateCompatibleBitmap(HDC dc, int width, int height)
{
    Attach(::CreateCompatibleBitmap(dc, width, height));
    return object_ != nullptr;
}

bool CBitmap::CreateDIBSection32(HDC dc, int width, int height, void** bits)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down: row 0 is the top row
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    Attach(::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
    if (bits) *bits = object_ ? pixels : nullptr;
    return object_ != nullptr;
}

SIZE CBitmap::GetSize() const
{
    BITMAP bm{};
    if (!object_ || !::GetObjectW(object_, sizeof bm, &bm)) return SIZE{0, 0};
    return SIZE{bm.bmWidth, bm.bmHeight};
}

bool CFont::CreateFontIndirect(const LOGFONTW& font)
{
    Attach(::CreateFontIndirectW(&font));
    return object_ != nullptr;
}

bool CFont::CreatePointFont(int pointSizeTenths, std::string_view face, HDC dc)
{
    const HDC screen = dc ? dc : ::GetDC(nullptr);
    LOGFONTW font{};
    font.lfHeight = -MulDiv(pointSizeTenths, ::GetDeviceCaps(screen, LOGPIXELSY), 720);
    font.lfCharSet = DEFAULT_CHARSET;
    const std::wstring wide = fw::Widen(face);
    lstrcpynW(font.lfFaceName, wide.c_str(), LF_FACESIZE);
    if (!dc) ::ReleaseDC(nullptr, screen);
    return CreateFontIndirect(font);
}

bool CBrush::CreateSolidBrush(COLORREF color)
{
    Attach(::CreateSolidBrush(color));
    return object_ != nullptr;
}

bool CPen::CreatePen(int style, int width, COLORREF color)
{
    Attach(::CreatePen(style, width, color));
    return object_ != nullptr;
}

CIcon& CIcon::operator=(CIcon&& other) noexcept
{
    if (this != &other) {
        Destroy();
        icon_ = std::exchange(other.icon_, nullptr);
    }
    return *this;
}

void CIcon::Destroy()
{
    if (icon_) ::DestroyIcon(std::exchange(icon_, nullptr));
}

// ---- Device contexts -------------------------------------------------------------

namespace {
int Length(const std::wstring& text)
{
    return text.size() > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(text.size());
}
}  // namespace

void CDC::FillSolidRect(const RECT& rect, COLORREF color)
{
    const COLORREF old = ::SetBkColor(dc_, color);
    ::ExtTextOutW(dc_, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    ::SetBkColor(dc_, old);
}

void CDC::Draw3dRect(const RECT& rect, COLORREF topLeft, COLORREF bottomRight)
{
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    FillSolidRect(RECT{rect.left, rect.top, rect.left + width - 1, rect.top + 1}, topLeft);
    FillSolidRect(RECT{rect.left, rect.top, rect.left + 1, rect.top + height - 1}, topLeft);
    FillSolidRect(RECT{rect.right - 1, rect.top, rect.right, rect.bottom}, bottomRight);
    FillSolidRect(RECT{rect.left, rect.bottom - 1, rect.right, rect.bottom}, bottomRight);
}

bool CDC::BitBlt(int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD rop)
{
    return ::BitBlt(dc_, x, y, width, height, source, sourceX, sourceY, rop) != FALSE;
}

bool CDC::TextOut(int x, int y, std::string_view text)
{
    const std::wstring wide = fw::Widen(text);
    return ::TextOutW(dc_, x, y, wide.c_str(), Length(wide)) != FALSE;
}

int CDC::DrawText(std::string_view text, RECT& rect, UINT format)
{
    std::wstring wide = fw::Widen(text);
    return ::DrawTextW(dc_, wide.data(), Length(wide), &rect, format);
}

SIZE CDC::GetTextExtent(std::string_view text) const
{
    const std::wstring wide = fw::Widen(text);
    SIZE size{0, 0};
    ::GetTextExtentPoint32W(dc_, wide.c_str(), Length(wide), &size);
    return size;
}

CPaintDC::CPaintDC(HWND wnd) : wnd_(wnd)
{
    dc_ = ::BeginPaint(wnd, &paint_);
}

CPaintDC::~CPaintDC()
{
    ::EndPaint(wnd_, &paint_);
}

CClientDC::CClientDC(HWND wnd) : wnd_(wnd)
{
    dc_ = ::GetDC(wnd);
}

CClientDC::~CClientDC()
{
    if (dc_) ::ReleaseDC(wnd_, dc_);
}

CMemoryDC& CMemoryDC::operator=(CMemoryDC&& other) noexcept
{
    if (this != &other) {
        DeleteDC();
        dc_ = std::exchange(other.dc_, nullptr);
    }
    return *this;
}

bool CMemoryDC::CreateCompatibleDC(HDC compatibleWith)
{
    DeleteDC();
    dc_ = ::CreateCompatibleDC(compatibleWith);
    return dc_ != nullptr;
}

void CMemoryDC::DeleteDC()
{
    if (dc_) ::DeleteDC(std::exchange(dc_, nullptr));
}

// ---- Image list -------------------------------------------------------------------

CImageList& CImageList::operator=(CImageList&& other) noexcept
{
    if (this != &other) {
        DeleteImageList();
        list_ = std::exchange(other.list_, nullptr);
    }
    return *this;
}

bool CImageList::Create(int width, int height, UINT flags, int initial, int grow)
{
    DeleteImageList();
    list_ = ImageList_Create(width, height, flags, initial, grow);
    return list_ != nullptr;
}

bool CImageList::Create(UINT bitmapId, int width, int grow, COLORREF maskColor)
{
    CBitmap bitmap;
    if (!bitmap.LoadBitmap(bitmapId)) return false;
    const SIZE size = bitmap.GetSize();
    if (width <= 0 || size.cx < width) return false;
    if (!Create(width, size.cy, ILC_COLOR32 | ILC_MASK, size.cx / width, grow)) return false;
    return Add(bitmap, maskColor) >= 0;
}

int CImageList::Add(HBITMAP bitmap, COLORREF maskColor)
{
    return list_ ? ImageList_AddMasked(list_, bitmap, maskColor) : -1;
}

int CImageList::GetImageCount() const
{
    return list_ ? ImageList_GetImageCount(list_) : 0;
}

CIcon CImageList::MakeIcon(int index) const
{
    return CIcon(list_ ? ImageList_GetIcon(list_, index, ILD_NORMAL) : nullptr);
}

bool CImageList::Draw(HDC dc, int index, POINT point, UINT style) const
{
    return list_ && ImageList_Draw(list_, index, dc, point.x, point.y, style) != FALSE;
}

void CImageList::DeleteImageList()
{
    if (list_) ImageList_Destroy(std::exchange(list_, nullptr));
}

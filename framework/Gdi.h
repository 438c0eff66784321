// Owning, move-only wrappers of GDI objects and device contexts, a guard
// that puts back the object a selection replaced, and the image list.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string_view>
#include <utility>

// Owns one GDI object (bitmap, font, brush, pen) and deletes it.
class CGdiObject {
public:
    CGdiObject() = default;
    explicit CGdiObject(HGDIOBJ object) : object_(object) {}
    ~CGdiObject() { DeleteObject(); }
    CGdiObject(CGdiObject&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    CGdiObject& operator=(CGdiObject&& other) noexcept;
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    HGDIOBJ GetSafeHandle() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    // Takes ownership of object (deleting the one held before).
    void Attach(HGDIOBJ object);
    // Gives up ownership without deleting.
    HGDIOBJ Detach() { return std::exchange(object_, nullptr); }
    bool DeleteObject();

protected:
    HGDIOBJ object_ = nullptr;
};

class CBitmap : public CGdiObject {
public:
    CBitmap() = default;
    explicit CBitmap(HBITMAP bitmap) : CGdiObject(bitmap) {}
    operator HBITMAP() const { return static_cast<HBITMAP>(object_); }
    // From the resource instance.
    bool LoadBitmap(UINT resourceId);
    bool CreateCompatibleBitmap(HDC dc, int width, int height);
    // A top-down 32-bit DIB section; bits receives its pixels (BGRX).
    bool CreateDIBSection32(HDC dc, int width, int height, void** bits);
    SIZE GetSize() const;
};

class CFont : public CGdiObject {
public:
    operator HFONT() const { return static_cast<HFONT>(object_); }
    bool CreateFontIndirect(const LOGFONTW& font);
    // pointSize in tenths of a point; face in code page 936 (e.g. "宋体").
    bool CreatePointFont(int pointSizeTenths, std::string_view face, HDC dc = nullptr);
};

class CBrush : public CGdiObject {
public:
    CBrush() = default;
    explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
    operator HBRUSH() const { return static_cast<HBRUSH>(object_); }
    bool CreateSolidBrush(COLORREF color);
};

class CPen : public CGdiObject {
public:
    CPen() = default;
    CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }
    operator HPEN() const { return static_cast<HPEN>(object_); }
    bool CreatePen(int style, int width, COLORREF color);
};

// Owns an icon (DestroyIcon).
class CIcon {
public:
    CIcon() = default;
    explicit CIcon(HICON icon) : icon_(icon) {}
    ~CIcon() { Destroy(); }
    CIcon(CIcon&& other) noexcept : icon_(std::exchange(other.icon_, nullptr)) {}
    CIcon& operator=(CIcon&& other) noexcept;
    CIcon(const CIcon&) = delete;
    CIcon& operator=(const CIcon&) = delete;
    operator HICON() const { return icon_; }
    HICON Detach() { return std::exchange(icon_, nullptr); }
    void Destroy();

private:
    HICON icon_ = nullptr;
};

// A device context, not owned: drawing helpers with code page 936 text.
// The derived classes own theirs.
class CDC {
public:
    CDC() = default;
    explicit CDC(HDC dc) : dc_(dc) {}
    virtual ~CDC() = default;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC GetSafeHdc() const { return dc_; }
    operator HDC() const { return dc_; }

    void FillSolidRect(const RECT& rect, COLORREF color);
    void FillRect(const RECT& rect, HBRUSH brush) { ::FillRect(dc_, &rect, brush); }
    // Frame one pixel wide: topLeft colour on the top and left edges,
    // bottomRight colour on the bottom and right ones (rect is exclusive).
    void Draw3dRect(const RECT& rect, COLORREF topLeft, COLORREF bottomRight);
    bool MoveTo(int x, int y) { return ::MoveToEx(dc_, x, y, nullptr) != FALSE; }
    bool LineTo(int x, int y) { return ::LineTo(dc_, x, y) != FALSE; }
    bool BitBlt(int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD rop = SRCCOPY);
    bool TextOut(int x, int y, std::string_view text);
    int DrawText(std::string_view text, RECT& rect, UINT format);
    SIZE GetTextExtent(std::string_view text) const;
    COLORREF SetTextColor(COLORREF color) { return ::SetTextColor(dc_, color); }
    COLORREF SetBkColor(COLORREF color) { return ::SetBkColor(dc_, color); }
    int SetBkMode(int mode) { return ::SetBkMode(dc_, mode); }

protected:
    HDC dc_ = nullptr;
};

// BeginPaint/EndPaint for a WM_PAINT handler.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(HWND wnd);
    ~CPaintDC() override;
    const PAINTSTRUCT& Paint() const { return paint_; }

private:
    HWND wnd_;
    PAINTSTRUCT paint_{};
};

// GetDC/ReleaseDC of a window's client area.
class CClientDC : public CDC {
public:
    explicit CClientDC(HWND wnd);
    ~CClientDC() override;

private:
    HWND wnd_;
};

// A memory DC compatible with another (or the screen); deleted at the end.
// Move-only.
class CMemoryDC : public CDC {
public:
    CMemoryDC() = default;
    explicit CMemoryDC(HDC compatibleWith) { CreateCompatibleDC(compatibleWith); }
    ~CMemoryDC() override { DeleteDC(); }
    CMemoryDC(CMemoryDC&& other) noexcept { dc_ = std::exchange(other.dc_, nullptr); }
    CMemoryDC& operator=(CMemoryDC&& other) noexcept;
    bool CreateCompatibleDC(HDC compatibleWith);
    void DeleteDC();
};

// Selects object into dc and selects the previous object back at the end of
// the scope.
class CSelectGuard {
public:
    CSelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
    CSelectGuard(HDC dc, const CGdiObject& object) : CSelectGuard(dc, object.GetSafeHandle()) {}
    ~CSelectGuard()
    {
        if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
    }
    CSelectGuard(const CSelectGuard&) = delete;
    CSelectGuard& operator=(const CSelectGuard&) = delete;
    HGDIOBJ Old() const { return old_; }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// Owns an image list. Move-only.
class CImageList {
public:
    CImageList() = default;
    ~CImageList() { DeleteImageList(); }
    CImageList(CImageList&& other) noexcept : list_(std::exchange(other.list_, nullptr)) {}
    CImageList& operator=(CImageList&& other) noexcept;
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    HIMAGELIST GetSafeHandle() const { return list_; }
    operator HIMAGELIST() const { return list_; }
    // flags: ILC_COLOR32 | ILC_MASK and the like.
    bool Create(int width, int height, UINT flags, int initial, int grow);
    // width x height images cut from bitmap resource id; maskColor marks
    // the transparent pixels.
    bool Create(UINT bitmapId, int width, int grow, COLORREF maskColor);
    int Add(HBITMAP bitmap, COLORREF maskColor);
    int GetImageCount() const;
    // A new icon of image index; the caller owns it.
    CIcon MakeIcon(int index) const;
    bool Draw(HDC dc, int index, POINT point, UINT style = ILD_NORMAL) const;
    void DeleteImageList();

private:
    HIMAGELIST list_ = nullptr;
};

// GDI objects owned by small objects, so that none leaks on any path: fonts, bitmaps, icons and
// device contexts are freed with their owner, an object selected into a context is put back at
// the end of the scope, and a WM_PAINT's BeginPaint has its EndPaint.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <utility>

namespace ui::win32::gdi {

// Owns one handle and frees it with Free; moves, never copies.
template <class Handle, void (*Free)(Handle)>
class Owned {
public:
    Owned() = default;
    explicit Owned(Handle handle) : handle_(handle) {}
    ~Owned() { reset(); }
    Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Owned& operator=(Owned&& other) noexcept
    {
        if (this != &other) reset(std::exchange(other.handle_, nullptr));
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void reset(Handle handle = nullptr)
    {
        if (handle_ != nullptr) Free(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = nullptr;
};

template <class Handle>
void DeleteGdiObject(Handle object)
{
    ::DeleteObject(object);
}
inline void DestroyIconHandle(HICON icon) { ::DestroyIcon(icon); }
inline void DeleteDcHandle(HDC dc) { ::DeleteDC(dc); }

using Font = Owned<HFONT, DeleteGdiObject<HFONT>>;
using Bitmap = Owned<HBITMAP, DeleteGdiObject<HBITMAP>>;
using Icon = Owned<HICON, DestroyIconHandle>;
// A memory device context (CreateCompatibleDC).
using MemoryDc = Owned<HDC, DeleteDcHandle>;

// Selects an object into a device context for the life of the scope; a null object selects
// nothing.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ object) : dc_(dc), old_(object != nullptr ? ::SelectObject(dc, object) : nullptr)
    {}
    ~Selected()
    {
        if (old_ != nullptr) ::SelectObject(dc_, old_);
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// The screen's device context (GetDC of no window) for the life of the scope.
class ScreenDc {
public:
    ScreenDc() : dc_(::GetDC(nullptr)) {}
    ~ScreenDc() { ::ReleaseDC(nullptr, dc_); }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

// One WM_PAINT of a window: BeginPaint now, EndPaint at the end of the scope.
class PaintScope {
public:
    explicit PaintScope(HWND hwnd) : hwnd_(hwnd), dc_(::BeginPaint(hwnd, &paint_)) {}
    ~PaintScope() { ::EndPaint(hwnd_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC Dc() const { return dc_; }

private:
    HWND hwnd_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// Draws a window for WM_PAINT, between BeginPaint and EndPaint, and for WM_PRINTCLIENT, into the
// context it gives; false for any other message.
template <class Draw>
bool Painted(HWND hwnd, UINT message, WPARAM wParam, Draw&& draw)
{
    if (message == WM_PAINT) {
        const PaintScope paint(hwnd);
        draw(paint.Dc());
        return true;
    }
    if (message == WM_PRINTCLIENT) {
        draw(reinterpret_cast<HDC>(wParam));
        return true;
    }
    return false;
}

}  // namespace ui::win32::gdi

#include "ui_test_support.h"

#include <objidl.h>

#include <gdiplus.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace uitest {

void ExpectLaidOut(ui::Form& form, UINT dpi)
{
    auto px = [dpi](int twips) { return ::MulDiv(twips, static_cast<int>(dpi), 1440); };
    const ui::FormDesign& design = form.Design();
    RECT client{};
    ::GetClientRect(HwndOf(form), &client);
    EXPECT_EQ(client.right, px(design.clientWidth));
    EXPECT_EQ(client.bottom, px(design.clientHeight));
    for (const ui::ControlDesign& control : design.controls) {
        if (control.kind == ui::Kind::SkinEngine) continue;
        SCOPED_TRACE(control.name);
        const ui::Control handle = form.Find<ui::Control>(control.name);
        HWND hwnd = HwndOf(handle);
        HWND parent =
            control.container.empty() ? HwndOf(form) : HwndOf(form.Find<ui::Control>(control.container));
        EXPECT_EQ(::GetParent(hwnd), parent);
        const ui::Rect twips = handle.Bounds();
        const RECT rc = RectInParent(hwnd);
        EXPECT_EQ(rc.left, px(twips.left));
        EXPECT_EQ(rc.top, px(twips.top));
        EXPECT_EQ(rc.right - rc.left, px(twips.width));
        EXPECT_EQ(rc.bottom - rc.top, px(twips.height));
    }
}

void ChangeDpi(ui::Form& form, UINT dpi)
{
    RECT window{};
    ::GetWindowRect(HwndOf(form), &window);
    ::SendMessageW(HwndOf(form), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&window));
}

RECT RectInParent(HWND hwnd)
{
    RECT rc{};
    ::GetWindowRect(hwnd, &rc);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(hwnd), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

std::wstring WindowText(HWND hwnd)
{
    const int length = ::GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = ::GetWindowTextW(hwnd, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(got));
    return text;
}

std::wstring ListText(HWND combo, int index)
{
    const LRESULT length = ::SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT got = ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                       reinterpret_cast<LPARAM>(text.data()));
    text.resize(got == CB_ERR ? 0 : static_cast<std::size_t>(got));
    return text;
}

std::wstring ClassName(HWND hwnd)
{
    wchar_t name[64] = {};
    ::GetClassNameW(hwnd, name, 64);
    return name;
}

std::uint32_t Rgb(const skin::Colour& colour)
{
    return (std::uint32_t{colour.r} << 16) | (std::uint32_t{colour.g} << 8) | colour.b;
}

std::uint32_t Rgb(COLORREF colour)
{
    return (std::uint32_t{GetRValue(colour)} << 16) | (std::uint32_t{GetGValue(colour)} << 8) |
           GetBValue(colour);
}

bool Near(std::uint32_t a, std::uint32_t b, int tolerance)
{
    for (int shift : {0, 8, 16}) {
        const int x = static_cast<int>((a >> shift) & 0xFF);
        const int y = static_cast<int>((b >> shift) & 0xFF);
        if (x - y > tolerance || y - x > tolerance) return false;
    }
    return true;
}

std::string Hex(std::uint32_t colour)
{
    char text[16];
    std::snprintf(text, sizeof text, "#%06x", colour & 0xFFFFFF);
    return text;
}

std::vector<std::uint32_t> DecodePicture(const std::wstring& path, int& width, int& height)
{
    std::unique_ptr<Gdiplus::Bitmap> bitmap(Gdiplus::Bitmap::FromFile(path.c_str()));
    if (!bitmap || bitmap->GetLastStatus() != Gdiplus::Ok)
        throw std::runtime_error("cannot decode a picture");
    width = static_cast<int>(bitmap->GetWidth());
    height = static_cast<int>(bitmap->GetHeight());
    std::vector<std::uint32_t> pixels;
    pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Gdiplus::Color colour;
            bitmap->GetPixel(x, y, &colour);
            pixels.push_back((std::uint32_t{colour.GetR()} << 16) | (std::uint32_t{colour.GetG()} << 8) |
                             colour.GetB());
        }
    }
    return pixels;
}

}  // namespace uitest

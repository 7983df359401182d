// The window at other screen scales: laid out again from twips when the dpi changes, with
// fonts of the same points and a banner that stays sharp; and the banner itself, unscaled.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "ui_test_support.h"

namespace {

using uitest::HwndOf;

const std::wstring kResources = L"" TESSALINE_SOURCE_DIR "/resources/";

LONG FontHeight(HWND hwnd)
{
    LOGFONTW font{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(hwnd, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font.lfHeight;
}

int BigIconWidth(HWND hwnd)
{
    ICONINFO info{};
    if (!::GetIconInfo(reinterpret_cast<HICON>(::SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0)), &info))
        return 0;
    BITMAP bitmap{};
    ::GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    return bitmap.bmWidth;
}

// The face and the metrics of the font a control draws with, as the system realises it.
TEXTMETRICW Realised(HWND hwnd, std::wstring& face)
{
    const ui::win32::gdi::ScreenDc dc;
    const ui::win32::gdi::Selected font(dc.get(),
                                        reinterpret_cast<HFONT>(::SendMessageW(hwnd, WM_GETFONT, 0, 0)));
    wchar_t name[LF_FACESIZE] = {};
    ::GetTextFaceW(dc.get(), LF_FACESIZE, name);
    face = name;
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc.get(), &metrics);
    return metrics;
}

// Compares points of the banner picture box with the picture file, pixel for pixel.
void ExpectBanner(ui::Form& form, const wchar_t* file, int scale)
{
    int width = 0, height = 0;
    const std::vector<std::uint32_t> picture = uitest::DecodePicture(kResources + file, width, height);
    ASSERT_EQ(width, 206 * scale);
    ASSERT_EQ(height, 220 * scale);
    const uitest::Capture drawn(form);
    HWND box = HwndOf(form.Find<ui::Control>("picBanner"));
    RECT rc{};
    ::GetClientRect(box, &rc);
    for (const POINT at : {POINT{0, 0}, POINT{7, 11}, POINT{40, 90}, POINT{rc.right - 1, rc.bottom - 1}}) {
        const std::uint32_t expected = picture[static_cast<std::size_t>(at.y * width + at.x)];
        EXPECT_TRUE(uitest::Near(drawn.At(box, at.x, at.y), expected, 2))
            << "at " << at.x << "," << at.y << ": drawn " << uitest::Hex(drawn.At(box, at.x, at.y))
            << ", picture " << uitest::Hex(expected);
    }
}

class Scaled : public testing::Test {
protected:
    void SetUp() override
    {
        form->Show();
        uitest::ChangeDpi(*form, 96);
    }
    ui::FormDesign design = window_test::SmallDesign();
    std::unique_ptr<ui::Form> form = std::make_unique<ui::Form>(design);
};

TEST(Manifest, TheProgramIsPerMonitorDpiAwareWithCommonControlsSix)
{
    HMODULE program = ::GetModuleHandleW(nullptr);
    HRSRC resource = ::FindResourceW(program, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
    ASSERT_NE(resource, nullptr);
    const std::string manifest(static_cast<const char*>(::LockResource(::LoadResource(program, resource))),
                               ::SizeofResource(program, resource));
    EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_EQ(::GetAwarenessFromDpiAwarenessContext(::GetThreadDpiAwarenessContext()),
              DPI_AWARENESS_PER_MONITOR_AWARE);
}

// Where the system has no per-monitor dpi (before Windows 10 1607) every window has the system's
// dpi: the runtime's answers then are those that Windows 10's calls give at that dpi.
TEST(Dpi, WithoutWindows10sCallsTheSystemDpiGivesTheSameLayout)
{
    const ui::win32::DpiCalls& calls = ui::win32::SystemDpiCalls();
    ASSERT_NE(calls.dpiForWindow, nullptr);  // where the tests run, the calls are there
    ASSERT_NE(calls.adjustWindowRectExForDpi, nullptr);
    ASSERT_NE(calls.systemMetricsForDpi, nullptr);
    const ui::win32::DpiCalls none;
    const UINT system = ui::win32::SystemDpi();
    ui::Form form(window_test::SmallDesign());
    EXPECT_EQ(ui::win32::WindowDpi(HwndOf(form), none), system);
    EXPECT_EQ(ui::win32::WindowDpi(HwndOf(form), calls), ::GetDpiForWindow(HwndOf(form)));
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    const SIZE fallback = ui::win32::FrameSize(SIZE{300, 200}, style, 0, system, none);
    const SIZE newer = ui::win32::FrameSize(SIZE{300, 200}, style, 0, system, calls);
    EXPECT_EQ(fallback.cx, newer.cx);
    EXPECT_EQ(fallback.cy, newer.cy);
    EXPECT_GT(fallback.cy, 200);  // a caption
    for (int metric : {SM_CXICON, SM_CXSMICON})
        EXPECT_EQ(ui::win32::SystemMetricForDpi(metric, system, none),
                  ::GetSystemMetricsForDpi(metric, system));
}

// At 96 dpi the labels have the design's face, which Windows has as a bitmap face drawn for that
// size; at 150 % a scalable one, of the same points.
TEST_F(Scaled, TheDesignFaceAt96DpiAndAScalableOneAbove)
{
    HWND label = HwndOf(form->Find<ui::Control>("lbTitle"));
    std::wstring face;
    TEXTMETRICW metrics = Realised(label, face);
    EXPECT_EQ(face, L"MS Sans Serif");
    EXPECT_EQ(metrics.tmHeight - metrics.tmInternalLeading, 11);  // 8.25 points
    uitest::ChangeDpi(*form, 144);
    metrics = Realised(label, face);
    EXPECT_NE(metrics.tmPitchAndFamily & (TMPF_TRUETYPE | TMPF_VECTOR), 0)
        << "a bitmap face: " << face.c_str();
    EXPECT_NEAR(metrics.tmHeight - metrics.tmInternalLeading, 17, 1);
}

TEST_F(Scaled, TheBannerIsTheProgramsPictureUnscaledAtTheTopLeft) { ExpectBanner(*form, L"banner.jpg", 1); }

TEST_F(Scaled, AtTwiceTheDpiEverythingIsTwiceAsLargeAndTheBannerHasTwiceThePixels)
{
    uitest::ChangeDpi(*form, 192);
    uitest::ExpectLaidOut(*form, 192);
    EXPECT_EQ(FontHeight(HwndOf(form->Find<ui::Control>("lbTitle"))), -22);
    EXPECT_EQ(FontHeight(HwndOf(form->Find<ui::Control>("lbBig"))), -26);
    EXPECT_EQ(FontHeight(HwndOf(form->Find<ui::Control>("cmdOk"))), -22);
    EXPECT_EQ(BigIconWidth(HwndOf(*form)), ::GetSystemMetricsForDpi(SM_CXICON, 192));
    ExpectBanner(*form, L"banner@2x.jpg", 2);
}

TEST_F(Scaled, AtOneAndAHalfAndBackTheLayoutFollows)
{
    uitest::ChangeDpi(*form, 144);
    uitest::ExpectLaidOut(*form, 144);
    EXPECT_EQ(FontHeight(HwndOf(form->Find<ui::Control>("lbTitle"))),
              -17);  // 8.25 pt at 144 dpi: 16.5 pixels
    EXPECT_EQ(FontHeight(HwndOf(form->Find<ui::Control>("lbBig"))), -20);
    // The list's field keeps its design height at every scale.
    RECT rc = uitest::RectInParent(HwndOf(form->Find<ui::Control>("cmbList")));
    EXPECT_EQ(rc.bottom - rc.top, ::MulDiv(315, 144, 1440));

    uitest::ChangeDpi(*form, 96);
    uitest::ExpectLaidOut(*form, 96);
    EXPECT_EQ(FontHeight(HwndOf(form->Find<ui::Control>("lbTitle"))), -11);
    ExpectBanner(*form, L"banner.jpg", 1);
}

}  // namespace

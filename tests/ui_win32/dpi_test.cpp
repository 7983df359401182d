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

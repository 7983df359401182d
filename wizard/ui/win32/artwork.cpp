// The fonts, the banner and the icons of a window, made for the dpi it is laid out at.
#include "wizard/ui/win32/runtime.h"

#include <objidl.h>
#include <shlwapi.h>

#include <gdiplus.h>

#include <cmath>
#include <memory>

#include "platform/ansi_win.h"

namespace ui::win32 {
namespace {

// The scalable face that takes the place of a bitmap design face at sizes it was not drawn for.
constexpr const wchar_t* kOutlineFace = L"Microsoft Sans Serif";

// The design's face at points for dpi, where it renders as designed: a scalable face at any size,
// a bitmap face (Windows' own "MS Sans Serif" is one, drawn for 8 and 10 points at 96 dpi) only
// where it has the very size. Elsewhere (150 %, 200 %) the system would draw a bitmap face at a
// size of its own, too small or blurred, and its outline successor takes its place.
gdi::Font MakeFont(const std::string& face, double points, UINT dpi)
{
    const LONG height = static_cast<LONG>(std::lround(points * dpi / 72.0));
    auto make = [height](const std::wstring& name) {
        LOGFONTW font{};
        font.lfHeight = -height;
        font.lfWeight = FW_NORMAL;
        font.lfCharSet = DEFAULT_CHARSET;
        font.lfOutPrecision = OUT_DEFAULT_PRECIS;
        font.lfQuality = DEFAULT_QUALITY;
        name.copy(font.lfFaceName, LF_FACESIZE - 1);
        return gdi::Font(::CreateFontIndirectW(&font));
    };
    gdi::Font font = make(platform::win::Utf8ToWide(face));
    TEXTMETRICW metrics{};
    {
        const gdi::MemoryDc dc(::CreateCompatibleDC(nullptr));
        const gdi::Selected selected(dc.get(), font.get());
        ::GetTextMetricsW(dc.get(), &metrics);
    }
    const bool scalable = (metrics.tmPitchAndFamily & (TMPF_TRUETYPE | TMPF_VECTOR)) != 0;
    if (!scalable && metrics.tmHeight - metrics.tmInternalLeading != height) {
        gdi::Font outline = make(kOutlineFace);
        if (outline) font = std::move(outline);
    }
    return font;
}

struct ReleaseStream {
    void operator()(IStream* stream) const { stream->Release(); }
};

// The banner picture of the program's resources, decoded by GDI+ and scaled for dpi when the
// resource does not have the size wanted; null when the program holds none.
gdi::Bitmap LoadBanner(UINT dpi)
{
    HMODULE module = ::GetModuleHandleW(nullptr);
    const wchar_t* name = dpi > 96 ? kBanner2xResource : kBannerResource;
    HRSRC resource = ::FindResourceW(module, name, MAKEINTRESOURCEW(10));  // RT_RCDATA
    if (resource == nullptr && name != kBannerResource)
        resource = ::FindResourceW(module, kBannerResource, MAKEINTRESOURCEW(10));
    if (resource == nullptr) return {};
    HGLOBAL loaded = ::LoadResource(module, resource);
    const auto* bytes = static_cast<const BYTE*>(::LockResource(loaded));
    const DWORD size = ::SizeofResource(module, resource);
    if (bytes == nullptr || size == 0) return {};
    const std::unique_ptr<IStream, ReleaseStream> stream(::SHCreateMemStream(bytes, size));
    if (!stream) return {};
    const std::unique_ptr<Gdiplus::Bitmap> source(Gdiplus::Bitmap::FromStream(stream.get()));
    if (!source || source->GetLastStatus() != Gdiplus::Ok) return {};

    const int width = Scaled(206, dpi);
    const int height = Scaled(220, dpi);
    HBITMAP bitmap = nullptr;
    if (static_cast<int>(source->GetWidth()) == width && static_cast<int>(source->GetHeight()) == height) {
        source->GetHBITMAP(Gdiplus::Color(255, 255, 255), &bitmap);
        return gdi::Bitmap(bitmap);
    }
    Gdiplus::Bitmap scaled(width, height, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics g(&scaled);
        g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
        g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
        Gdiplus::ImageAttributes edges;
        edges.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
        g.DrawImage(source.get(), Gdiplus::Rect(0, 0, width, height), 0, 0,
                    static_cast<INT>(source->GetWidth()), static_cast<INT>(source->GetHeight()),
                    Gdiplus::UnitPixel, &edges);
    }
    scaled.GetHBITMAP(Gdiplus::Color(255, 255, 255), &bitmap);
    return gdi::Bitmap(bitmap);
}

gdi::Icon LoadIconFor(int metric, UINT dpi)
{
    const int size = SystemMetricForDpi(metric, dpi);
    return gdi::Icon(static_cast<HICON>(
        ::LoadImageW(::GetModuleHandleW(nullptr), kIconResource, IMAGE_ICON, size, size, 0)));
}

}  // namespace

Artwork::Artwork(const FormDesign& design, UINT dpi)
    : windowFont_(MakeFont(design.labelFont, kWindowFontPoints, dpi)),
      banner_(LoadBanner(dpi)),
      bigIcon_(LoadIconFor(SM_CXICON, dpi)),
      smallIcon_(LoadIconFor(SM_CXSMICON, dpi))
{
    for (const ControlDesign& control : design.controls) {
        if (control.kind != Kind::SkinLabel) continue;
        const double points = control.fontPoints > 0 ? control.fontPoints : kWindowFontPoints;
        if (labelFonts_.count(points) == 0)
            labelFonts_.emplace(points, MakeFont(design.labelFont, points, dpi));
    }
}

HFONT Artwork::LabelFont(double points) const
{
    const auto found = labelFonts_.find(points > 0 ? points : kWindowFontPoints);
    return found != labelFonts_.end() ? found->second.get() : windowFont_.get();
}

}  // namespace ui::win32

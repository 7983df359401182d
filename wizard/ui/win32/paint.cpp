#include "wizard/ui/win32/paint.h"

#include <objidl.h>

#include <gdiplus.h>

#include <algorithm>
#include <string>

#include "platform/ansi_win.h"

namespace ui::win32::paint {
namespace {

using Gdiplus::Graphics;
using Gdiplus::GraphicsPath;
using Gdiplus::PointF;
using Gdiplus::REAL;
using Gdiplus::RectF;

Gdiplus::Color ToColor(const skin::Colour& c) { return Gdiplus::Color(c.a, c.r, c.g, c.b); }
COLORREF ToColorRef(const skin::Colour& c) { return RGB(c.r, c.g, c.b); }

// A paint into a memory bitmap of the target's client size, copied to the target at the end.
class Buffer {
public:
    Buffer(HDC target, int width, int height)
        : target_(target),
          width_(std::max(width, 1)),
          height_(std::max(height, 1)),
          dc_(::CreateCompatibleDC(target)),
          bitmap_(::CreateCompatibleBitmap(target, width_, height_)),
          selected_(dc_.get(), bitmap_.get())
    {}

    HDC Dc() const { return dc_.get(); }
    void CopyAll() const { ::BitBlt(target_, 0, 0, width_, height_, dc_.get(), 0, 0, SRCCOPY); }
    void CopyPart(const RECT& part) const
    {
        ::BitBlt(target_, part.left, part.top, part.right - part.left, part.bottom - part.top, dc_.get(),
                 part.left, part.top, SRCCOPY);
    }

private:
    HDC target_;
    int width_;
    int height_;
    gdi::MemoryDc dc_;
    gdi::Bitmap bitmap_;
    gdi::Selected selected_;  // last, so that the bitmap is put back before it is deleted
};

RECT ClientRect(HWND hwnd)
{
    RECT rc{};
    ::GetClientRect(hwnd, &rc);
    return rc;
}

void PrepareGraphics(Graphics& g)
{
    g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    // Pixel i covers i to i + 1, as in GDI: a line at i + 0.5 fills exactly that row.
    g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
}

// A rectangle with rounded corners, each radius its own (0: square).
void AddRounded(GraphicsPath& path, const RectF& r, REAL topLeft, REAL topRight, REAL bottomRight,
                REAL bottomLeft)
{
    const REAL limit = std::min(r.Width, r.Height) / 2;
    auto corner = [limit](REAL radius) { return std::clamp(radius, REAL(0), limit) * 2; };
    const REAL tl = corner(topLeft), tr = corner(topRight), br = corner(bottomRight), bl = corner(bottomLeft);
    const REAL right = r.X + r.Width, bottom = r.Y + r.Height;
    if (tl > 0)
        path.AddArc(r.X, r.Y, tl, tl, 180, 90);
    else
        path.AddLine(r.X, r.Y, r.X, r.Y);
    if (tr > 0)
        path.AddArc(right - tr, r.Y, tr, tr, 270, 90);
    else
        path.AddLine(right, r.Y, right, r.Y);
    if (br > 0)
        path.AddArc(right - br, bottom - br, br, br, 0, 90);
    else
        path.AddLine(right, bottom, right, bottom);
    if (bl > 0)
        path.AddArc(r.X, bottom - bl, bl, bl, 90, 90);
    else
        path.AddLine(r.X, bottom, r.X, bottom);
    path.CloseFigure();
}

// Fills a path with a vertical gradient whose stops run from y0 to y1 (the gradient may span
// more than the path: the form's gradient spans the whole window whatever part is drawn).
void FillVertical(Graphics& g, const GraphicsPath& path, REAL y0, REAL y1,
                  const std::vector<skin::GradientStop>& stops)
{
    if (stops.empty()) return;
    if (y1 <= y0 + 1) y1 = y0 + 1;
    Gdiplus::LinearGradientBrush brush(PointF(0, y0), PointF(0, y1), ToColor(stops.front().colour),
                                       ToColor(stops.back().colour));
    std::vector<Gdiplus::Color> colours;
    std::vector<REAL> positions;
    for (const skin::GradientStop& stop : stops) {
        colours.push_back(ToColor(stop.colour));
        positions.push_back(static_cast<REAL>(stop.at));
    }
    brush.SetInterpolationColors(colours.data(), positions.data(), static_cast<INT>(stops.size()));
    // Beyond its ends the gradient mirrors instead of starting again, so no stray line of the
    // other end's colour shows at an edge.
    brush.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
    g.FillPath(&brush, &path);
}

void FillVertical(Graphics& g, const RectF& area, REAL y0, REAL y1,
                  const std::vector<skin::GradientStop>& stops)
{
    GraphicsPath path;
    path.AddRectangle(area);
    FillVertical(g, path, y0, y1, stops);
}

// A box in the style sheet's manner: a border of lineWidth inside the rectangle, rounded by
// radius at its outer edge, and the fill inside it.
struct Box {
    RectF outer;
    REAL radius = 0;
    REAL lineWidth = 1;
};

// The background fills the whole box, under the border too; the border is a ring drawn over
// it. Both are fills of shapes on whole pixels, which every GDI+ draws alike.
void FillBox(Graphics& g, const Box& box, const std::vector<skin::GradientStop>& stops)
{
    GraphicsPath path;
    AddRounded(path, box.outer, box.radius, box.radius, box.radius, box.radius);
    FillVertical(g, path, box.outer.Y, box.outer.Y + box.outer.Height, stops);
}

void StrokeBox(Graphics& g, const Box& box, const skin::Colour& colour)
{
    const REAL w = box.lineWidth;
    const RectF inner(box.outer.X + w, box.outer.Y + w, box.outer.Width - 2 * w, box.outer.Height - 2 * w);
    const REAL innerRadius = std::max(box.radius - w, REAL(0));
    GraphicsPath ring(Gdiplus::FillModeAlternate);
    AddRounded(ring, box.outer, box.radius, box.radius, box.radius, box.radius);
    if (inner.Width > 0 && inner.Height > 0)
        AddRounded(ring, inner, innerRadius, innerRadius, innerRadius, innerRadius);
    Gdiplus::SolidBrush brush(ToColor(colour));
    g.FillPath(&brush, &ring);
}

std::vector<skin::GradientStop> Plain(const skin::Colour& colour) { return {{0, colour}, {1, colour}}; }

REAL LineWidth(UINT dpi) { return static_cast<REAL>(std::max(Scaled(1, dpi), 1)); }

// The chain of frames that hold a control, the outermost first.
std::vector<const ChildControl*> FramesAround(const ChildControl& control)
{
    std::vector<const ChildControl*> frames;
    for (const ChildControl* c = control.Container(); c != nullptr; c = c->Container()) frames.push_back(c);
    std::reverse(frames.begin(), frames.end());
    return frames;
}

PointF OriginIn(HWND from, HWND target)
{
    POINT origin{0, 0};
    ::MapWindowPoints(from, target, &origin, 1);
    return PointF(static_cast<REAL>(origin.x), static_cast<REAL>(origin.y));
}

// A frame's own surface, drawn with its client origin at origin.
void FrameSurface(Graphics& g, const ChildControl& frame, const skin::SkinModel& look, PointF origin)
{
    const UINT dpi = frame.Form().Dpi();
    const RECT rc = ClientRect(frame.Hwnd());
    const RectF outer(origin.X, origin.Y, static_cast<REAL>(rc.right), static_cast<REAL>(rc.bottom));
    const REAL line = LineWidth(dpi);
    switch (frame.Design().role) {
    case Role::Separator: {
        // A line in the dark colour over one in the light colour.
        Gdiplus::SolidBrush dark(ToColor(look.separator.dark));
        Gdiplus::SolidBrush light(ToColor(look.separator.light));
        g.FillRectangle(&dark, RectF(outer.X, outer.Y, outer.Width, line));
        g.FillRectangle(&light, RectF(outer.X, outer.Y + outer.Height - line, outer.Width, line));
        return;
    }
    case Role::Trough: {
        const Box box{outer, static_cast<REAL>(Scaled(look.trough.radius, dpi)), line};
        FillBox(g, box, skin::GlossyStops(look.trough.top, look.trough.bottom, 0));
        StrokeBox(g, box, look.trough.border);
        return;
    }
    default: {
        const Box box{outer, static_cast<REAL>(Scaled(look.frame.radius, dpi)), line};
        if (frame.Design().role == Role::Page) FillBox(g, box, Plain(look.frame.background));
        StrokeBox(g, box, look.frame.border);
        return;
    }
    }
}

// What shows through a control: the form's gradient and the surfaces of the frames around it,
// drawn in the control's client coordinates.
void Underlay(Graphics& g, const ChildControl& control, const skin::SkinModel& look)
{
    const FormWindow& form = control.Form();
    const RECT rc = ClientRect(control.Hwnd());
    const PointF formOrigin = OriginIn(form.Hwnd(), control.Hwnd());
    FillVertical(g, RectF(0, 0, static_cast<REAL>(rc.right), static_cast<REAL>(rc.bottom)), formOrigin.Y,
                 formOrigin.Y + static_cast<REAL>(form.ClientHeightPixels()),
                 {{0, look.window.top}, {1, look.window.bottom}});
    for (const ChildControl* frame : FramesAround(control))
        FrameSurface(g, *frame, look, OriginIn(frame->Hwnd(), control.Hwnd()));
}

void DrawText(HDC dc, const std::wstring& text, RECT area, HFONT font, COLORREF colour, UINT format)
{
    const gdi::Selected selected(dc, font);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, colour);
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, format);
}

// The closed field of a skinned list, the whole of it, into dc.
void DrawComboFace(const ChildControl& combo, const skin::SkinModel& look, HDC dc)
{
    const FormWindow& form = combo.Form();
    const UINT dpi = form.Dpi();
    const auto& c = look.combo;
    const RECT rc = ClientRect(combo.Hwnd());
    const REAL width = static_cast<REAL>(rc.right), height = static_cast<REAL>(rc.bottom);
    const REAL line = LineWidth(dpi);
    const bool enabled = ::IsWindowEnabled(combo.Hwnd()) != FALSE;
    const bool focus = ::GetFocus() == combo.Hwnd();
    {
        Graphics g(dc);
        PrepareGraphics(g);
        Underlay(g, combo, look);
        const REAL radius = static_cast<REAL>(Scaled(c.radius, dpi));
        const Box box{RectF(0, 0, width, height), radius, line};
        FillBox(g, box, skin::GlossyStops(c.top, c.bottom, 0));

        // The drop-down button inside the border at the right, with a line on its left.
        const REAL buttonWidth = static_cast<REAL>(Scaled(16, dpi));
        const RectF button(width - line - buttonWidth, line, buttonWidth, height - 2 * line);
        const REAL inner = static_cast<REAL>(Scaled(std::max(c.radius - 1, 0), dpi));
        GraphicsPath buttonPath;
        AddRounded(buttonPath, button, 0, inner, inner, 0);
        FillVertical(g, buttonPath, button.Y, button.Y + button.Height,
                     skin::GlossyStops(c.buttonTop, c.buttonBottom, look.button.gloss));
        Gdiplus::SolidBrush divider(ToColor(c.border));
        g.FillRectangle(&divider, RectF(button.X, button.Y, line, button.Height));

        const skin::Colour border = focus ? c.focusBorder : combo.Hovered() ? c.hoverBorder : c.border;
        StrokeBox(g, box, border);

        // The arrow: a triangle pointing down, in the middle of the button.
        const REAL half =
            std::min(button.Width - static_cast<REAL>(Scaled(4, dpi)), static_cast<REAL>(Scaled(8, dpi))) / 2;
        if (half > 0) {
            const PointF centre(button.X + button.Width / 2,
                                button.Y + button.Height / 2 + static_cast<REAL>(Scaled(1, dpi)) / 2);
            const PointF points[3] = {PointF(centre.X - half, centre.Y - half / 2),
                                      PointF(centre.X + half, centre.Y - half / 2),
                                      PointF(centre.X, centre.Y + half / 2 + 0.5f)};
            Gdiplus::SolidBrush arrow(ToColor(skin::ArrowColour(look, enabled)));
            g.FillPolygon(&arrow, points, 3);
        }
    }
    const RECT text{Scaled(1 + 5, dpi), 0, rc.right - Scaled(1 + 18, dpi), rc.bottom};
    DrawText(dc, combo.ShownItem(combo.CurrentIndex()), text, form.WindowFont(),
             ToColorRef(enabled ? c.text : c.disabledText),
             DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void DrawButton(const ChildControl& button, const skin::SkinModel& look, const DRAWITEMSTRUCT& item)
{
    const UINT dpi = button.Form().Dpi();
    const RECT rc = ClientRect(button.Hwnd());
    const Buffer buffer(item.hDC, rc.right, rc.bottom);
    skin::ButtonStates states;
    states.disabled = (item.itemState & ODS_DISABLED) != 0;
    states.pressed = (item.itemState & ODS_SELECTED) != 0;
    states.focus = (item.itemState & ODS_FOCUS) != 0;
    states.hover = button.Hovered();
    states.isDefault = button.Design().isDefault;
    const skin::ButtonLook face = skin::ButtonLookFor(look, states);
    {
        Graphics g(buffer.Dc());
        PrepareGraphics(g);
        Underlay(g, button, look);
        const Box box{RectF(0, 0, static_cast<REAL>(rc.right), static_cast<REAL>(rc.bottom)),
                      static_cast<REAL>(Scaled(look.button.radius, dpi)), LineWidth(dpi)};
        FillBox(g, box, skin::GlossyStops(face.top, face.bottom, look.button.gloss));
        StrokeBox(g, box, face.border);
    }
    const RECT text{Scaled(6, dpi), 0, rc.right - Scaled(6, dpi), rc.bottom};
    UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    if ((item.itemState & ODS_NOACCEL) != 0) format |= DT_HIDEPREFIX;
    DrawText(buffer.Dc(), WindowTextOf(button.Hwnd()), text, button.Form().WindowFont(),
             ToColorRef(face.text), format);
    buffer.CopyAll();
}

void DrawComboItem(const ChildControl& combo, const std::optional<skin::SkinModel>& look,
                   const DRAWITEMSTRUCT& item)
{
    if ((item.itemState & ODS_COMBOBOXEDIT) != 0 && look) {
        // The list paints its field on its own at times (a new pick, the focus): the field is drawn
        // whole and the item's part of it copied, so it matches the face around it.
        const RECT rc = ClientRect(combo.Hwnd());
        const Buffer buffer(item.hDC, rc.right, rc.bottom);
        DrawComboFace(combo, *look, buffer.Dc());
        buffer.CopyPart(item.rcItem);
        return;
    }
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    COLORREF back = ::GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    COLORREF fore = ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
    if (look) {
        back = ToColorRef(selected ? look->combo.selectionBackground : look->combo.listBackground);
        fore = ToColorRef(selected ? look->combo.selectionText : look->combo.listText);
    }
    if (disabled) {
        back = ::GetSysColor(COLOR_BTNFACE);
        fore = ::GetSysColor(COLOR_GRAYTEXT);
    }
    ::SetBkColor(item.hDC, back);
    ::ExtTextOutW(item.hDC, 0, 0, ETO_OPAQUE, &item.rcItem, nullptr, 0, nullptr);
    RECT text = item.rcItem;
    text.left += Scaled(3, combo.Form().Dpi());
    DrawText(item.hDC, combo.ShownItem(static_cast<int>(item.itemID)), text, combo.Form().WindowFont(), fore,
             DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    if ((item.itemState & ODS_FOCUS) != 0 && (item.itemState & ODS_NOFOCUSRECT) == 0 && !look)
        ::DrawFocusRect(item.hDC, &item.rcItem);
}

void DrawPicture(const ChildControl& picture, const std::optional<skin::SkinModel>& look,
                 const DRAWITEMSTRUCT& item)
{
    const FormWindow& form = picture.Form();
    const RECT rc = ClientRect(picture.Hwnd());
    const Buffer buffer(item.hDC, rc.right, rc.bottom);
    const ControlDesign& design = picture.Design();
    if (design.role == Role::Progress) {
        // The bar's own colour, with the skin's gloss over it once skinned.
        Graphics g(buffer.Dc());
        PrepareGraphics(g);
        const int gloss = look ? look->progress.gloss : 0;
        FillVertical(g, RectF(0, 0, static_cast<REAL>(rc.right), static_cast<REAL>(rc.bottom)), 0,
                     static_cast<REAL>(rc.bottom), skin::ProgressGlossStops(design.fill, gloss));
    } else {
        if (look) {
            Graphics g(buffer.Dc());
            PrepareGraphics(g);
            Underlay(g, picture, *look);
        } else {
            ::FillRect(buffer.Dc(), &rc, ::GetSysColorBrush(COLOR_BTNFACE));
        }
        HBITMAP banner = design.role == Role::Banner ? form.Banner() : nullptr;
        if (banner != nullptr) {
            // Unscaled, at the top left; the runtime keeps one made for the dpi.
            BITMAP info{};
            ::GetObjectW(banner, sizeof info, &info);
            const gdi::MemoryDc source(::CreateCompatibleDC(buffer.Dc()));
            const gdi::Selected selected(source.get(), banner);
            ::BitBlt(buffer.Dc(), 0, 0, info.bmWidth, info.bmHeight, source.get(), 0, 0, SRCCOPY);
        }
    }
    buffer.CopyAll();
}

}  // namespace

void FormBackground(const FormWindow& form, HDC dc)
{
    const RECT rc = ClientRect(form.Hwnd());
    if (!form.Look()) {
        ::FillRect(dc, &rc, ::GetSysColorBrush(COLOR_BTNFACE));
        return;
    }
    const Buffer buffer(dc, rc.right, rc.bottom);
    {
        Graphics g(buffer.Dc());
        PrepareGraphics(g);
        FillVertical(g, RectF(0, 0, static_cast<REAL>(rc.right), static_cast<REAL>(rc.bottom)), 0,
                     static_cast<REAL>(form.ClientHeightPixels()),
                     {{0, form.Look()->window.top}, {1, form.Look()->window.bottom}});
    }
    buffer.CopyAll();
}

void Frame(const ChildControl& frame, HDC dc)
{
    RECT rc = ClientRect(frame.Hwnd());
    const Buffer buffer(dc, rc.right, rc.bottom);
    const std::optional<skin::SkinModel>& look = frame.Form().Look();
    if (look) {
        Graphics g(buffer.Dc());
        PrepareGraphics(g);
        Underlay(g, frame, *look);
        FrameSurface(g, frame, *look, PointF(0, 0));
    } else {
        // The sunken box, or line, of a plain frame.
        ::FillRect(buffer.Dc(), &rc, ::GetSysColorBrush(COLOR_BTNFACE));
        ::DrawEdge(buffer.Dc(), &rc, EDGE_ETCHED, frame.Design().role == Role::Separator ? BF_TOP : BF_RECT);
    }
    buffer.CopyAll();
}

void Label(const ChildControl& label, HDC dc)
{
    const std::optional<skin::SkinModel>& look = label.Form().Look();
    if (!look) return;
    const RECT rc = ClientRect(label.Hwnd());
    const Buffer buffer(dc, rc.right, rc.bottom);
    {
        Graphics g(buffer.Dc());
        PrepareGraphics(g);
        Underlay(g, label, *look);
    }
    // Labels are transparent: where labels overlap, each one's text shows through the others
    // (the one on top hides the rest of its area from those below, so it draws their text too).
    HWND own = label.Hwnd();
    RECT area{};
    ::GetWindowRect(own, &area);
    for (HWND sibling = ::GetWindow(own, GW_HWNDLAST); sibling != nullptr;
         sibling = ::GetWindow(sibling, GW_HWNDPREV)) {
        const ChildControl* shown = label.Form().ControlOf(sibling);
        if (shown == nullptr || shown->Design().kind != Kind::SkinLabel) continue;
        RECT other{};
        RECT common{};
        ::GetWindowRect(sibling, &other);
        if (sibling != own && (!::IsWindowVisible(sibling) || !::IntersectRect(&common, &area, &other)))
            continue;
        const bool enabled = ::IsWindowEnabled(sibling) != FALSE;
        const COLORREF colour = enabled ? ToColorRef(look->label.text) : ::GetSysColor(COLOR_GRAYTEXT);
        const HFONT font = reinterpret_cast<HFONT>(::SendMessageW(sibling, WM_GETFONT, 0, 0));
        ::OffsetRect(&other, -area.left, -area.top);
        DrawText(buffer.Dc(), WindowTextOf(sibling), other, font, colour,
                 DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    }
    buffer.CopyAll();
}

void ComboFace(const ChildControl& combo, HDC dc)
{
    const std::optional<skin::SkinModel>& look = combo.Form().Look();
    if (!look) return;
    const RECT rc = ClientRect(combo.Hwnd());
    const Buffer buffer(dc, rc.right, rc.bottom);
    DrawComboFace(combo, *look, buffer.Dc());
    buffer.CopyAll();
}

void DrawItem(const FormWindow& form, const DRAWITEMSTRUCT& item)
{
    const ChildControl* control = form.ControlOf(item.hwndItem);
    if (control == nullptr) return;
    switch (control->Design().kind) {
    case Kind::Button:
        if (form.Look()) DrawButton(*control, *form.Look(), item);
        return;
    case Kind::ComboBox: DrawComboItem(*control, form.Look(), item); return;
    case Kind::PictureBox: DrawPicture(*control, form.Look(), item); return;
    default: return;
    }
}

int ListItemHeight(const FormWindow& form)
{
    const gdi::ScreenDc dc;
    TEXTMETRICW metrics{};
    const gdi::Selected selected(dc.get(), form.WindowFont());
    ::GetTextMetricsW(dc.get(), &metrics);
    return static_cast<int>(metrics.tmHeight) + Scaled(4, form.Dpi());
}

}  // namespace ui::win32::paint

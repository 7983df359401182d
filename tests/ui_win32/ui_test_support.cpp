#include "ui_test_support.h"

#include <objidl.h>

#include <gdiplus.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>

#include "platform/wide_win.h"
#include "wizard/ui/win32/runtime.h"

namespace uitest {
namespace {

using platform::win::Utf8ToWide;
using platform::win::WideToUtf8;

ui::ControlDesign Control(const char* name, ui::Kind kind, const char* container, ui::Rect rect, int tabIndex,
                          const char* text = "")
{
    ui::ControlDesign design;
    design.name = name;
    design.kind = kind;
    design.container = container;
    design.rect = rect;
    design.tabIndex = tabIndex;
    design.text = text;
    return design;
}

std::map<std::string, ChildScenario>& Scenarios()
{
    static std::map<std::string, ChildScenario> scenarios;
    return scenarios;
}

std::wstring Quoted(const std::wstring& argument) { return L"\"" + argument + L"\""; }

std::wstring ThisProgram()
{
    std::wstring path(32768, L'\0');
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length);
    return path;
}

std::string ReadFileText(const std::wstring& path)
{
    std::string text;
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (file == nullptr) return text;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
    std::fclose(file);
    return text;
}

}  // namespace

ui::FormDesign SmallDesign()
{
    using ui::Kind;
    using ui::Role;
    ui::FormDesign form;
    form.name = "frmSmall";
    form.caption = "Small window";
    form.clientWidth = 4500;
    form.clientHeight = 3000;
    form.labelFont = "MS Sans Serif";

    auto& c = form.controls;
    c.push_back(Control("fraPage", Kind::Frame, "", {1500, -30, 2940, 2370}, 1));
    c.back().role = Role::Page;
    c.push_back(Control("cmdOk", Kind::Button, "", {3360, 2550, 1080, 330}, 3, "&Ok"));
    c.back().isDefault = true;
    c.push_back(Control("cmdCancel", Kind::Button, "", {2160, 2550, 1080, 330}, 4, "&Cancel"));
    c.push_back(Control("lbTitle", Kind::SkinLabel, "fraPage", {150, 150, 2700, 195}, 9, "Tom & Jerry"));
    c.back().fontPoints = 8.25;
    c.push_back(Control("cmbList", Kind::ComboBox, "fraPage", {150, 450, 2640, 315}, 0));
    c.push_back(Control("lbBig", Kind::SkinLabel, "fraPage", {150, 900, 2700, 405}, 10, "Big text"));
    c.back().fontPoints = 9.75;
    c.push_back(Control("fraTrough", Kind::Frame, "fraPage", {150, 1800, 2640, 375}, 6));
    c.back().role = Role::Trough;
    c.push_back(Control("pBar", Kind::PictureBox, "fraTrough", {45, 135, 1500, 195}, 7));
    c.back().role = Role::Progress;
    c.back().fill = {20, 33, 152};
    c.push_back(Control("picBanner", Kind::PictureBox, "", {0, 0, 1440, 2760}, 5));
    c.back().role = Role::Banner;
    c.back().accessibleName = "Tessaline";
    c.push_back(Control("fraHidden", Kind::Frame, "", {1500, 2400, 600, 600}, 2));
    c.back().visible = false;
    c.push_back(Control("cmdHidden", Kind::Button, "fraHidden", {0, 0, 600, 330}, 0, "&Hidden"));
    c.push_back(Control("fraLine", Kind::Frame, "", {1500, 2430, 2940, 30}, 8));
    c.back().role = Role::Separator;
    c.push_back(Control("skn", Kind::SkinEngine, "", {}, 11));
    form.skin.author = "The tests";
    return form;
}

bool RunEventsUntil(const std::function<bool()>& done, int seconds)
{
    static Pipe silent;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        ui::RunWindowEvents(reinterpret_cast<std::intptr_t>(silent.read), 10);
    }
    return true;
}

void RunEventsFor(int milliseconds)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    RunEventsUntil([&] { return std::chrono::steady_clock::now() >= until; });
}

HWND Hwnd(ui::Form& form) { return reinterpret_cast<HWND>(form.Handle()); }

HWND Hwnd(ui::Control& control)
{
    // The control's own window, as the runtime made it.
    return dynamic_cast<ui::win32::ChildControl&>(control).Hwnd();
}

void ExpectLaidOut(ui::Form& form, const ui::FormDesign& design, UINT dpi)
{
    auto px = [dpi](int twips) { return ::MulDiv(twips, static_cast<int>(dpi), 1440); };
    RECT client{};
    ::GetClientRect(Hwnd(form), &client);
    EXPECT_EQ(client.right, px(design.clientWidth));
    EXPECT_EQ(client.bottom, px(design.clientHeight));
    for (const ui::ControlDesign& control : design.controls) {
        if (control.kind == ui::Kind::SkinEngine) continue;
        SCOPED_TRACE(control.name);
        HWND hwnd = Hwnd(form.Find(control.name));
        HWND parent = control.container.empty() ? Hwnd(form) : Hwnd(form.Find(control.container));
        EXPECT_EQ(::GetParent(hwnd), parent);
        const ui::Rect twips = form.Find(control.name).Bounds();
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
    ::GetWindowRect(Hwnd(form), &window);
    ::SendMessageW(Hwnd(form), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&window));
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

std::wstring ClassName(HWND hwnd)
{
    wchar_t name[64] = {};
    ::GetClassNameW(hwnd, name, 64);
    return name;
}

Capture::Capture(ui::Form& form) : form_(Hwnd(form))
{
    ::RedrawWindow(form_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RunEventsFor(50);
    RECT rc{};
    ::GetClientRect(form_, &rc);
    width_ = rc.right;
    height_ = rc.bottom;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC window = ::GetDC(form_);
    HDC memory = ::CreateCompatibleDC(window);
    HBITMAP bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width_, height_, window, 0, 0, SRCCOPY);
    ::GdiFlush();
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    pixels_.assign(pixels, pixels + static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
    for (auto& pixel : pixels_) pixel &= 0xFFFFFF;
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(form_, window);
}

std::uint32_t Capture::At(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        throw std::out_of_range("no pixel " + std::to_string(x) + "," + std::to_string(y));
    return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                   static_cast<std::size_t>(x)];
}

std::uint32_t Capture::At(HWND control, int x, int y) const
{
    POINT point{x, y};
    ::MapWindowPoints(control, form_, &point, 1);
    return At(point.x, point.y);
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

Pipe::Pipe()
{
    if (!::CreatePipe(&read, &write, nullptr, 0)) throw std::runtime_error("no pipe");
}

Pipe::~Pipe()
{
    if (read != nullptr) ::CloseHandle(read);
    if (write != nullptr) ::CloseHandle(write);
}

ChildOutcome RunChild(const std::string& scenario, const std::vector<std::string>& arguments,
                      const std::vector<std::pair<std::string, std::string>>& environment)
{
    wchar_t folder[MAX_PATH];
    ::GetTempPathW(MAX_PATH, folder);
    wchar_t record[MAX_PATH];
    ::GetTempFileNameW(folder, L"msg", 0, record);

    std::wstring commandLine = Quoted(ThisProgram()) + L" --child " + Quoted(Utf8ToWide(scenario)) +
                               L" --messages " + Quoted(record);
    for (const std::string& argument : arguments) commandLine += L" " + Quoted(Utf8ToWide(argument));

    std::vector<std::pair<std::wstring, std::wstring>> saved;
    for (const auto& [name, value] : environment) {
        const std::wstring wideName = Utf8ToWide(name);
        wchar_t old[32768];
        const DWORD length = ::GetEnvironmentVariableW(wideName.c_str(), old, 32768);
        saved.emplace_back(wideName, length > 0 ? std::wstring(old, length) : std::wstring(1, L'\0'));
        ::SetEnvironmentVariableW(wideName.c_str(), Utf8ToWide(value).c_str());
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const BOOL started = ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                          nullptr, &startup, &process);
    for (const auto& [name, value] : saved)
        ::SetEnvironmentVariableW(name.c_str(), value == std::wstring(1, L'\0') ? nullptr : value.c_str());

    ChildOutcome outcome;
    if (!started) return outcome;
    // A child that shows a box nobody closes, or hangs, fails the test here rather than never.
    if (::WaitForSingleObject(process.hProcess, 60000) == WAIT_TIMEOUT) {
        ::TerminateProcess(process.hProcess, 99);
        ::WaitForSingleObject(process.hProcess, 5000);
    }
    DWORD status = 0;
    ::GetExitCodeProcess(process.hProcess, &status);
    outcome.status = static_cast<int>(status);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    outcome.messages = ReadFileText(record);
    ::DeleteFileW(record);
    return outcome;
}

void RecordMessageBoxesTo(const std::string& path)
{
    ui::SetMessageBoxObserver([path](const std::string& text, platform::MessageIcon icon) {
        if (FILE* file = _wfopen(Utf8ToWide(path).c_str(), L"ab")) {
            std::fprintf(file, "%d|%s\n", static_cast<int>(icon), text.c_str());
            std::fclose(file);
        }
        return true;
    });
}

void RegisterChildScenario(const std::string& name, ChildScenario scenario)
{
    Scenarios()[name] = std::move(scenario);
}

int RunChildScenario(const std::string& name, const std::vector<std::string>& arguments)
{
    const auto found = Scenarios().find(name);
    if (found == Scenarios().end()) return 98;
    return found->second(arguments);
}

}  // namespace uitest

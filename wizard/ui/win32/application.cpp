// The toolkit for the whole run: the window classes, the message loop, message boxes, the end of
// the program and the window events that run while a tool runs.
#include "wizard/ui/win32/runtime.h"

#include <commctrl.h>
#include <objidl.h>

#include <gdiplus.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <exception>
#include <utility>

#include "platform/ansi_win.h"
#include "platform/handle_win.h"

namespace ui {
namespace {

using Clock = std::chrono::steady_clock;

// The pipe is looked at this often while the window waits for a message: anonymous pipes
// cannot be waited on.
constexpr DWORD kPipePollMs = 1;
// The control that holds a message box's text, in Windows' own message boxes and Wine's.
constexpr int kMessageBoxTextId = 0xFFFF;

// The message box on view, for the hook that shows it to the observer.
struct BoxWatch {
    platform::MessageIcon icon = platform::MessageIcon::None;
    HWND seen = nullptr;
    std::exception_ptr failure;
};
BoxWatch* g_watch = nullptr;

// Sees the message box of this thread come on view, hands its text (as the box shows it) to
// the observer, and presses OK when the observer asks.
LRESULT CALLBACK WatchBoxes(int code, WPARAM wParam, LPARAM lParam)
{
    BoxWatch* watch = g_watch;
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && watch != nullptr && watch->seen == nullptr && call->message == WM_SHOWWINDOW &&
        call->wParam != FALSE) {
        wchar_t className[16] = {};
        ::GetClassNameW(call->hwnd, className, 16);
        if (std::wcscmp(className, L"#32770") == 0) {
            watch->seen = call->hwnd;
            const std::string text =
                platform::win::WideToUtf8(win32::WindowTextOf(::GetDlgItem(call->hwnd, kMessageBoxTextId)));
            if (native::AskMessageBoxObserver(text, watch->icon, watch->failure))
                ::PostMessageW(call->hwnd, WM_COMMAND, IDOK, 0);
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// Runs every message waiting; false when the program was asked to quit (the request is put back
// for the main loop).
bool RunPending()
{
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        win32::DispatchOne(message);
    }
    return true;
}

// True when reading the pipe would not block: data is there, or the pipe has broken.
bool PipeReady(platform::NativeHandle readHandle)
{
    DWORD available = 0;
    if (!::PeekNamedPipe(platform::win::AsHandle(readHandle), nullptr, 0, nullptr, &available, nullptr))
        return true;
    return available > 0;
}

}  // namespace

namespace win32 {

void InitRuntime()
{
    static const bool started = [] {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&controls);
        static ULONG_PTR gdiplusToken = 0;
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&gdiplusToken, &input, nullptr);

        HINSTANCE instance = ::GetModuleHandleW(nullptr);
        WNDCLASSEXW form{};
        form.cbSize = sizeof form;
        form.lpfnWndProc = FormProc;
        form.hInstance = instance;
        form.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        form.lpszClassName = kFormClass;
        form.hIcon =
            static_cast<HICON>(::LoadImageW(instance, kIconResource, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
        ::RegisterClassExW(&form);

        WNDCLASSEXW frame{};
        frame.cbSize = sizeof frame;
        frame.lpfnWndProc = FrameProc;
        frame.hInstance = instance;
        frame.hCursor = form.hCursor;
        frame.lpszClassName = kFrameClass;
        ::RegisterClassExW(&frame);
        return true;
    }();
    (void)started;
}

}  // namespace win32

struct Application::Data {};

Application::Application(int& argc, char** argv) : d(std::make_unique<Data>())
{
    (void)argc;
    (void)argv;
    win32::InitRuntime();
}

Application::~Application() = default;

int Application::Exec()
{
    MSG message;
    for (;;) {
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(message.wParam);
        if (got == -1) return 1;
        win32::DispatchOne(message);
    }
}

void ShowMessage(const std::string& text, platform::MessageIcon icon)
{
    UINT type = MB_OK | MB_SETFOREGROUND;
    if (icon == platform::MessageIcon::Information) type |= MB_ICONINFORMATION;
    if (icon == platform::MessageIcon::Critical) type |= MB_ICONERROR;
    // Modal to our window when one is on view; otherwise to every window of the program.
    HWND owner = nullptr;
    for (const win32::FormWindow* form : win32::FormWindow::All())
        if (::IsWindowVisible(form->Hwnd())) owner = form->Hwnd();
    if (owner == nullptr) type |= MB_TASKMODAL;

    BoxWatch watch;
    watch.icon = icon;
    BoxWatch* outer = g_watch;
    HHOOK hook = nullptr;
    if (native::HasMessageBoxObserver()) {
        g_watch = &watch;
        hook = ::SetWindowsHookExW(WH_CALLWNDPROCRET, WatchBoxes, nullptr, ::GetCurrentThreadId());
    }
    const std::string ansi = platform::win::Utf8ToAnsi(text);
    ::MessageBoxA(owner, ansi.c_str(), platform::kAppTitle, type);
    if (hook != nullptr) ::UnhookWindowsHookEx(hook);
    g_watch = outer;
    if (watch.failure) std::rethrow_exception(watch.failure);
}

void EndNow(int status)
{
    std::fflush(nullptr);
    ::ExitProcess(static_cast<UINT>(status));
}

void RunWindowEvents(platform::NativeHandle readHandle, int maxWaitMs)
{
    // While a tool runs, the runner holds the system timer at 1 ms steps for these waits
    // (platform::FineTimer); the window asks for nothing of its own, so the step is given back
    // as soon as the tool ends.
    bool running = RunPending();
    if (maxWaitMs <= 0) return;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(maxWaitMs);
    for (;;) {
        if (PipeReady(readHandle)) return;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return;
        const DWORD slice = std::min<DWORD>(kPipePollMs, static_cast<DWORD>(left));
        if (!running) {
            // A quit request is waiting for the main loop: only the pipe is watched.
            ::Sleep(slice);
            continue;
        }
        // Wakes at once for a window message, else after the slice to look at the pipe again.
        if (::MsgWaitForMultipleObjectsEx(0, nullptr, slice, QS_ALLINPUT, MWMO_INPUTAVAILABLE) ==
            WAIT_OBJECT_0)
            running = RunPending();
    }
}

}  // namespace ui

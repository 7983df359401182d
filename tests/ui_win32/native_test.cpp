// What the Win32 runtime makes of a design, beside what both runtimes show the same way
// (tests/window): real controls of each class and style, the default button's style before and
// after the skin, a label right before the list it names, and a window that stays after its close.
#include <gtest/gtest.h>

#include <memory>

#include "app_folder.h"
#include "platform/ansi_win.h"
#include "ui_test_support.h"

#include <commctrl.h>

namespace {

using uitest::ClassName;
using uitest::HwndOf;
using uitest::WindowText;

const std::string kShippedSkin = std::string(TESSALINE_SOURCE_DIR) + "/skin/winaqua.skn";

class NativeControls : public testing::Test {
protected:
    HWND Control(const char* name) { return HwndOf(form->Find<ui::Control>(name)); }
    std::unique_ptr<ui::Form> form = std::make_unique<ui::Form>(window_test::SmallDesign());
};

TEST_F(NativeControls, AreRealControlsOfTheirKind)
{
    EXPECT_EQ(_wcsicmp(ClassName(Control("cmdOk")).c_str(), L"Button"), 0);
    HWND list = Control("cmbList");
    EXPECT_EQ(_wcsicmp(ClassName(list).c_str(), L"ComboBox"), 0);
    EXPECT_EQ(::GetWindowLongW(list, GWL_STYLE) & 3, CBS_DROPDOWNLIST);
    HWND label = Control("lbTitle");
    EXPECT_EQ(_wcsicmp(ClassName(label).c_str(), L"Static"), 0);
    EXPECT_NE(::GetWindowLongW(label, GWL_STYLE) & SS_NOPREFIX, 0);
    EXPECT_NE(::GetWindowLongW(Control("fraTrough"), GWL_EXSTYLE) & WS_EX_CONTROLPARENT, 0);
    EXPECT_EQ(WindowText(Control("picBanner")), L"Tessaline");  // its accessible name
    EXPECT_EQ(_wcsicmp(ClassName(HwndOf(*form)).c_str(), ui::win32::kFormClass), 0);
    // A label that names a control sits right before it, where screen readers look for a name.
    EXPECT_EQ(::GetWindow(list, GW_HWNDPREV), label);
}

TEST_F(NativeControls, TheDefaultButtonIsOwnerDrawnOnceSkinned)
{
    EXPECT_EQ(LOWORD(::SendMessageW(HwndOf(*form), DM_GETDEFID, 0, 0)), ::GetDlgCtrlID(Control("cmdOk")));
    EXPECT_EQ(::GetWindowLongW(Control("cmdOk"), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    ui::SkinEngine engine = form->Find<ui::SkinEngine>("skn");
    engine.LoadSkinFile(kShippedSkin);
    engine.ApplySkin(*form);
    EXPECT_EQ(::GetWindowLongW(Control("cmdOk"), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    EXPECT_EQ(::GetWindowLongW(Control("cmdCancel"), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
}

// The native list takes two items and then refuses more, as a list out of room does.
LRESULT CALLBACK FullAfterTwo(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    if (message == CB_ADDSTRING && ::DefSubclassProc(hwnd, CB_GETCOUNT, 0, 0) >= 2) return CB_ERRSPACE;
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

TEST_F(NativeControls, AnItemTheNativeListRefusesStaysTheLogics)
{
    ui::ComboBox list = form->Find<ui::ComboBox>("cmbList");
    HWND native = HwndOf(list);
    ASSERT_TRUE(::SetWindowSubclass(native, FullAfterTwo, 7, 0));
    for (const char* item : {"1,0,0  One", "2,0,0  Two", "3,0,0  Three", "4,0,0  Four"})
        EXPECT_NO_THROW(list.AddItem(item));
    EXPECT_EQ(::SendMessageW(native, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(list.ListCount(), 4);
    EXPECT_EQ(list.List(3), "4,0,0  Four");
    list.SetListIndex(2);
    EXPECT_EQ(list.ListIndex(), 2);
    EXPECT_EQ(list.Text(), "3,0,0  Three");
    list.SetListIndex(1);
    EXPECT_EQ(::SendMessageW(native, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(list.Text(), "2,0,0  Two");
    list.Clear();
    ::RemoveWindowSubclass(native, FullAfterTwo, 7);
    list.AddItem("5,0,0  Five");
    EXPECT_EQ(::SendMessageW(native, CB_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(list.List(0), "5,0,0  Five");
}

// What the native list shows: a NUL character as a blank (the logic reads the item whole,
// tests/window), and an accented letter as itself.
TEST_F(NativeControls, AListShowsANulCharacterAsABlankAndAccentsAsThemselves)
{
    ui::ComboBox list = form->Find<ui::ComboBox>("cmbList");
    list.AddItem(std::string("1,0,0  A\0B", 10));
    list.AddItem("2,0,0  Premi\xC3\xA8re");
    EXPECT_EQ(uitest::ListText(HwndOf(list), 0), L"1,0,0  A B");
    EXPECT_EQ(uitest::ListText(HwndOf(list), 1), L"2,0,0  Premi\u00e8re");
}

TEST_F(NativeControls, TheWindowStaysAfterItsCloseBox)
{
    form->Show();
    HWND hwnd = HwndOf(*form);
    window_test::PressCloseBox(*form);
    EXPECT_FALSE(::IsWindowVisible(hwnd));
    EXPECT_TRUE(::IsWindow(hwnd));
}

// The real window: the list's and the buttons' windows on page 1, as the dialog keyboard
// handling sees them.
TEST(NativeWizard, PageOneAsTheDialogKeyboardSeesIt)
{
    window_test::AppFolder fx;
    fx.RecordProgramHooks();
    frmSelectDriver view;
    view.Form_Load();
    view.Window().Show();
    ASSERT_TRUE(window_test::Activate(view.Window()));
    HWND form = HwndOf(view.Window());
    HWND list = HwndOf(view.cmbDriverList);
    EXPECT_EQ(::SendMessageW(list, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(::SendMessageW(list, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(::GetFocus(), list);
    EXPECT_EQ(::GetNextDlgTabItem(form, list, FALSE), HwndOf(view.cmdNext));
    EXPECT_EQ(::GetNextDlgTabItem(form, HwndOf(view.cmdNext), FALSE), list);
    EXPECT_EQ(LOWORD(::SendMessageW(form, DM_GETDEFID, 0, 0)), ::GetDlgCtrlID(HwndOf(view.cmdNext)));
    EXPECT_EQ(::GetWindowLongW(HwndOf(view.cmdNext), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    EXPECT_EQ(WindowText(form), platform::win::Utf8ToWide(window_test::ShippedText("2000")));
}

// The writers of the shipped demonstration scenario, which the Windows installer ships as its
// only tool, say that they are simulated, and each line shows whole in the list's box.
TEST(NativeWizard, TheShippedScenariosWritersSaySimulatedAndShowWhole)
{
    window_test::AppFolder fx;
    fx.RecordProgramHooks();
    fx.WriteScenario(window_test::ReadFile(
        window_test::PathOf(std::string(TESSALINE_SOURCE_DIR) + "/tools/burn/burn-sim.ini")));
    frmSelectDriver view;
    view.Form_Load();
    view.Window().Show();
    HWND list = HwndOf(view.cmbDriverList);
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(::GetComboBoxInfo(list, &info));
    const int fieldWidth = info.rcItem.right - info.rcItem.left;
    const int count = static_cast<int>(::SendMessageW(list, CB_GETCOUNT, 0, 0));
    ASSERT_GE(count, 2);
    HDC dc = ::GetDC(list);
    const HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(list, WM_GETFONT, 0, 0)));
    for (int i = 0; i < count; ++i) {
        const std::wstring line = uitest::ListText(list, i);
        EXPECT_NE(line.find(L"SIMULATED"), std::wstring::npos) << platform::win::WideToUtf8(line);
        SIZE size{};
        ::GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &size);
        EXPECT_LE(size.cx, fieldWidth) << platform::win::WideToUtf8(line);
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(list, dc);
}

}  // namespace

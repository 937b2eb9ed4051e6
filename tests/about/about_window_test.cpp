// The About window on the screen: its controls, how it closes, its owner, its loop.
#include <gtest/gtest.h>

#include <string>

#include "about/about.h"
#include "about/about_window.h"
#include "about/screen_measurer.h"
#include "about/system_info.h"
#include "about_test_support.h"
#include "common/state.h"
#include "owner_window.h"
#include "plain_texts.h"
#include "resource.h"

namespace {

using abouttest::WaitAboutWindow;

const char kTitle[] = "A title for the tests";
const char kText[] = "A second line\nand a third";
const char kCredits[] = "Some credits";

HWND ChildWithText(HWND parent, const std::string& text, vftest::Gui& ui) {
    for (HWND child : abouttest::ChildrenOf(parent))
        if (ui.Text(child) == text) return child;
    return nullptr;
}

TEST(AboutWindow, ControlsStandWhereTheLayoutPutsThem) {
    HFONT font = abouttest::CreateTestTitleFont();
    HICON icon = LoadIconA(g_hInstance, MAKEINTRESOURCEA(IDI_VEILFOLD));
    ASSERT_NE(icon, nullptr) << "icon group 136";
    vftest::GuiHelper gui([&](vftest::Gui& ui) {
        HWND about = WaitAboutWindow(ui);
        char memory[kSystemTextSize], processor[kSystemTextSize];
        FormatPhysicalMemory(memory);
        GetMachineProcessorName(processor);
        const TextExtent iconSize{GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)};
        AboutLayout layout;
        ASSERT_TRUE(MeasureAboutLayout({kTitle, kText, memory, processor, kCredits, iconSize}, font, layout));

        RECT client;
        GetClientRect(about, &client);
        EXPECT_EQ(client.right, layout.width);
        EXPECT_EQ(client.bottom, layout.height);
        const LayoutUnits units = AboutUnits();
        int controls = 0;
        for (const AboutCell& cell : layout.cells) {
            if (!cell.text) continue;
            ++controls;
            HWND control = ChildWithText(about, cell.text, ui);
            ASSERT_NE(control, nullptr) << cell.text;
            const RECT rect = abouttest::RectInParent(control);
            EXPECT_EQ(rect.left, cell.x) << cell.text;
            EXPECT_EQ(rect.top, cell.y) << cell.text;
            EXPECT_EQ(rect.right - rect.left, cell.width - units.ux) << cell.text;
            EXPECT_EQ(rect.bottom - rect.top, cell.height - units.uy) << cell.text;
            EXPECT_EQ(GetDlgCtrlID(control), cell.id) << cell.text;
        }
        EXPECT_EQ(controls, 8);
        EXPECT_EQ(abouttest::ChildrenOf(about).size(), 8u);
        EXPECT_NE(ChildWithText(about, "Physical Memory:", ui), nullptr);
        EXPECT_NE(ChildWithText(about, "Processor Type:", ui), nullptr);
        EXPECT_EQ(reinterpret_cast<HFONT>(ui.Send(GetDlgItem(about, 1001), WM_GETFONT)), font);
        EXPECT_EQ(reinterpret_cast<HICON>(GetWindowLongPtrA(about, kIconSlot)), icon);
        EXPECT_EQ(AboutCreditsText(about), kCredits);
        EXPECT_EQ(GetWindowLongA(about, GWL_STYLE) & WS_SYSMENU, 0) << "no system menu or close box";
        ui.Screenshot("about-window");
        ui.Click(about, IDOK);
        ui.WaitGone(about);
    });
    EXPECT_EQ(RunAboutWindow(g_hInstance, nullptr, icon, kTitle, font, kText, kCredits, "Veilfold"), 1);
    gui.Join();
    DeleteObject(font);
}

enum class Closing { Enter, Escape, OkButton };

TEST(AboutWindow, EnterEscapeAndOkCloseItAndTheOwnerComesBack) {
    const std::string title = ReadPlainAboutText("title");
    for (Closing closing : {Closing::Enter, Closing::Escape, Closing::OkButton}) {
        SCOPED_TRACE(static_cast<int>(closing));
        vftest::OwnerWindow owner;
        vftest::GuiHelper gui([&](vftest::Gui& ui) {
            HWND about = WaitAboutWindow(ui);
            EXPECT_EQ(GetWindow(about, GW_OWNER), owner.hwnd());
            ui.WaitUntil("the focus on &OK", [&] { return ui.Focus() == GetDlgItem(about, IDOK); });
            EXPECT_FALSE(IsWindowEnabled(owner.hwnd())) << "the owner takes no input while the About window is up";
            EXPECT_EQ(ui.Text(about, 1001), title);
            EXPECT_NE(GetDlgItem(about, 1000), nullptr);
            if (closing == Closing::Enter) ui.Screenshot("about-box");
            if (closing == Closing::Enter) ui.PressKey(VK_RETURN);
            if (closing == Closing::Escape) ui.PressKey(VK_ESCAPE);
            if (closing == Closing::OkButton) ui.Click(about, IDOK);
            ui.WaitGone(about);
        });
        ShowAboutBox(owner.hwnd());
        gui.Join();
        EXPECT_TRUE(IsWindowEnabled(owner.hwnd()));
        EXPECT_EQ(GetActiveWindow(), owner.hwnd());
    }
}

TEST(AboutWindow, IsCentredOnItsOwnerOrOnTheDesktop) {
    for (bool withOwner : {false, true}) {
        SCOPED_TRACE(withOwner ? "owner" : "no owner");
        vftest::OwnerWindow owner(RECT{60, 80, 560, 380});
        HWND anchor = withOwner ? owner.hwnd() : GetDesktopWindow();
        vftest::GuiHelper gui([&](vftest::Gui& ui) {
            HWND about = WaitAboutWindow(ui);
            RECT place, around;
            GetWindowRect(about, &place);
            GetWindowRect(anchor, &around);
            EXPECT_EQ(place.left, (around.left + around.right - (place.right - place.left)) / 2);
            EXPECT_EQ(place.top, (around.top + around.bottom - (place.bottom - place.top)) / 2);
            ui.PressKey(VK_ESCAPE);
            ui.WaitGone(about);
        });
        RunAboutWindow(g_hInstance, withOwner ? owner.hwnd() : nullptr, nullptr, kTitle, nullptr, kText, kCredits,
                       "Veilfold");
        gui.Join();
    }
}

int s_dispatched;

// WM_APP is counted; WM_APP + 1 closes the About window (wParam) and queues a WM_APP right behind.
LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) ++s_dispatched;
    if (message == WM_APP + 1) {
        PostMessageA(reinterpret_cast<HWND>(wParam), WM_CLOSE, 0, 0);
        PostMessageA(window, WM_APP, 0, 0);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(AboutWindow, TheMessageTakenAfterTheWindowHasGoneIsNotDispatched) {
    WNDCLASSA cls{};
    cls.lpfnWndProc = CountingProc;
    cls.hInstance = g_hInstance;
    cls.lpszClassName = "VfAboutCounting";
    RegisterClassA(&cls);
    HWND counter = CreateWindowA(cls.lpszClassName, "", 0, 0, 0, 10, 10, nullptr, nullptr, g_hInstance, nullptr);
    ASSERT_NE(counter, nullptr);
    s_dispatched = 0;
    vftest::GuiHelper gui([&](vftest::Gui& ui) {
        HWND about = WaitAboutWindow(ui);
        PostMessageA(counter, WM_APP + 1, reinterpret_cast<WPARAM>(about), 0);
        ui.WaitGone(about);
    });
    EXPECT_EQ(RunAboutWindow(g_hInstance, nullptr, nullptr, kTitle, nullptr, kText, kCredits, "Veilfold"), 1);
    gui.Join();
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, counter, WM_APP, WM_APP, PM_REMOVE)) << "the loop took the WM_APP";
    EXPECT_EQ(s_dispatched, 0) << "and dropped it";
    DestroyWindow(counter);
}

TEST(AboutWindow, QuitEndsTheLoopClosesTheWindowAndIsPostedAgain) {
    vftest::OwnerWindow owner;
    HWND seen = nullptr;
    vftest::GuiHelper gui([&](vftest::Gui& ui) {
        seen = WaitAboutWindow(ui);
        PostThreadMessageA(GetWindowThreadProcessId(seen, nullptr), WM_QUIT, 7, 0);
        ui.WaitGone(seen);
    });
    EXPECT_EQ(RunAboutWindow(g_hInstance, owner.hwnd(), nullptr, kTitle, nullptr, kText, kCredits, "Veilfold"), 1);
    gui.Join();
    EXPECT_FALSE(IsWindow(seen));
    EXPECT_TRUE(IsWindowEnabled(owner.hwnd()));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "WM_QUIT is there for the outer loop";
    EXPECT_EQ(msg.wParam, 7u);
}

TEST(AboutWindow, NoCreditsTextMeansNoCreditsButton) {
    vftest::GuiHelper gui([&](vftest::Gui& ui) {
        HWND about = WaitAboutWindow(ui);
        EXPECT_EQ(GetDlgItem(about, 1000), nullptr);
        EXPECT_NE(GetDlgItem(about, IDOK), nullptr);
        EXPECT_EQ(AboutCreditsText(about), nullptr);
        ui.PressKey(VK_ESCAPE);
        ui.WaitGone(about);
    });
    EXPECT_EQ(RunAboutWindow(g_hInstance, nullptr, nullptr, kTitle, nullptr, kText, nullptr, "Veilfold"), 1);
    gui.Join();
}

TEST(AboutWindow, ClassIsRegisteredOnDemandWithPointerSlotsAndCanBeRemoved) {
    WNDCLASSA cls;
    UnregisterAboutBoxClass();
    EXPECT_FALSE(GetClassInfoA(g_hInstance, "AboutBoxClass", &cls));
    vftest::GuiHelper gui([&](vftest::Gui& ui) {
        HWND about = WaitAboutWindow(ui);
        ui.PressKey(VK_ESCAPE);
        ui.WaitGone(about);
    });
    ShowAboutBox(nullptr);
    gui.Join();
    ASSERT_TRUE(GetClassInfoA(g_hInstance, "AboutBoxClass", &cls));
    EXPECT_EQ(cls.lpfnWndProc, AboutWndProc);
    EXPECT_EQ(cls.cbWndExtra, static_cast<int>(2 * sizeof(void*)));
    EXPECT_EQ(cls.hCursor, nullptr);
    UnregisterAboutBoxClass();
    EXPECT_FALSE(GetClassInfoA(g_hInstance, "AboutBoxClass", &cls));
}

}  // namespace

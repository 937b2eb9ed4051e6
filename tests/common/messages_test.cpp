// The message pump and the message-box conventions, on real windows.
#include <gtest/gtest.h>

#include "common/messages.h"
#include "common/state.h"
#include "gui.h"
#include "paths.h"
#include "resource.h"
#include "shared_state.h"

namespace {

int s_dispatched;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) ++s_dispatched;
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(PumpMessages, DispatchesWhatIsPendingAndReturnsWithoutWaiting) {
    WNDCLASSA cls{};
    cls.lpfnWndProc = CountingProc;
    cls.hInstance = g_hInstance;
    cls.lpszClassName = "VfPumpTest";
    RegisterClassA(&cls);
    HWND window = CreateWindowA("VfPumpTest", "", 0, 0, 0, 10, 10, nullptr, nullptr, g_hInstance, nullptr);
    ASSERT_NE(window, nullptr);

    s_dispatched = 0;
    for (int n = 0; n < 3; ++n) PostMessageA(window, WM_APP, 0, 0);
    EXPECT_EQ(PumpMessages(), 1);
    EXPECT_EQ(s_dispatched, 3);

    // An empty queue: returns at once (a blocking pump would hang the test).
    EXPECT_EQ(PumpMessages(), 1);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    DestroyWindow(window);
}

TEST(PumpMessages, AQuitRequestCancelsTheRunAndStaysQueuedForTheShell) {
    vftest::SharedStateScope state;
    PostQuitMessage(7);
    EXPECT_EQ(PumpMessages(), 1);
    EXPECT_TRUE(g_bCancel);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 7u);
}

struct BoxCase {
    UINT style;
    UINT shown;  // the parts of the style the box must show: the failure style names no single icon
    int answer;
};

TEST(MessageBoxes, ShowTheCaptionTextAndStyleAsked) {
    const BoxCase cases[] = {{kStyleValidation, ~0u, IDOK},
                             {kStyleContinue, ~0u, IDNO},
                             {kStyleConfirm, ~0u, IDCANCEL},
                             {kStyleFailure, MB_TYPEMASK, IDOK}};
    for (const BoxCase& c : cases) {
        SCOPED_TRACE(c.style);
        vftest::GuiHelper gui([&](vftest::Gui& ui) {
            auto box = ui.WaitMessageBox();
            EXPECT_EQ(box.caption, "Veilfold");
            EXPECT_EQ(box.text, "Some text");
            EXPECT_EQ(box.style & c.shown, c.style & c.shown);
            if (c.style == kStyleFailure) ui.Screenshot("message-box-failure-style");  // its icon, for the eye
            ui.Answer(box, c.answer);
        });
        EXPECT_EQ(ShowMessage(nullptr, "Some text", c.style), c.answer);
        gui.Join();
    }
}

TEST(MessageBoxes, APathQuestionShowsTheNameAsItIsAndWhole) {
    // A name no code page spells, in a path longer than any fixed buffer of the module.
    std::wstring path = L"C:\\\u65e5\u672c\\" + std::wstring(900, L'x') + L"\\\u0444\u0430\u0439\u043b.txt";
    vftest::GuiHelper gui([&](vftest::Gui& ui) {
        auto box = ui.WaitMessageBox();
        EXPECT_EQ(box.text, vftest::Utf8(L"Unable to open file " + path + L".\r\nContinue processing the next file?"));
        EXPECT_EQ(box.owner, g_hwndOwner);
        EXPECT_EQ(box.style, kStyleContinue);
        ui.Answer(box, IDYES);
    });
    EXPECT_EQ(ShowPathQuestion(IDS_CANNOT_OPEN, path, kStyleContinue), IDYES);
    gui.Join();
}

TEST(FormatText, FillsEachDirectiveInTurnAndNothingMore) {
    struct Case {
        const wchar_t* format;
        std::initializer_list<std::wstring_view> args;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"%u items: %s", {L"3", L"a %s b"}, L"3 items: a %s b"},  // an argument is never read as a format
        {L"100%% of %s", {L"it"}, L"100% of it"},
        {L"%s and %s", {L"one"}, L"one and %s"},  // too few arguments: the rest stays as written
        {L"ends in %", {}, L"ends in %"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatText(c.format, c.args), c.expected) << vftest::Utf8(c.format);
}

}  // namespace

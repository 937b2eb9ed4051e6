#include "about/about_window.h"

#include <initializer_list>

#include "about/about.h"
#include "about/credits.h"
#include "about/screen_measurer.h"
#include "about/system_info.h"
#include "common/state.h"

namespace {

constexpr DWORD kAboutExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE;
constexpr DWORD kAboutStyle = WS_POPUP | WS_CAPTION;
// The outer size is reckoned as for a captioned window with a system menu:
// the same frame, with or without the menu box.
constexpr DWORD kAboutSizingStyle = WS_CAPTION | WS_SYSMENU;

constexpr DWORD kStaticStyle = WS_CHILD | WS_VISIBLE;
constexpr DWORD kOkStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON;
constexpr DWORD kCreditsStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP;

bool EnsureAboutClass(HINSTANCE instance) {
    const DWORD majorVersion = GetWindowsMajorVersion();
    WNDCLASSA existing;
    if (GetClassInfoA(instance, kAboutClassName, &existing)) return true;
    WNDCLASSA cls{};
    cls.lpfnWndProc = AboutWndProc;
    cls.cbWndExtra = kAboutWindowExtraBytes;
    cls.hInstance = instance;
    const int background = majorVersion >= 4 ? COLOR_MENU : COLOR_WINDOW;
    cls.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(background + 1));
    cls.lpszClassName = kAboutClassName;
    return RegisterClassA(&cls) != 0;
}

void EnableOwner(HWND window, BOOL enable) {
    if (HWND owner = GetWindow(window, GW_OWNER)) EnableWindow(owner, enable);
}

// The owner comes back before the window goes, so that activation returns to it.
void CloseAboutWindow(HWND window) {
    EnableOwner(window, TRUE);
    DestroyWindow(window);
}

// Leaves Move and Close of the standard system menu.
void TrimSystemMenu(HWND window) {
    HMENU menu = GetSystemMenu(window, FALSE);
    if (!menu) return;
    for (UINT command : {SC_TASKLIST, SC_MAXIMIZE, SC_MINIMIZE, SC_SIZE, SC_RESTORE})
        DeleteMenu(menu, command, MF_BYCOMMAND);
    DeleteMenu(menu, 3, MF_BYPOSITION);
    DeleteMenu(menu, 1, MF_BYPOSITION);
}

void PaintIcon(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (HICON icon = reinterpret_cast<HICON>(GetWindowLongPtrA(window, kIconSlot))) {
        const LayoutUnits units = AboutUnits();
        DrawIcon(dc, units.ux, units.uy, icon);
    }
    EndPaint(window, &paint);
}

LRESULT OnCommand(HWND window, WPARAM wParam) {
    if (wParam == kIdOk || wParam == kIdCancel) {
        PostMessageA(window, WM_CLOSE, 0, 0);
    } else if (wParam == kIdCredits) {
        RunCreditsAnimation(window);
    }
    return 0;
}

HWND CreateAboutWindow(HINSTANCE instance, HWND owner, const char* caption, const AboutLayout& layout) {
    RECT frame{0, 0, layout.width, layout.height};
    AdjustWindowRectEx(&frame, kAboutSizingStyle, FALSE, kAboutExStyle);
    const TextExtent outer{frame.right - frame.left, frame.bottom - frame.top};
    HWND parent = owner ? owner : GetDesktopWindow();
    RECT anchor{};
    GetWindowRect(parent, &anchor);
    const TextExtent screen{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    const WindowPlace place = CentreOnAnchor(anchor.left, anchor.top, anchor.right, anchor.bottom, outer, screen);
    return CreateWindowExA(kAboutExStyle, kAboutClassName, caption, kAboutStyle, place.x, place.y, outer.width,
                           outer.height, parent, nullptr, instance, nullptr);
}

bool CreateControls(HWND about, const AboutLayout& layout, HFONT titleFont) {
    for (const AboutCell& cell : layout.cells)
        if (!CreateCellControl(about, cell)) return false;
    if (layout.cells[kTitleCell].text && titleFont)
        SendDlgItemMessageA(about, kIdTitle, WM_SETFONT, reinterpret_cast<WPARAM>(titleFont), FALSE);
    return true;
}

// Dispatches the thread's messages until the window has gone. The message
// taken after it has gone is dropped. A WM_QUIT ends the loop early and is
// posted again for the loop that is waiting for it.
void RunModalLoop(HWND about) {
    MSG msg;
    for (;;) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
        if (got == 0 || got == -1 || !IsWindow(about)) return;
        if (!IsDialogMessageA(about, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

}  // namespace

LayoutUnits AboutUnits() { return LayoutUnits{4 * GetSystemMetrics(SM_CXBORDER), 4 * GetSystemMetrics(SM_CYBORDER)}; }

const char* AboutCreditsText(HWND about) {
    return reinterpret_cast<const char*>(GetWindowLongPtrA(about, kCreditsSlot));
}

BOOL CreateCellControl(HWND about, const AboutCell& cell) {
    if (cell.id == 0 && !cell.text) return TRUE;
    const char* className = "static";
    DWORD style = kStaticStyle;
    if (cell.id == kIdOk || cell.id == kIdCredits) {
        className = "Button";
        style = cell.id == kIdOk ? kOkStyle : kCreditsStyle;
    }
    const LayoutUnits units = AboutUnits();
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(about, GWLP_HINSTANCE));
    HWND control =
        CreateWindowExA(0, className, cell.text, style, cell.x, cell.y, cell.width - units.ux, cell.height - units.uy,
                        about, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(cell.id)), instance, nullptr);
    return control != nullptr;
}

LRESULT CALLBACK AboutWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        EnableOwner(window, FALSE);
        TrimSystemMenu(window);
        break;
    case WM_ACTIVATE: {
        const LRESULT result = DefWindowProcA(window, message, wParam, lParam);
        if (wParam) SetFocus(GetDlgItem(window, kIdOk));
        return result;
    }
    case WM_PAINT: PaintIcon(window); return 0;
    case WM_CLOSE: EnableOwner(window, TRUE); break;
    case WM_DESTROY:
        // Wakes the modal loop, which would otherwise wait in GetMessage
        // for some unrelated message before it noticed the window had gone.
        PostMessageA(nullptr, WM_NULL, 0, 0);
        break;
    case WM_COMMAND: return OnCommand(window, wParam);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int RunAboutWindow(HINSTANCE instance, HWND owner, HICON icon, const char* title, HFONT titleFont, const char* text,
                   const char* credits, const char* caption) {
    if (!EnsureAboutClass(instance)) return 0;
    char memory[kSystemTextSize];
    char processor[kSystemTextSize];
    FormatPhysicalMemory(memory);
    GetMachineProcessorName(processor);
    const TextExtent iconSize =
        icon ? TextExtent{GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)} : TextExtent{0, 0};
    AboutLayout layout;
    if (!MeasureAboutLayout(AboutContent{title, text, memory, processor, credits, iconSize}, titleFont, layout))
        return 0;

    HWND about = CreateAboutWindow(instance, owner, caption, layout);
    if (!about) return 0;
    SetWindowLongPtrA(about, kIconSlot, reinterpret_cast<LONG_PTR>(icon));
    SetWindowLongPtrA(about, kCreditsSlot, reinterpret_cast<LONG_PTR>(credits));
    if (!CreateControls(about, layout, titleFont)) {
        CloseAboutWindow(about);
        return 0;
    }
    ShowWindow(about, SW_SHOWNORMAL);
    RunModalLoop(about);
    if (IsWindow(about)) CloseAboutWindow(about);  // left by WM_QUIT: gone before its font and icon
    return 1;
}

void UnregisterAboutBoxClass() { UnregisterClassA(kAboutClassName, g_hInstance); }

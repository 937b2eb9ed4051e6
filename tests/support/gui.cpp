#include "gui.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "paths.h"

namespace vftest {
namespace {

constexpr DWORD kPollMs = 20;
constexpr DWORD kSendTimeoutMs = 5000;
// How long an unexpected box may stand before the helper calls it a failure.
constexpr DWORD kLeftoverGraceMs = 1500;

std::string SendGetText(HWND window) {
    char text[2048] = "";
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        kSendTimeoutMs, &ignored);
    return text;
}

// Window enumeration callbacks are stdcall in 32-bit builds, so no lambdas.
BOOL CALLBACK CollectWindow(HWND window, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM param) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == GetCurrentProcessId() && IsWindowVisible(window)) CollectWindow(window, param);
    return TRUE;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&children));
    return children;
}

UINT IconStyleOf(HICON icon) {
    if (!icon) return 0;
    struct {
        LPCSTR id;
        UINT style;
    } const kIcons[] = {{IDI_EXCLAMATION, MB_ICONEXCLAMATION},
                        {IDI_HAND, MB_ICONHAND},
                        {IDI_ASTERISK, MB_ICONASTERISK},
                        {IDI_QUESTION, MB_ICONQUESTION}};
    for (const auto& candidate : kIcons)
        if (LoadIconA(nullptr, candidate.id) == icon) return candidate.style;
    return 0xFFFF0000;  // an icon, but none of the standard ones
}

// Closes one leftover window the gentlest way that ends its modal loop.
void CloseLeftover(HWND window) {
    if (IsMessageBox(window)) {
        for (int id : {IDCANCEL, IDNO, IDOK}) {
            if (HWND button = GetDlgItem(window, id)) {
                PostMessageA(button, BM_CLICK, 0, 0);
                return;
            }
        }
    }
    if (WindowClass(window) == "#32770")
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    else
        PostMessageA(window, WM_CLOSE, 0, 0);
}

// A window that waits for an answer: a message box, a password dialog, the About window.
bool IsModalLeftover(HWND window) {
    if (IsMessageBox(window) || WindowClass(window) == "AboutBoxClass") return true;
    if (WindowClass(window) != "#32770") return false;
    for (HWND child : Children(window))
        if (WindowClass(child) == "Edit") return true;
    return false;
}

}  // namespace

std::string WindowClass(HWND window) {
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::vector<HWND> ProcessTopLevelWindows() {
    std::vector<HWND> windows;
    EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

bool IsMessageBox(HWND window) {
    if (WindowClass(window) != "#32770") return false;
    bool hasAnswerButton = GetDlgItem(window, IDOK) || GetDlgItem(window, IDYES);
    for (HWND child : Children(window)) {
        std::string cls = WindowClass(child);
        if (cls == "Edit" || cls == "msctls_progress32") return false;
    }
    return hasAnswerButton;
}

MessageBoxSeen ReadMessageBox(HWND box) {
    MessageBoxSeen seen;
    seen.hwnd = box;
    seen.owner = GetWindow(box, GW_OWNER);
    seen.caption = SendGetText(box);
    for (HWND child : Children(box)) {
        if (WindowClass(child) != "Static") continue;
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            DWORD_PTR icon = 0;
            SendMessageTimeoutA(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &icon);
            seen.style |= IconStyleOf(reinterpret_cast<HICON>(icon));
        } else if (seen.text.empty()) {
            seen.text = SendGetText(child);
        }
    }
    bool ok = GetDlgItem(box, IDOK), cancel = GetDlgItem(box, IDCANCEL);
    bool yes = GetDlgItem(box, IDYES), no = GetDlgItem(box, IDNO);
    if (yes && no && cancel) seen.style |= MB_YESNOCANCEL;
    else if (yes && no) seen.style |= MB_YESNO;
    else if (ok && cancel) seen.style |= MB_OKCANCEL;
    else seen.style |= MB_OK;
    return seen;
}

template <typename Find>
auto Gui::WaitFor(const std::string& what, DWORD timeoutMs, Find find) -> decltype(find()) {
    DWORD start = GetTickCount();
    for (;;) {
        if (auto found = find()) return found;
        if (codeReturned_) throw GuiTimeout{"the code under test returned before " + what};
        if (GetTickCount() - start > timeoutMs) throw GuiTimeout{"timed out waiting for " + what};
        Sleep(kPollMs);
    }
}

HWND Gui::WaitWindow(const std::string& caption, const char* className, DWORD timeoutMs) {
    HWND window = WaitFor("window \"" + caption + "\"", timeoutMs, [&]() -> HWND {
        for (HWND w : ProcessTopLevelWindows())
            if (SendGetText(w) == caption && (!className || WindowClass(w) == className)) return w;
        return nullptr;
    });
    Record("window \"" + caption + "\" appeared");
    return window;
}

MessageBoxSeen Gui::WaitMessageBox(DWORD timeoutMs) {
    HWND box = WaitFor("a message box", timeoutMs, []() -> HWND {
        for (HWND w : ProcessTopLevelWindows())
            if (IsMessageBox(w)) return w;
        return nullptr;
    });
    // The box fills in its text and icon while it initialises.
    Sleep(50);
    MessageBoxSeen seen = ReadMessageBox(box);
    char style[16];
    std::snprintf(style, sizeof style, "0x%02X", seen.style);
    Record("message box \"" + seen.caption + "\" (" + style + "): " + seen.text);
    return seen;
}

void Gui::WaitGone(HWND window, DWORD timeoutMs) {
    WaitFor("a window to close", timeoutMs, [&] { return !IsWindow(window) || !IsWindowVisible(window); });
}

void Gui::Answer(const MessageBoxSeen& box, int buttonId) {
    HWND button = GetDlgItem(box.hwnd, buttonId);
    ASSERT_NE(button, nullptr) << "the message box has no button " << buttonId;
    Record("pressed " + Text(button));
    PostMessageA(button, BM_CLICK, 0, 0);
    WaitGone(box.hwnd);
}

void Gui::Click(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    ASSERT_NE(button, nullptr) << "no control " << id;
    Record("clicked \"" + Text(button) + "\"");
    PostMessageA(button, BM_CLICK, 0, 0);
}

void Gui::Type(HWND dialog, int id, const std::string& text) {
    HWND edit = GetDlgItem(dialog, id);
    ASSERT_NE(edit, nullptr) << "no control " << id;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                        kSendTimeoutMs, &ignored);
    Record("typed " + std::to_string(text.size()) + " characters into control " + std::to_string(id));
}

HWND Gui::Focus() {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(uiThreadId_, &info) ? info.hwndFocus : nullptr;
}

void Gui::PressKey(UINT virtualKey) {
    HWND target = Focus();
    Record("pressed key " + std::to_string(virtualKey));
    UINT scan = MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC);
    PostMessageA(target, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
    PostMessageA(target, WM_KEYUP, virtualKey, 1 | (scan << 16) | (3u << 30));
}

std::string Gui::Text(HWND window) { return SendGetText(window); }

std::string Gui::Text(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    return control ? SendGetText(control) : std::string();
}

void Gui::Screenshot(const std::string& name) {
    SaveScreenshot(name);
    Record("screenshot " + name);
}

void Gui::Record(const std::string& event) {
    std::lock_guard<std::mutex> lock(eventsMutex_);
    events_.push_back(event);
}

GuiHelper::GuiHelper(std::function<void(Gui&)> script) : uiThreadId_(GetCurrentThreadId()) {
    thread_ = std::thread([this, script = std::move(script)] { Run(script); });
}

GuiHelper::~GuiHelper() {
    if (thread_.joinable()) Join();
}

void GuiHelper::Run(std::function<void(Gui&)> script) {
    Gui ui(uiThreadId_, codeReturned_, events_, eventsMutex_);
    bool failed = false;
    try {
        script(ui);
    } catch (const GuiTimeout& timeout) {
        ADD_FAILURE() << "GUI helper: " << timeout.what;
        // Outside a test (the shell host's own helper) there is no test name to use.
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        SaveScreenshot(std::string("failure-") + (test ? test->name() : "helper"));
        failed = true;
    }
    // Until the code under test returns, close what is left so that no modal
    // loop keeps the test hanging. A box left over by a passing script is a failure.
    DWORD firstSeen = 0;
    while (!codeReturned_) {
        std::vector<HWND> leftovers;
        for (HWND w : ProcessTopLevelWindows())
            if (failed || IsModalLeftover(w)) leftovers.push_back(w);
        if (leftovers.empty()) {
            firstSeen = 0;
        } else if (!firstSeen) {
            firstSeen = GetTickCount();
        } else if (failed || GetTickCount() - firstSeen > kLeftoverGraceMs) {
            for (HWND w : leftovers) {
                if (!failed) {
                    ADD_FAILURE() << "GUI helper: unexpected window \"" << SendGetText(w) << "\" closed";
                }
                ui.Record("closed leftover window \"" + SendGetText(w) + "\"");
                CloseLeftover(w);
            }
            failed = true;
        }
        Sleep(kPollMs * 5);
    }
}

void GuiHelper::Join() {
    codeReturned_ = true;
    if (thread_.joinable()) thread_.join();
}

std::vector<std::string> GuiHelper::Events() {
    std::lock_guard<std::mutex> lock(eventsMutex_);
    return events_;
}

}  // namespace vftest

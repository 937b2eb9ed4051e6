#include "gui.h"

#include <cstdio>
#include <map>

#include "paths.h"

namespace vftest {
namespace {

constexpr DWORD kSendTimeoutMs = 5000;

std::mutex g_reportingMutex;
GuiReporting g_reporting;

GuiReporting Reporting() {
    std::lock_guard<std::mutex> lock(g_reportingMutex);
    return g_reporting;
}

// In UTF-8, whatever the code page: a text may carry any file name.
std::string SendGetText(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length)) return {};
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                        kSendTimeoutMs, &copied);
    text.resize(copied);
    return Utf8(text);
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

// "caption" (class), for failure messages.
std::string Describe(HWND window) {
    std::string text = "\"";
    text += SendGetText(window);
    text += "\" (";
    text += WindowClass(window);
    text += ')';
    return text;
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
    if (yes && no && cancel)
        seen.style |= MB_YESNOCANCEL;
    else if (yes && no)
        seen.style |= MB_YESNO;
    else if (ok && cancel)
        seen.style |= MB_OKCANCEL;
    else
        seen.style |= MB_OK;
    return seen;
}

void SetGuiReporting(GuiReporting reporting) {
    std::lock_guard<std::mutex> lock(g_reportingMutex);
    g_reporting = std::move(reporting);
}

void Gui::WaitUntil(const std::string& what, const std::function<bool()>& done, DWORD timeoutMs) {
    WaitFor(what, timeoutMs, done);
}

HWND Gui::WaitWindow(const std::string& caption, const char* className, DWORD timeoutMs) {
    HWND window = WaitFor("window \"" + caption + "\"", timeoutMs, [&]() -> HWND {
        for (HWND w : ProcessTopLevelWindows())
            if (SendGetText(w) == caption && (!className || WindowClass(w) == className)) return w;
        return nullptr;
    });
    Meet(window);
    Record("window \"" + caption + "\" appeared");
    return window;
}

MessageBoxSeen Gui::WaitMessageBox(DWORD timeoutMs) {
    HWND box = WaitFor("a message box", timeoutMs, []() -> HWND {
        for (HWND w : ProcessTopLevelWindows())
            if (IsMessageBox(w)) return w;
        return nullptr;
    });
    Meet(box);
    // A box shows itself once it has initialised; its text is there by then,
    // but a box that is still drawing may answer late: wait for the text.
    MessageBoxSeen seen;
    WaitFor("the message box's text", timeoutMs, [&] {
        seen = ReadMessageBox(box);
        return !seen.text.empty() || !IsWindow(box);
    });
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
    if (!button) throw GuiFailure{"the message box has no button " + std::to_string(buttonId)};
    Record("pressed " + Text(button));
    PostMessageA(button, BM_CLICK, 0, 0);
    WaitGone(box.hwnd);
}

void Gui::Click(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    if (!button) throw GuiFailure{"no control " + std::to_string(id) + " to click"};
    Meet(dialog);
    Record("clicked \"" + Text(button) + "\"");
    PostMessageA(button, BM_CLICK, 0, 0);
}

HWND Gui::EditToTypeInto(HWND dialog, int id) {
    HWND edit = GetDlgItem(dialog, id);
    if (!edit) throw GuiFailure{"no control " + std::to_string(id) + " to type into"};
    Meet(dialog);
    return edit;
}

void Gui::Type(HWND dialog, int id, const std::string& text) {
    HWND edit = EditToTypeInto(dialog, id);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, kSendTimeoutMs,
                        &ignored);
    Record("typed " + std::to_string(text.size()) + " characters into control " + std::to_string(id));
}

void Gui::Type(HWND dialog, int id, const std::wstring& text) {
    HWND edit = EditToTypeInto(dialog, id);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, kSendTimeoutMs,
                        &ignored);
    Record("typed " + std::to_string(text.size()) + " wide characters into control " + std::to_string(id));
}

HWND Gui::Focus() {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(uiThreadId_, &info) ? info.hwndFocus : nullptr;
}

void PostKeyPress(HWND target, UINT virtualKey) {
    UINT scan = MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC);
    PostMessageA(target, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
    PostMessageA(target, WM_KEYUP, virtualKey, 1 | (scan << 16) | (3u << 30));
}

void Gui::PressKey(UINT virtualKey) {
    Record("pressed key " + std::to_string(virtualKey));
    PostKeyPress(Focus(), virtualKey);
}

LRESULT Gui::Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result))
        throw GuiFailure{"message " + std::to_string(message) + " to window " + Describe(window) + " went unanswered"};
    return static_cast<LRESULT>(result);
}

void Gui::Repaint(HWND window, DWORD timeoutMs) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    WaitUntil(
        "window " + Describe(window) + " to repaint",
        [&] {
            if (GetUpdateRect(window, nullptr, FALSE)) return false;
            for (HWND child : Children(window))
                if (GetUpdateRect(child, nullptr, FALSE)) return false;
            return true;
        },
        timeoutMs);
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

void Gui::Meet(HWND window) {
    std::lock_guard<std::mutex> lock(eventsMutex_);
    met_.insert(window);
}

bool Gui::Met(HWND window) {
    std::lock_guard<std::mutex> lock(eventsMutex_);
    return met_.count(window) != 0;
}

GuiHelper::GuiHelper(std::function<void(Gui&)> script) : uiThreadId_(GetCurrentThreadId()) {
    thread_ = std::thread([this, script = std::move(script)] { Run(script); });
}

GuiHelper::~GuiHelper() {
    if (thread_.joinable()) Join();
}

void GuiHelper::Run(std::function<void(Gui&)> script) {
    Gui ui(uiThreadId_, codeReturned_, events_, eventsMutex_);
    try {
        script(ui);
    } catch (const GuiFailure& failure) {
        Fail(ui, failure.what);
        const GuiReporting reporting = Reporting();
        SaveScreenshot("failure-" + (reporting.testName ? reporting.testName() : std::string("helper")));
    }
    CloseLeftovers(ui);
}

// Until the code under test returns, closes what is left so that no modal loop
// keeps the test hanging. A modal window the script never met is unexpected: it
// is closed at once and fails the test. One the script met may still be on its
// way out and gets the default timeout. After a failure everything is closed.
void GuiHelper::CloseLeftovers(Gui& ui) {
    std::map<HWND, DWORD> metSince;
    while (!codeReturned_) {
        for (HWND w : ProcessTopLevelWindows()) {
            if (!failed_ && !IsModalLeftover(w)) continue;
            const std::string name = Describe(w);
            if (!failed_ && ui.Met(w)) {
                const DWORD since = metSince.emplace(w, GetTickCount()).first->second;
                if (GetTickCount() - since <= kDefaultTimeoutMs) continue;
                Fail(ui, "window " + name + " was still open after the script ended; closed");
            } else if (!failed_) {
                Fail(ui, "unexpected window " + name + " closed");
            }
            ui.Record("closed leftover window " + name);
            CloseLeftover(w);
        }
        Sleep(kPollMs * 5);
    }
}

void GuiHelper::Fail(Gui& ui, const std::string& what) {
    failed_ = true;
    ui.Record("FAILED: " + what);
    const GuiReporting reporting = Reporting();
    if (reporting.fail)
        reporting.fail("GUI helper: " + what);
    else
        std::fprintf(stderr, "GUI helper: %s\n", what.c_str());
}

void GuiHelper::Join() {
    codeReturned_ = true;
    if (thread_.joinable()) thread_.join();
    const GuiReporting reporting = Reporting();
    if (!failed_ && !(reporting.testFailed && reporting.testFailed())) return;
    std::printf("What the GUI helper saw and did:\n");
    for (const std::string& event : Events()) std::printf("  %s\n", event.c_str());
    std::fflush(stdout);
}

std::vector<std::string> GuiHelper::Events() {
    std::lock_guard<std::mutex> lock(eventsMutex_);
    return events_;
}

}  // namespace vftest

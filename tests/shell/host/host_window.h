#pragma once
// The shell's own window in the host: a plain top-level window, active when
// the module loads (the module takes the active window as the owner of its
// dialogs and progress window), and the owner of the context menu.
#include <windows.h>

#include <functional>
#include <string>

namespace vfhost {

class ProgressGate;

class HostWindow {
public:
    HostWindow();
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    HWND hwnd() const { return hwnd_; }

    // The gate that watches the next run's progress window (null: none).
    void Attach(ProgressGate* gate) { gate_ = gate; }

    // Saves a BMP of the screen at `path` once every window of the host's
    // thread has painted and reached the screen. From any thread: the picture
    // is taken on the host's thread when it next looks at its messages, which
    // a modal dialog or a held run does too.
    void Photograph(const std::string& path);

    // Shows `menu` as a context menu, moves the highlight to the item at
    // `position` with the arrow keys, calls `whileShown` with the menu on the
    // screen, and chooses the item with Enter, as a user does. Returns the
    // chosen command id, or 0 when the item could not be highlighted.
    UINT ChooseFromMenu(HMENU menu, int position, const std::function<void()>& whileShown);

private:
    struct MenuChoice {
        HMENU menu;
        int position;
        const std::function<void()>* whileShown;
        bool keysSent;
    };

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void SendMenuKeys();
    void OnMenuHighlighted();
    void PostKey(UINT virtualKey);
    static void TakePhotograph(const char* path);

    HWND hwnd_ = nullptr;
    ProgressGate* gate_ = nullptr;
    MenuChoice* choice_ = nullptr;
};

}  // namespace vfhost

// A command run with stand-ins for the key dialogs and the path walker: what
// it opens, walks, wipes and refuses.
#include <windows.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "common/state.h"
#include "gui.h"
#include "owner_window.h"
#include "paths.h"
#include "shared_state.h"
#include "shell/command.h"
#include "shell/extension.h"
#include "shell/factory.h"
#include "shell_fixtures.h"

namespace {

constexpr KeyDigest kRetainedKey = {{1, 2, 3, 4, 5}};
constexpr KeyDigest kEnteredKey = {{6, 7, 8, 9, 10}};

// What a walker call saw of the run around it.
struct WalkSeen {
    std::string path;
    int encrypt;
    bool bufferLive;
    std::string progressCaption;
    HWND progressOwner;
    bool ownerEnabled;
};

// The stand-ins' settings and what they recorded.
struct Steps {
    BOOL nt = TRUE;
    BOOL retainedKeyStored = FALSE;
    int acquireResult = 1;
    bool cancelDuringAcquire = false;
    int stopAtWalk = -1;               // the walker returns 0 on this call
    std::function<void()> duringWalk;  // run inside every walker call
    int loadCalls = 0;
    int acquireCalls = 0;
    KeyDigest* acquireDestination = nullptr;
    std::vector<WalkSeen> walks;
    std::vector<bool> finished;  // each end of a file run: stopped early or not
};

Steps* s_steps;

BOOL FakeIsWindowsNT() { return s_steps->nt; }

BOOL FakeLoadRetainedKey(KeyDigest* key) {
    ++s_steps->loadCalls;
    if (s_steps->retainedKeyStored) *key = kRetainedKey;
    return s_steps->retainedKeyStored;
}

int FakeAcquireKey(KeyDigest* checkValue) {
    ++s_steps->acquireCalls;
    s_steps->acquireDestination = checkValue;
    if (s_steps->cancelDuringAcquire) g_bCancel = TRUE;
    g_Key = kEnteredKey;  // what the dialog derived, verified or not
    g_bKeyValid = s_steps->acquireResult;
    return s_steps->acquireResult;
}

int FakeWalkPath(const std::string& path, int encrypt) {
    char caption[64] = "";
    if (g_hwndProgress) GetWindowTextA(g_hwndProgress, caption, sizeof caption);
    s_steps->walks.push_back({path, encrypt, g_pBuffer != nullptr, caption,
                              g_hwndProgress ? GetWindow(g_hwndProgress, GW_OWNER) : nullptr,
                              g_hwndOwner && IsWindowEnabled(g_hwndOwner) != FALSE});
    if (s_steps->duringWalk) s_steps->duringWalk();
    return static_cast<int>(s_steps->walks.size()) - 1 == s_steps->stopAtWalk ? 0 : 1;
}

class FakeFileRun final : public FileRun {
public:
    explicit FakeFileRun(int encrypt) : encrypt_(encrypt) {}
    int RecoverUnfinished() override { return 1; }
    int WalkPath(const std::wstring& path) override { return FakeWalkPath(vftest::Utf8(path), encrypt_); }
    void Finish(bool stopped) override { s_steps->finished.push_back(stopped); }

private:
    int encrypt_;
};

std::unique_ptr<FileRun> FakeStartFileRun(int encrypt, const KeyDigest&) {
    return std::make_unique<FakeFileRun>(encrypt);
}

BOOL FakeReadCheckValue(KeyDigest*) { return FALSE; }

const RunSteps kFakeSteps = {FakeIsWindowsNT, FakeLoadRetainedKey, FakeAcquireKey, FakeReadCheckValue,
                             FakeStartFileRun};

bool IsWiped(const KeyDigest& key) {
    for (auto word : key.h)
        if (word) return false;
    return true;
}

class CommandRun : public ::testing::Test {
protected:
    void SetUp() override {
        s_steps = &steps_;
        g_hwndOwner = owner_.hwnd();
    }
    void TearDown() override { s_steps = nullptr; }

    HRESULT Run(UINT offset = IDM_ENCRYPT, HWND shellWindow = nullptr) {
        return RunCommand(kMenuCommands[offset], WideSelection(), shellWindow, kFakeSteps);
    }
    // An extension object with the stand-in steps, initialized with `paths`.
    CShellExtension* NewObject(vftest::ComRef<IContextMenu>& menu, const std::vector<std::string>& paths) {
        auto* object = new CShellExtension(kFakeSteps);
        EXPECT_EQ(HandOut(object, IID_IContextMenu, menu.out()), S_OK);
        IDataObject* data = vftest::CreateDropDataObject(paths);
        EXPECT_EQ(object->Initialize(nullptr, data, nullptr), S_OK);
        data->Release();
        return object;
    }
    static HRESULT Invoke(IContextMenu* menu, UINT offset) {
        CMINVOKECOMMANDINFO info{};
        info.cbSize = sizeof info;
        info.lpVerb = MAKEINTRESOURCEA(offset);
        return menu->InvokeCommand(&info);
    }
    std::vector<std::wstring> WideSelection() const {
        std::vector<std::wstring> paths;
        for (const std::string& path : selection_) paths.push_back(vftest::Wide(path));
        return paths;
    }
    std::vector<std::string> WalkedPaths() const {
        std::vector<std::string> paths;
        for (const WalkSeen& walk : steps_.walks) paths.push_back(walk.path);
        return paths;
    }
    void ExpectTornDown() {
        EXPECT_EQ(g_hwndProgress, nullptr);
        EXPECT_EQ(g_pBuffer, nullptr);
        EXPECT_TRUE(IsWindowEnabled(owner_.hwnd()));
        EXPECT_TRUE(vftest::ProcessTopLevelWindows().size() == 1) << "a window of the run is still there";
    }

    vftest::SharedStateScope state_;
    vftest::OwnerWindow owner_;
    Steps steps_;
    std::vector<std::string> selection_{"C:\\first", "C:\\second", "C:\\third"};
};

TEST_F(CommandRun, WalksEverySelectedPathUnderTheProgressWindow) {
    struct Case {
        UINT offset;
        const char* caption;
        int encrypt;
    };
    const Case cases[] = {{IDM_ENCRYPT, "Encrypting Files...", 1}, {IDM_DECRYPT, "Decrypting Files...", 0}};
    for (const Case& c : cases) {
        steps_.walks.clear();
        steps_.finished.clear();
        EXPECT_EQ(Run(c.offset), S_OK);
        EXPECT_EQ(WalkedPaths(), selection_);
        for (const WalkSeen& walk : steps_.walks) {
            EXPECT_EQ(walk.encrypt, c.encrypt);
            EXPECT_TRUE(walk.bufferLive);
            EXPECT_EQ(walk.progressCaption, c.caption);
            EXPECT_EQ(walk.progressOwner, owner_.hwnd());
            EXPECT_FALSE(walk.ownerEnabled) << "the owner takes input during the run";
        }
        EXPECT_EQ(steps_.finished, std::vector<bool>{false}) << "the run ends once, after the last path";
        ExpectTornDown();
        EXPECT_EQ(GetActiveWindow(), owner_.hwnd());
    }
}

// Explorer may invoke a command by the canonical verb it read from
// GetCommandString, on an object other than the one that filled the menu.
TEST_F(CommandRun, EachReportedVerbInvokesItsCommand) {
    vftest::ComRef<IContextMenu> menu;
    NewObject(menu, selection_);
    for (UINT offset : {IDM_ENCRYPT, IDM_DECRYPT}) {
        char verb[64] = "";
        WCHAR wideVerb[64] = L"";
        ASSERT_EQ(menu->GetCommandString(offset, GCS_VERBA, nullptr, verb, sizeof verb), S_OK);
        ASSERT_EQ(menu->GetCommandString(offset, GCS_VERBW, nullptr, reinterpret_cast<LPSTR>(wideVerb), 64), S_OK);
        std::string upper = verb;
        CharUpperA(upper.data());
        const char* otherVerb = kMenuCommands[1 - offset].verb;

        struct Call {
            const char* how;
            DWORD cbSize, mask;
            const char* ansi;
            const WCHAR* wide;
        };
        const Call calls[] = {
            {"ANSI", sizeof(CMINVOKECOMMANDINFO), 0, verb, nullptr},
            {"ANSI, upper case", sizeof(CMINVOKECOMMANDINFO), 0, upper.c_str(), nullptr},
            {"wide, ahead of the ANSI field", sizeof(CMINVOKECOMMANDINFOEX), CMIC_MASK_UNICODE, otherVerb, wideVerb},
            {"Unicode flag on a short structure: ANSI", sizeof(CMINVOKECOMMANDINFO), CMIC_MASK_UNICODE, verb, nullptr},
        };
        for (const Call& call : calls) {
            SCOPED_TRACE(std::string(verb) + ", " + call.how);
            CMINVOKECOMMANDINFOEX info{};
            info.cbSize = call.cbSize;
            info.fMask = call.mask;
            info.lpVerb = call.ansi;
            info.lpVerbW = call.wide;
            steps_.walks.clear();
            EXPECT_EQ(menu->InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&info)), S_OK);
            ASSERT_EQ(WalkedPaths(), selection_);
            EXPECT_EQ(steps_.walks[0].encrypt, kMenuCommands[offset].encrypt);
            EXPECT_EQ(steps_.walks[0].progressCaption,
                      offset == IDM_ENCRYPT ? "Encrypting Files..." : "Decrypting Files...");
            ExpectTornDown();
        }
    }
}

TEST_F(CommandRun, RetainedKeyAsksForNoPasswordAndOutlivesTheRun) {
    steps_.retainedKeyStored = TRUE;
    EXPECT_EQ(Run(), S_OK);
    EXPECT_EQ(steps_.loadCalls, 1);
    EXPECT_EQ(steps_.acquireCalls, 0);
    EXPECT_EQ(steps_.walks.size(), 3u);
    EXPECT_EQ(g_bKeyValid, TRUE);
    EXPECT_EQ(memcmp(&g_Key, &kRetainedKey, sizeof g_Key), 0);
}

TEST_F(CommandRun, EnteredKeyIsWipedAtTheEnd) {
    const BOOL families[] = {TRUE, FALSE};
    for (BOOL nt : families) {
        steps_ = Steps{};
        steps_.nt = nt;
        EXPECT_EQ(Run(), S_OK);
        EXPECT_EQ(steps_.loadCalls, nt ? 1 : 0) << "a retained key exists on the NT family only";
        EXPECT_EQ(steps_.acquireCalls, 1);
        EXPECT_EQ(steps_.acquireDestination, &g_CheckValue);
        EXPECT_EQ(steps_.walks.size(), 3u);
        EXPECT_EQ(g_bKeyValid, FALSE);
        EXPECT_TRUE(IsWiped(g_Key));
    }
}

TEST_F(CommandRun, WithoutAKeyNothingOpensAndTheTypedDigestIsWiped) {
    steps_.acquireResult = 0;
    EXPECT_EQ(Run(), S_OK);
    EXPECT_TRUE(steps_.walks.empty());
    EXPECT_TRUE(IsWiped(g_Key));
    ExpectTornDown();
}

TEST_F(CommandRun, CancelledPasswordDialogOpensNoProgressWindow) {
    steps_.cancelDuringAcquire = true;
    EXPECT_EQ(Run(), S_OK);
    EXPECT_TRUE(steps_.walks.empty());
    EXPECT_TRUE(IsWiped(g_Key));
    ExpectTornDown();
}

TEST_F(CommandRun, WalkerAskingToStopEndsTheRun) {
    steps_.stopAtWalk = 0;
    EXPECT_EQ(Run(), S_OK);
    EXPECT_EQ(WalkedPaths(), std::vector<std::string>{"C:\\first"});
    EXPECT_EQ(steps_.finished, std::vector<bool>{true}) << "told that it stopped early";
    ExpectTornDown();
}

// Captions of the dialogs destroyed on this thread while it exists: a window
// that only flashes is too quick for the GUI helper to see.
class DestroyedDialogs {
public:
    DestroyedDialogs() : hook_(SetWindowsHookExA(WH_CBT, Hook, nullptr, GetCurrentThreadId())) {
        s_captions = &captions_;
    }
    ~DestroyedDialogs() {
        UnhookWindowsHookEx(hook_);
        s_captions = nullptr;
    }
    const std::vector<std::string>& captions() const { return captions_; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        HWND window = reinterpret_cast<HWND>(wParam);
        if (code == HCBT_DESTROYWND && s_captions && vftest::WindowClass(window) == "#32770") {
            char caption[64] = "";
            GetWindowTextA(window, caption, sizeof caption);
            s_captions->push_back(caption);
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline std::vector<std::string>* s_captions;
    HHOOK hook_;
    std::vector<std::string> captions_;
};

TEST_F(CommandRun, EmptySelectionStillOpensAndClosesTheWindow) {
    selection_.clear();
    DestroyedDialogs dialogs;
    EXPECT_EQ(Run(), S_OK);
    EXPECT_EQ(dialogs.captions(), std::vector<std::string>{"Encrypting Files..."});
    EXPECT_TRUE(steps_.walks.empty());
    EXPECT_TRUE(IsWiped(g_Key));
    ExpectTornDown();
}

TEST_F(CommandRun, DeadOwnerGivesWayToTheShellsWindow) {
    vftest::OwnerWindow shellWindow;
    HWND dead = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(dead);
    g_hwndOwner = dead;
    EXPECT_EQ(Run(IDM_ENCRYPT, shellWindow.hwnd()), S_OK);
    ASSERT_EQ(steps_.walks.size(), 3u);
    EXPECT_EQ(steps_.walks[0].progressOwner, shellWindow.hwnd());
    EXPECT_EQ(g_hwndOwner, shellWindow.hwnd());

    g_hwndOwner = dead;
    steps_.walks.clear();
    EXPECT_EQ(Run(IDM_ENCRYPT, nullptr), S_OK);
    EXPECT_EQ(g_hwndOwner, nullptr) << "no live window to own the run";
    EXPECT_EQ(steps_.walks.size(), 3u);
}

TEST_F(CommandRun, SelectionChangedDuringTheRunDoesNotChangeWhatIsWalked) {
    vftest::ComRef<IContextMenu> menu;
    CShellExtension* object = NewObject(menu, selection_);
    // The shell hands the object more paths while the run pumps messages.
    steps_.duringWalk = [&] {
        if (steps_.walks.size() != 1) return;
        IDataObject* data = vftest::CreateDropDataObject(std::vector<std::string>(50, "C:\\later"));
        object->Initialize(nullptr, data, nullptr);
        data->Release();
    };
    EXPECT_EQ(Invoke(menu.get(), IDM_ENCRYPT), S_OK);
    EXPECT_EQ(WalkedPaths(), selection_);
}

// Explorer keeps several objects alive at once, for one menu or for the
// menus of several windows: each runs over the paths it was given.
TEST_F(CommandRun, EachObjectWalksItsOwnSelection) {
    const std::vector<std::string> first{"C:\\a\\one", "C:\\a\\two"}, second{"D:\\b"};
    vftest::ComRef<IContextMenu> a, b;
    NewObject(a, first);
    NewObject(b, second);
    EXPECT_EQ(Invoke(a.get(), IDM_ENCRYPT), S_OK);
    EXPECT_EQ(WalkedPaths(), first);
    steps_.walks.clear();
    EXPECT_EQ(Invoke(b.get(), IDM_DECRYPT), S_OK);
    EXPECT_EQ(WalkedPaths(), second);
    a.Reset();
    steps_.walks.clear();
    EXPECT_EQ(Invoke(b.get(), IDM_DECRYPT), S_OK);
    EXPECT_EQ(WalkedPaths(), second) << "the end of another object took the selection away";
}

TEST_F(CommandRun, SecondCommandDuringARunIsRefusedVisiblyAndTouchesNothing) {
    vftest::OwnerWindow clicked;  // the window of the second command, not the run's owner
    vftest::ComRef<IContextMenu> other;
    HRESULT nested = S_OK, fromThread = S_OK;
    BOOL cancelSeen = -1;
    steps_.duringWalk = [&] {
        if (steps_.walks.size() != 1) return;
        g_bCancel = 5;  // a sentinel the refused runs must leave alone
        // Re-entered on this thread, as through the message pump.
        CMINVOKECOMMANDINFO info{};
        info.cbSize = sizeof info;
        info.lpVerb = MAKEINTRESOURCEA(IDM_DECRYPT);
        info.hwnd = clicked.hwnd();
        nested = other->InvokeCommand(&info);
        // And from another thread.
        std::thread([&] {
            fromThread = RunCommand(kMenuCommands[IDM_DECRYPT], WideSelection(), nullptr, kFakeSteps);
        }).join();
        cancelSeen = g_bCancel;
        g_bCancel = FALSE;
    };
    ASSERT_EQ(HandOut(new CShellExtension, IID_IContextMenu, other.out()), S_OK);
    selection_ = {"C:\\first", "C:\\second"};
    std::vector<vftest::MessageBoxSeen> boxes;
    vftest::GuiHelper gui([&](vftest::Gui& ui) {
        for (int i = 0; i < 2; ++i) {
            boxes.push_back(ui.WaitMessageBox());
            ui.Answer(boxes.back(), IDOK);
        }
    });
    EXPECT_EQ(Run(), S_OK);
    gui.Join();
    ASSERT_EQ(boxes.size(), 2u);
    for (const vftest::MessageBoxSeen& box : boxes) {
        EXPECT_EQ(box.caption, "Veilfold");
        EXPECT_EQ(box.text,
                  "Files are already being encrypted or decrypted.\r\nPlease try again when that has finished.");
    }
    EXPECT_EQ(boxes[0].owner, clicked.hwnd()) << "the box belongs to the window the user clicked";
    EXPECT_EQ(boxes[1].owner, nullptr) << "a command without a window still gets its box";
    EXPECT_EQ(nested, kRunAlreadyActive);
    EXPECT_EQ(fromThread, kRunAlreadyActive);
    EXPECT_EQ(cancelSeen, 5);
    EXPECT_EQ(steps_.acquireCalls, 1) << "a refused run asked for a key";
    EXPECT_EQ(WalkedPaths(), (std::vector<std::string>{"C:\\first", "C:\\second"}));
    other.Reset();
    selection_ = {"C:\\again"};
    steps_.walks.clear();
    steps_.duringWalk = nullptr;
    EXPECT_EQ(Run(), S_OK) << "the next run after the end is accepted";
    EXPECT_EQ(WalkedPaths(), std::vector<std::string>{"C:\\again"});
}

TEST_F(CommandRun, CancelStopsTheRunBeforeTheNextPathAndGivesTheOwnerBack) {
    // The walker pumps messages like the real one, until the user has cancelled.
    steps_.duringWalk = [] { vftest::PumpUntil([] { return g_bCancel != FALSE; }); };
    vftest::GuiHelper gui([](vftest::Gui& ui) {
        HWND window = ui.WaitWindow("Encrypting Files...");
        ui.Screenshot("progress-window");
        ui.Click(window, IDCANCEL);
        ui.WaitGone(window);
    });
    EXPECT_EQ(Run(), S_OK);
    gui.Join();
    EXPECT_EQ(WalkedPaths(), std::vector<std::string>{"C:\\first"});
    ExpectTornDown();
    EXPECT_EQ(GetActiveWindow(), owner_.hwnd());
    EXPECT_TRUE(IsWiped(g_Key));
}

}  // namespace

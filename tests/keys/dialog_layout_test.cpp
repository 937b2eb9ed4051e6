// The three password dialog templates as the module carries them: styles,
// controls in tab order, texts, positions and sizes; and a screenshot of each
// on screen.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "keys/password_dialogs.h"
#include "keys_fixture.h"
#include "shell/state.h"

namespace {

using namespace keytest;

enum ClassOrdinal : WORD { kButton = 0x80, kEdit = 0x81, kStatic = 0x82 };

struct Control {
    DWORD id;
    WORD cls;
    std::string text;
    short x, y, cx, cy;
    DWORD style;  // every bit must be present; the low five bits (the control's kind) exactly
};

struct Template {
    std::string caption;
    short cx, cy;
    DWORD style, exStyle;
    std::string font;
    WORD pointSize;
    std::vector<Control> controls;
};

// Reads a DLGTEMPLATEEX resource.
class TemplateReader {
public:
    explicit TemplateReader(const BYTE* data) : p_(data) {}

    Template Read() {
        Template t;
        Skip(4 + 4);  // version and signature, help id
        t.exStyle = Dword();
        t.style = Dword();
        WORD count = Word();
        Skip(4);  // x, y
        t.cx = static_cast<short>(Word());
        t.cy = static_cast<short>(Word());
        SzOrOrd();  // menu
        SzOrOrd();  // class
        t.caption = Sz();
        t.pointSize = Word();
        Skip(4);  // weight, italic, charset
        t.font = Sz();
        for (WORD i = 0; i < count; ++i) t.controls.push_back(ReadControl());
        return t;
    }

private:
    Control ReadControl() {
        Align();
        Control c{};
        Skip(8);  // help id, extended style
        c.style = Dword();
        c.x = static_cast<short>(Word());
        c.y = static_cast<short>(Word());
        c.cx = static_cast<short>(Word());
        c.cy = static_cast<short>(Word());
        c.id = Dword();
        c.cls = static_cast<WORD>(SzOrOrd());
        c.text = Sz();
        Skip(Word());  // creation data
        return c;
    }
    WORD Word() {
        WORD w;
        std::memcpy(&w, p_, 2);
        p_ += 2;
        return w;
    }
    DWORD Dword() {
        DWORD d;
        std::memcpy(&d, p_, 4);
        p_ += 4;
        return d;
    }
    void Skip(size_t n) { p_ += n; }
    void Align() { p_ = reinterpret_cast<const BYTE*>((reinterpret_cast<ULONG_PTR>(p_) + 3) & ~ULONG_PTR{3}); }
    std::string Sz() {
        std::string s;
        for (WORD c = Word(); c; c = Word()) s.push_back(static_cast<char>(c));
        return s;
    }
    // An ordinal, or 0 after a name (names are not used for classes here).
    DWORD SzOrOrd() {
        const BYTE* start = p_;
        if (Word() == 0xFFFF) return Word();
        p_ = start;
        Sz();
        return 0;
    }
    const BYTE* p_;
};

Template LoadTemplate(const char* name) {
    HRSRC resource = FindResourceA(g_hInstance, name, MAKEINTRESOURCEA(5));  // RT_DIALOG
    EXPECT_NE(resource, nullptr) << name;
    if (!resource) return {};
    return TemplateReader(static_cast<const BYTE*>(LockResource(LoadResource(g_hInstance, resource)))).Read();
}

constexpr DWORD kEditStyle = ES_PASSWORD | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
constexpr DWORD kPushStyle = BS_CENTER | WS_TABSTOP;
constexpr DWORD kLabelStyle = SS_LEFT;

std::vector<Control> EnterButtons(short y) {
    return {{IDOK, kButton, "OK", 8, y, 48, 14, kPushStyle | BS_DEFPUSHBUTTON},
            {IDCANCEL, kButton, "Cancel", 60, y, 48, 14, kPushStyle},
            {108, kButton, "&Change Password", 112, y, 72, 14, kPushStyle},
            {135, kButton, "&About", 188, y, 44, 14, kPushStyle}};
}

std::vector<Control> Concat(std::vector<Control> a, const std::vector<Control>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

void ExpectTemplate(const char* name, const std::string& caption, short cx, short cy,
                    const std::vector<Control>& expected) {
    SCOPED_TRACE(name);
    Template t = LoadTemplate(name);
    EXPECT_EQ(t.caption, caption);
    EXPECT_EQ(t.cx, cx);
    EXPECT_EQ(t.cy, cy);
    EXPECT_EQ(t.style, 0x90C830C4u);
    EXPECT_EQ(t.exStyle, 0x401u);
    EXPECT_EQ(t.font, "MS Sans Serif");
    EXPECT_EQ(t.pointSize, 8);
    ASSERT_EQ(t.controls.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const Control &got = t.controls[i], &want = expected[i];
        SCOPED_TRACE("control " + std::to_string(i) + " \"" + want.text + "\"");
        EXPECT_EQ(got.id, want.id);
        EXPECT_EQ(got.cls, want.cls);
        EXPECT_EQ(got.text, want.text);
        EXPECT_EQ((std::vector<short>{got.x, got.y, got.cx, got.cy}),
                  (std::vector<short>{want.x, want.y, want.cx, want.cy}));
        EXPECT_EQ(got.style & want.style, want.style);
        EXPECT_EQ(got.style & 0x1F, want.style & 0x1F);
    }
}

TEST(DialogTemplates, MatchTheirLayout) {
    const std::vector<Control> passwordField = {{0xFFFF, kStatic, "&Password", 8, 4, 80, 8, kLabelStyle},
                                                {114, kEdit, "", 8, 14, 224, 12, kEditStyle}};
    ExpectTemplate("ENTERPASSDLG95", "Enter Encryption Password", 239, 55, Concat(passwordField, EnterButtons(34)));

    const std::vector<Control> options = {
        {116, kButton, "Password &Options", 8, 30, 224, 43, BS_GROUPBOX | WS_GROUP},
        {103, kButton, "Don't keep password in memory", 12, 43, 156, 12, BS_AUTORADIOBUTTON | WS_TABSTOP},
        {104, kButton, "Keep password in memory until shutdown", 12, 56, 156, 12, BS_AUTORADIOBUTTON | WS_TABSTOP}};
    ExpectTemplate("ENTERPASSDLGNT", "Enter Encryption Password", 239, 103,
                   Concat(Concat(passwordField, options), EnterButtons(82)));

    ExpectTemplate("CHGPASSDLG", "Change Encryption Password", 239, 126,
                   {{0xFFFF, kStatic, "", 8, 4, 224, 22, kLabelStyle},
                    {134, kStatic, "&Old Password", 8, 30, 60, 8, kLabelStyle},
                    {114, kEdit, "", 8, 39, 224, 12, kEditStyle},
                    {0xFFFF, kStatic, "&New Password", 8, 56, 88, 8, kLabelStyle},
                    {101, kEdit, "", 8, 65, 224, 12, kEditStyle},
                    {0xFFFF, kStatic, "&Repeat New Password", 8, 82, 100, 8, kLabelStyle},
                    {102, kEdit, "", 8, 90, 224, 12, kEditStyle},
                    {IDOK, kButton, "OK", 49, 107, 50, 14, kPushStyle | BS_DEFPUSHBUTTON},
                    {IDCANCEL, kButton, "Cancel", 141, 107, 50, 14, kPushStyle}});
}

class DialogScreenshots : public KeysTest {};

// Screenshots under the build tree, for a look at the real layout.
TEST_F(DialogScreenshots, OfEachPasswordDialog) {
    struct {
        const char* templateName;
        BOOL isNT;
        DLGPROC procedure;
        const char* caption;
        const char* screenshot;
    } const dialogs[] = {
        {"ENTERPASSDLG95", FALSE, EnterPasswordDlgProc, "Enter Encryption Password", "keys-enter-password-95"},
        {"ENTERPASSDLGNT", TRUE, EnterPasswordDlgProc, "Enter Encryption Password", "keys-enter-password-nt"},
        {"CHGPASSDLG", TRUE, ChangePasswordDlgProc, "Change Encryption Password", "keys-change-password"},
    };
    g_CheckValue = DigestFromText(kSecret.check);  // the change dialog with its old-password field
    lstrcpyA(g_szMessage, kNewPasswordPrompt);
    for (const auto& d : dialogs) {
        g_bIsNT = d.isNT;
        vftest::GuiHelper gui([&](vftest::Gui& ui) {
            HWND dialog = ui.WaitWindow(d.caption);
            ui.Type(dialog, 114, "password");
            // Painted before the picture is taken, not whenever the dialog gets round to it.
            RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
            ui.Screenshot(d.screenshot);
            ui.Click(dialog, IDCANCEL);
            ui.WaitGone(dialog);
        });
        EXPECT_EQ(DialogBoxParamA(g_hInstance, d.templateName, nullptr, d.procedure, 0), 0);
        gui.Join();
    }
}

}  // namespace

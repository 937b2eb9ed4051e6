// The three password dialogs: their templates as the module carries them
// (styles, controls in tab order, texts, positions and sizes), and what the
// user sees of them on the screen.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/state.h"
#include "common/texts.h"
#include "keys/password_dialogs.h"
#include "keys_fixture.h"
#include "resource.h"

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
            {IDC_CHANGE_PASSWORD, kButton, "&Change Password", 112, y, 72, 14, kPushStyle},
            {IDC_ABOUT, kButton, "&About", 188, y, 44, 14, kPushStyle}};
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
    const std::vector<Control> passwordField = {{IDC_STATIC_TEXT, kStatic, "&Password", 8, 4, 80, 8, kLabelStyle},
                                                {IDC_PASSWORD, kEdit, "", 8, 14, 224, 12, kEditStyle}};
    ExpectTemplate("ENTERPASSDLG95", "Enter Encryption Password", 239, 55, Concat(passwordField, EnterButtons(34)));

    const std::vector<Control> options = {
        {IDC_PASSWORD_OPTIONS, kButton, "Password &Options", 8, 30, 224, 43, BS_GROUPBOX | WS_GROUP},
        {IDC_DONT_KEEP_PASSWORD, kButton, "Don't keep password in memory", 12, 43, 156, 12,
         BS_AUTORADIOBUTTON | WS_TABSTOP},
        {IDC_KEEP_PASSWORD, kButton, "Keep password in memory until shutdown", 12, 56, 156, 12,
         BS_AUTORADIOBUTTON | WS_TABSTOP}};
    ExpectTemplate("ENTERPASSDLGNT", "Enter Encryption Password", 239, 103,
                   Concat(Concat(passwordField, options), EnterButtons(82)));

    ExpectTemplate("CHGPASSDLG", "Change Encryption Password", 239, 126,
                   {{IDC_STATIC_TEXT, kStatic, "", 8, 4, 224, 22, kLabelStyle},
                    {IDC_OLDPASSWORD_LABEL, kStatic, "&Old Password", 8, 30, 60, 8, kLabelStyle},
                    {IDC_PASSWORD, kEdit, "", 8, 39, 224, 12, kEditStyle},
                    {IDC_STATIC_TEXT, kStatic, "&New Password", 8, 56, 88, 8, kLabelStyle},
                    {IDC_NEWPASSWORD, kEdit, "", 8, 65, 224, 12, kEditStyle},
                    {IDC_STATIC_TEXT, kStatic, "&Repeat New Password", 8, 82, 100, 8, kLabelStyle},
                    {IDC_REPEATPASSWORD, kEdit, "", 8, 90, 224, 12, kEditStyle},
                    {IDOK, kButton, "OK", 49, 107, 50, 14, kPushStyle | BS_DEFPUSHBUTTON},
                    {IDCANCEL, kButton, "Cancel", 141, 107, 50, 14, kPushStyle}});
}

// Where a control stands, in its dialog's client coordinates.
RECT RectInDialog(HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The room a control's text needs in the control's own font (DrawText takes
// the mnemonic "&" out, as the control does). Labels wrap at their width.
SIZE TextNeeds(vftest::Gui& ui, HWND control) {
    const std::string text = ui.Text(control);
    RECT room{0, 0, 0, 0};
    UINT format = DT_CALCRECT | DT_SINGLELINE;
    if (vftest::WindowClass(control) == "Static") {
        GetClientRect(control, &room);
        format = DT_CALCRECT | DT_WORDBREAK;
    }
    HDC dc = GetDC(control);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(ui.Send(control, WM_GETFONT)));
    DrawTextA(dc, text.c_str(), -1, &room, format);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return {room.right - room.left, room.bottom - room.top};
}

// Width left for the text beside a radio button's circle, or inside a push button's frame.
int TextRoom(HWND control) {
    RECT client;
    GetClientRect(control, &client);
    const LONG kind = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
    if (vftest::WindowClass(control) != "Button" || kind == BS_GROUPBOX) return client.right;
    if (kind == BS_AUTORADIOBUTTON)
        return client.right - GetSystemMetrics(SM_CXMENUCHECK) - GetSystemMetrics(SM_CXEDGE);
    return client.right - 4 * GetSystemMetrics(SM_CXEDGE);
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool IsGroupBox(HWND control) {
    return vftest::WindowClass(control) == "Button" &&
           (GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

// What the user sees of each dialog in each of its forms: every control inside
// the client area, none over another (but inside its group box), and no text
// cut off. A screenshot of each is kept under the build tree.
class PasswordDialogsOnScreen : public KeysTest {};

TEST_F(PasswordDialogsOnScreen, ShowEveryControlWholeAndApart) {
    struct {
        const char* templateName;
        BOOL isNT;
        bool passwordSet;  // the change dialog asks for the old password
        const char* message;
        DLGPROC procedure;
        const char* caption;
        const char* screenshot;
    } const dialogs[] = {
        {kEnterPassword95Template, FALSE, true, "", EnterPasswordDlgProc, "Enter Encryption Password",
         "keys-enter-password-95"},
        {kEnterPasswordNTTemplate, TRUE, true, "", EnterPasswordDlgProc, "Enter Encryption Password",
         "keys-enter-password-nt"},
        {kChangePasswordTemplate, TRUE, true, kNewPasswordPrompt, ChangePasswordDlgProc, "Change Encryption Password",
         "keys-change-password"},
        {kChangePasswordTemplate, TRUE, false, kNoCheckValuePrompt, ChangePasswordDlgProc, "Change Encryption Password",
         "keys-change-password-first-use"},
    };
    for (const auto& d : dialogs) {
        SCOPED_TRACE(d.screenshot);
        g_bIsNT = d.isNT;
        g_CheckValue = d.passwordSet ? DigestFromText(kSecret.check) : KeyDigest{};
        lstrcpyA(g_szMessage, d.message);
        vftest::GuiHelper gui([&](vftest::Gui& ui) {
            HWND dialog = ui.WaitWindow(d.caption);
            RECT client;
            GetClientRect(dialog, &client);
            std::vector<HWND> shown;
            for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT))
                if (IsWindowVisible(control)) shown.push_back(control);
            for (size_t i = 0; i < shown.size(); ++i) {
                const HWND control = shown[i];
                const std::string name = std::to_string(GetDlgCtrlID(control)) + " \"" + ui.Text(control) + "\"";
                const RECT rect = RectInDialog(control);
                EXPECT_TRUE(Inside(rect, client)) << name << " reaches outside the dialog";
                for (size_t j = i + 1; j < shown.size(); ++j) {
                    const RECT other = RectInDialog(shown[j]);
                    RECT overlap;
                    if (!IntersectRect(&overlap, &rect, &other)) continue;
                    const bool grouped =
                        (IsGroupBox(control) && Inside(other, rect)) || (IsGroupBox(shown[j]) && Inside(rect, other));
                    EXPECT_TRUE(grouped) << name << " overlaps \"" << ui.Text(shown[j]) << "\"";
                }
                if (vftest::WindowClass(control) == "Edit") continue;  // typed text scrolls
                RECT inner;
                GetClientRect(control, &inner);
                const SIZE needs = TextNeeds(ui, control);
                EXPECT_LE(needs.cx, TextRoom(control)) << name << " is cut off at the side";
                EXPECT_LE(needs.cy, inner.bottom) << name << " is cut off at the bottom";
            }
            ui.Type(dialog, IDC_PASSWORD, "password");
            // Painted before the picture is taken, not whenever the dialog gets round to it.
            ui.Repaint(dialog);
            ui.Screenshot(d.screenshot);
            ui.Click(dialog, IDCANCEL);
            ui.WaitGone(dialog);
        });
        EXPECT_EQ(DialogBoxParamA(g_hInstance, d.templateName, nullptr, d.procedure, 0), 0);
        gui.Join();
    }
}

}  // namespace

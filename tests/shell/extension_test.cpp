// The context-menu extension object: selection, menu items, command strings.
#include <windows.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/state.h"
#include "gui.h"
#include "paths.h"
#include "shared_state.h"
#include "shell/extension.h"
#include "shell/factory.h"
#include "shell_fixtures.h"

namespace {

using vftest::ComRef;

class Extension : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        objectsBefore_ = g_cObjects;
        object_ = new CShellExtension;
        ASSERT_EQ(HandOut(object_, IID_IShellExtInit, init_.out()), S_OK);
        ASSERT_EQ(init_->QueryInterface(IID_IContextMenu, menu_.out()), S_OK);
    }
    void TearDown() override {
        menu_.Reset();
        init_.Reset();
        OleUninitialize();
    }

    HRESULT InitializeWith(IDataObject* data) {
        HRESULT result = init_->Initialize(nullptr, data, nullptr);
        if (data) data->Release();
        return result;
    }

    std::vector<std::string> MakeFiles(const std::vector<std::string>& names) {
        std::vector<std::string> paths;
        for (const std::string& name : names) {
            paths.push_back(dir_ / name);
            EXPECT_TRUE(vftest::WriteFileBytes(paths.back(), name));
        }
        return paths;
    }

    vftest::SharedStateScope state_;
    vftest::TempDir dir_;
    ComRef<IShellExtInit> init_;
    // The object's selection in UTF-8.
    std::vector<std::string> Selected() const {
        std::vector<std::string> paths;
        for (const std::wstring& path : object_->Selection()) paths.push_back(vftest::Utf8(path));
        return paths;
    }

    ComRef<IContextMenu> menu_;
    CShellExtension* object_ = nullptr;  // alive while init_ or menu_ holds it
    LONG objectsBefore_ = 0;
};

TEST_F(Extension, InitializeRecordsTheShellsSelectionInItsOrder) {
    auto paths = MakeFiles({"c.txt", "a.txt", "b.txt"});
    IDataObject* data = vftest::CreateShellDataObject(paths);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(InitializeWith(data), S_OK);
    EXPECT_EQ(Selected(), paths);
}

TEST_F(Extension, SecondInitializeKeepsTheEarlierSelectionFirst) {
    auto first = MakeFiles({"one.txt"});
    auto second = MakeFiles({"two.txt", "three.txt"});
    EXPECT_EQ(InitializeWith(vftest::CreateShellDataObject(first)), S_OK);
    EXPECT_EQ(InitializeWith(vftest::CreateShellDataObject(second)), S_OK);
    EXPECT_EQ(Selected(), (std::vector<std::string>{first[0], second[0], second[1]}));
}

TEST_F(Extension, LastReleaseLowersTheCount) {
    EXPECT_EQ(InitializeWith(vftest::CreateDropDataObject({"C:\\x.txt", "C:\\y"})), S_OK);
    EXPECT_EQ(g_cObjects, objectsBefore_ + 1);
    menu_.Reset();
    EXPECT_EQ(object_->Selection().size(), 2u) << "the object is still held through IShellExtInit";
    init_.Reset();
    EXPECT_EQ(g_cObjects, objectsBefore_);
}

TEST_F(Extension, PathsArriveWholeWhateverTheirLengthOrCharacters) {
    const std::vector<std::string> paths = {"C:\\" + std::string(300, 'p'),
                                            "C:\\\u65e5\u672c\\\u0444\u0430\u0439\u043b \U0001F512.txt",
                                            "C:\\" + std::string(32000, 'q'), "C:\\short"};
    EXPECT_EQ(InitializeWith(vftest::CreateDropDataObject(paths)), S_OK);
    EXPECT_EQ(Selected(), paths);
}

TEST_F(Extension, InitializeWithoutUsableDataRecordsNothing) {
    EXPECT_EQ(InitializeWith(nullptr), E_FAIL);
    EXPECT_EQ(InitializeWith(vftest::CreateDropDataObject({"C:\\x"}, true)), E_FAIL);
    EXPECT_TRUE(object_->Selection().empty());
    EXPECT_EQ(InitializeWith(vftest::CreateDropDataObject({})), S_OK);
    EXPECT_TRUE(object_->Selection().empty());
}

// A popup menu with seven items of the shell's own, ids 1 to 7.
class ShellMenu {
public:
    ShellMenu() : menu_(CreatePopupMenu()) {
        for (UINT id = 1; id <= 7; ++id) AppendMenuA(menu_, MF_STRING, id, ("Item " + std::to_string(id)).c_str());
    }
    ~ShellMenu() { DestroyMenu(menu_); }
    HMENU get() const { return menu_; }
    std::string Text(int position) const {
        char text[64] = "";
        GetMenuStringA(menu_, position, text, sizeof text, MF_BYPOSITION);
        return text;
    }

private:
    HMENU menu_;
};

TEST_F(Extension, QueryContextMenuAddsASeparatorAndTwoCommands) {
    ShellMenu menu;
    EXPECT_EQ(menu_->QueryContextMenu(menu.get(), 5, 100, 200, CMF_NORMAL), 2);
    ASSERT_EQ(GetMenuItemCount(menu.get()), 10);
    EXPECT_EQ(GetMenuState(menu.get(), 5, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
    EXPECT_EQ(menu.Text(6), "&Encrypt");
    EXPECT_EQ(GetMenuItemID(menu.get(), 6), 100u);
    EXPECT_EQ(menu.Text(7), "&Decrypt");
    EXPECT_EQ(GetMenuItemID(menu.get(), 7), 101u);
    EXPECT_EQ(menu.Text(8), "Item 6") << "the shell's items move down";
}

TEST_F(Extension, QueryContextMenuAddsNothingWhereItsItemsDoNotBelong) {
    struct Case {
        UINT first, last, flags;
    };
    const Case cases[] = {
        {100, 200, CMF_DEFAULTONLY},  // the shell wants the default verb only
        {100, 100, CMF_NORMAL},       // one id left: Decrypt would take another handler's id
        {100, 99, CMF_NORMAL},        // none left
    };
    for (const Case& c : cases) {
        ShellMenu menu;
        EXPECT_EQ(menu_->QueryContextMenu(menu.get(), 0, c.first, c.last, c.flags), 0);
        EXPECT_EQ(GetMenuItemCount(menu.get()), 7);
    }
    ShellMenu menu;
    EXPECT_EQ(menu_->QueryContextMenu(menu.get(), 0, 100, 101, CMF_NORMAL), 2) << "exactly enough ids";
}

TEST_F(Extension, GetCommandStringAnswersEachKindOfRequest) {
    struct Case {
        UINT_PTR offset;
        UINT type;
        UINT cchMax;
        HRESULT result;
        const char* text;  // expected contents of the buffer (wide requests compared after conversion)
    };
    const Case cases[] = {
        {0, GCS_HELPTEXTA, 64, S_OK, "Encrypt selected files."},
        {1, GCS_HELPTEXTA, 64, S_OK, "Decrypt selected files."},
        {1, GCS_HELPTEXTW, 64, S_OK, "Decrypt selected files."},
        {0, GCS_VERBA, 64, S_OK, "encrypt"},
        {1, GCS_VERBW, 64, S_OK, "decrypt"},
        {0, GCS_HELPTEXTA, 8, S_OK, "Encrypt"},  // cut to the buffer, terminator included
        {1, GCS_HELPTEXTW, 4, S_OK, "Dec"},
        {0, GCS_HELPTEXTA, 0, E_INVALIDARG, ""},
        {2, GCS_HELPTEXTA, 64, E_INVALIDARG, ""},
        {2, GCS_VALIDATEA, 0, E_INVALIDARG, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("offset " + std::to_string(c.offset) + " type " + std::to_string(c.type) + " cchMax " +
                     std::to_string(c.cchMax));
        // Guard bytes after cchMax characters show any write past the end.
        union {
            char ansi[256];
            WCHAR wide[128];
        } buffer;
        memset(&buffer, 0x7F, sizeof buffer);
        EXPECT_EQ(menu_->GetCommandString(c.offset, c.type, nullptr, buffer.ansi, c.cchMax), c.result);
        bool wide = c.type & GCS_UNICODE;
        std::string got;
        if (c.result == S_OK && wide) {
            char ansi[128];
            WideCharToMultiByte(CP_ACP, 0, buffer.wide, -1, ansi, sizeof ansi, nullptr, nullptr);
            got = ansi;
            EXPECT_EQ(buffer.wide[c.cchMax], 0x7F7F);
        } else if (c.result == S_OK) {
            got = buffer.ansi;
            EXPECT_EQ(buffer.ansi[c.cchMax], 0x7F);
        }
        EXPECT_EQ(got, c.text);
    }
    char unused[4];
    EXPECT_EQ(menu_->GetCommandString(0, GCS_VALIDATEA, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(menu_->GetCommandString(1, GCS_VALIDATEW, nullptr, unused, 0), S_OK);
}

TEST_F(Extension, InvokeCommandRefusesVerbsItDoesNotKnowAndOpensNothing) {
    g_bCancel = 7;
    g_bIsNT = 7;
    // A run started by mistake would wait in a dialog: the helper closes it and fails the test.
    vftest::GuiHelper watch(vftest::NothingExpected);
    const char* const unknownVerbs[] = {"open", "", "encrypt ", "encryp", "decrypted", "runas"};
    for (const char* verb : unknownVerbs) {
        SCOPED_TRACE(std::string("verb \"") + verb + "\"");
        CMINVOKECOMMANDINFOEX info{};
        info.cbSize = sizeof(CMINVOKECOMMANDINFO);
        info.lpVerb = verb;
        EXPECT_EQ(menu_->InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&info)), E_FAIL);
        // A Unicode caller's verb is the wide one, whatever the ANSI field says.
        std::wstring wide(verb, verb + strlen(verb));
        info.cbSize = sizeof info;
        info.fMask = CMIC_MASK_UNICODE;
        info.lpVerb = "encrypt";
        info.lpVerbW = wide.c_str();
        EXPECT_EQ(menu_->InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&info)), E_FAIL);
    }
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof info;
    info.lpVerb = MAKEINTRESOURCEA(2);
    EXPECT_EQ(menu_->InvokeCommand(&info), E_INVALIDARG);
    watch.Join();
    EXPECT_EQ(g_bCancel, 7) << "the shared state was touched";
    EXPECT_EQ(g_bIsNT, 7);
    EXPECT_TRUE(vftest::ProcessTopLevelWindows().empty());
}

}  // namespace

// The build-time tool refuses texts the About box could not hold.
#include <gtest/gtest.h>

#include "text_encipher.h"

namespace {

TEST(EncipherTool, ChecksThePassPhraseAndTheTextLengths) {
    const PlainAboutTexts good{"Abcdefgh", "Second line", "Title", std::string(255, 'c')};
    struct Case {
        const char* name;
        PlainAboutTexts texts;
        bool accepted;
    };
    auto with = [&](auto change) {
        PlainAboutTexts texts = good;
        change(texts);
        return texts;
    };
    const Case cases[] = {
        {"valid, credits of 255 bytes", good, true},
        {"no credits", with([](PlainAboutTexts& t) { t.credits.clear(); }), true},
        {"pass phrase of 7", with([](PlainAboutTexts& t) { t.passPhrase = "Abcdefg"; }), false},
        {"pass phrase of 9", with([](PlainAboutTexts& t) { t.passPhrase = "Abcdefghi"; }), false},
        {"pass phrase with a control character", with([](PlainAboutTexts& t) { t.passPhrase[3] = '\t'; }), false},
        {"credits of 256 bytes", with([](PlainAboutTexts& t) { t.credits += 'c'; }), false},
        {"title of 256 bytes", with([](PlainAboutTexts& t) { t.title = std::string(256, 't'); }), false},
        {"zero byte inside a text", with([](PlainAboutTexts& t) { t.description[2] = '\0'; }), false},
    };
    for (const Case& c : cases) EXPECT_EQ(CheckAboutTexts(c.texts).empty(), c.accepted) << c.name;
}

TEST(EncipherTool, DropsOnlyTheLineBreaksAtTheEnd) {
    EXPECT_EQ(WithoutTrailingLineBreaks("one\ntwo\r\n\n"), "one\ntwo");
    EXPECT_EQ(WithoutTrailingLineBreaks("one"), "one");
    EXPECT_EQ(WithoutTrailingLineBreaks("\n"), "");
}

TEST(EncipherTool, GeneratedSourceHoldsNoPlainText) {
    const PlainAboutTexts texts{"Q\"z\\?x\x01y", "Some description", "Some title", "Some credits"};
    const std::string source = StoredTextsSource(texts);
    for (const std::string& plain : {texts.description, texts.title, texts.credits})
        EXPECT_EQ(source.find(plain), std::string::npos) << plain;
    // The pass phrase is kept in plain, escaped so that the literal stays valid.
    EXPECT_NE(source.find(R"("Q\042z\134\077x\001y")"), std::string::npos) << source;
}

}  // namespace

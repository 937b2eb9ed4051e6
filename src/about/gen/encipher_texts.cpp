// encipher_texts PASSPHRASE_FILE DESCRIPTION_FILE TITLE_FILE CREDITS_FILE OUTPUT_CPP
// Runs on the build machine: turns the About box's plain texts into the
// source file that holds them enciphered.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "text_encipher.h"

namespace {

bool ReadText(const char* path, std::string& text) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    std::ostringstream content;
    content << file.rdbuf();
    text = WithoutTrailingLineBreaks(content.str());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::cerr << "usage: encipher_texts PASSPHRASE DESCRIPTION TITLE CREDITS OUTPUT\n";
        return 2;
    }
    PlainAboutTexts texts;
    std::string* const fields[] = {&texts.passPhrase, &texts.description, &texts.title, &texts.credits};
    for (int n = 0; n < 4; ++n) {
        if (!ReadText(argv[n + 1], *fields[n])) {
            std::cerr << "encipher_texts: cannot read " << argv[n + 1] << "\n";
            return 1;
        }
    }
    const std::string problem = CheckAboutTexts(texts);
    if (!problem.empty()) {
        std::cerr << "encipher_texts: " << problem << "\n";
        return 1;
    }
    std::ofstream output(argv[5], std::ios::binary | std::ios::trunc);
    output << StoredTextsSource(texts);
    if (!output.flush()) {
        std::cerr << "encipher_texts: cannot write " << argv[5] << "\n";
        std::remove(argv[5]);
        return 1;
    }
    return 0;
}

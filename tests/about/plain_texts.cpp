#include "plain_texts.h"

#include <fstream>
#include <sstream>

std::string ReadPlainAboutText(const std::string& name) {
    std::ifstream file(std::string(VF_ABOUT_TEXTS_DIR) + "/" + name + ".txt", std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    std::string text = content.str();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

#pragma once
// The About box's plain texts as the source tree holds them (src/about/texts).
#include <string>

// "title", "description", "credits" or "passphrase", without the trailing line break.
std::string ReadPlainAboutText(const std::string& name);

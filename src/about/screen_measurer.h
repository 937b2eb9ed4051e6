#pragma once
// Measures the About window's texts on the screen's device context.
#include <windows.h>

#include "about/about_layout.h"

// Lays out the About window from the texts as the screen shows them: the
// title in titleFont (when given), everything else in the system font.
// False when there is no screen device context.
bool MeasureAboutLayout(const AboutContent& content, HFONT titleFont, AboutLayout& layout);

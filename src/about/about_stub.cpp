// Placeholder until the About window lands.
#include "about/about.h"

void ShowAboutBox(HWND) {}

#pragma once
// The go-on prompts of the file processing.
#include "common/messages.h"

// Shows string `formatId` with `path` in a Yes/No box: 1 (go on) for Yes,
// 0 (stop the run) for any other answer.
inline int AskToGoOn(UINT formatId, const char* path) {
    return ShowPathPrompt(formatId, path, kStyleContinue) == IDYES ? 1 : 0;
}

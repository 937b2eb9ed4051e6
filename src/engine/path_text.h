#pragma once
// Paths as the file system spells them: UTF-16 on Windows, bytes elsewhere.
// The engine only ever looks at ASCII characters in them (the separator, a
// leading dot, the ".$#!" mark), so it never converts a name on its way
// through: what a folder listing yields is what goes back to the file system.
#include <string>
#include <string_view>

#ifdef _WIN32
using PathChar = wchar_t;
#define VF_PATH(text) L##text
inline constexpr PathChar kPathSeparator = L'\\';
#else
using PathChar = char;
#define VF_PATH(text) text
inline constexpr PathChar kPathSeparator = '/';
#endif

using PathString = std::basic_string<PathChar>;
using PathView = std::basic_string_view<PathChar>;

// `folder` joined with one of its entries.
inline PathString ChildPath(PathView folder, PathView name) {
    PathString path(folder);
    if (path.empty() || path.back() != kPathSeparator) path += kPathSeparator;
    path += name;
    return path;
}

// The last component of `path`.
inline PathView LeafName(PathView path) {
    size_t separator = path.find_last_of(kPathSeparator);
    return separator == PathView::npos ? path : path.substr(separator + 1);
}

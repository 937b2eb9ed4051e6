// Placeholder until the file transform lands: the walk does nothing.
#include "fileproc/transform.h"
#include "fileproc/walker.h"

#include <windows.h>

int TransformFile(const char*, int) { return 1; }
int ConfirmTransform(const char*, const char*, int) { return IDYES; }
void RenameTransformed(const char*, const char*, int) {}
int WalkPath(const char*, int) { return 1; }
int WalkDirectory(const char*, int) { return 1; }

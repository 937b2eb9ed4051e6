// A module with no resources at all: standing in for the module instance, it
// makes every dialog template and string fail to load.
extern "C" __declspec(dllexport) int VfNoResources() { return 0; }

// Import-table patching of a loaded module. No test framework needed, so
// the benchmark uses it too.
#ifndef TEST_HOST_IMPORT_PATCH_H
#define TEST_HOST_IMPORT_PATCH_H

#include <windows.h>

// Replaces the address the module imports for dll!function with replacement;
// returns the previous address, or NULL when the module does not import it.
void* PatchImport(HMODULE module, const char* dll, const char* function, void* replacement);

#endif

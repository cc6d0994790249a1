// Placement, variable lookup and caption text: portable, no windows.h.
#ifndef PROGRESS_SPINE_LOGIC_H
#define PROGRESS_SPINE_LOGIC_H

#include <cstddef>

// Copies src into dst (capacity dstSize, terminator included), cutting what
// does not fit. dst is always terminated when dstSize > 0; a null src gives "".
void CopyBounded(char* dst, size_t dstSize, const char* src);

// Top-left of a w x h dialog on the three-by-three grid over a cw x ch client
// area; only the low four bits of placementCode count. Codes 9 to 15 fall
// below the area and are pulled back inside it; a dialog larger than the
// area sticks to its top-left corner.
void ComputePlacement(int w, int h, int cw, int ch, int placementCode, int* x, int* y);

// Longest bare variable name that is looked up: "%" name "%" fills 32 chars.
enum { VARIABLE_NAME_MAX = 29 };

// Looks up "%name%" in the host's variable table: count names at
// names + i * nameStride and values at values + i * valueStride, compared
// case-sensitively, the lowest index winning. Writes the value (cut to
// outSize - 1 characters) or "" when there is none, when name is longer than
// VARIABLE_NAME_MAX, or when a table address is null.
void LookupVariable(const char* names, unsigned nameStride, const char* values,
                    unsigned valueStride, unsigned count, const char* name,
                    char* out, size_t outSize);

// Caption of a minimised dialog: the whole percent ("%d%% ") then the title,
// cut to outSize - 1 characters.
void FormatMinimisedCaption(char* out, size_t outSize, int overallPerMille, const char* title);

#endif

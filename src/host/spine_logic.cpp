#include "host/spine_logic.h"

#include <cstdio>
#include <cstring>

void CopyBounded(char* dst, size_t dstSize, const char* src)
{
    if (!dst || dstSize == 0)
        return;
    size_t n = 0;
    if (src)
        while (n + 1 < dstSize && src[n])
            ++n;
    if (n)
        memcpy(dst, src, n);
    dst[n] = '\0';
}

void ComputePlacement(int w, int h, int cw, int ch, int placementCode, int* x, int* y)
{
    int k = placementCode & 15;
    // 64-bit intermediates: (k / 3 + 1) * ch can pass INT_MAX for huge areas.
    long long px = ((long long)(k % 3 + 1) * cw) / 4 - w / 2;
    long long py = ((long long)(k / 3 + 1) * ch) / 4 - h / 2;
    if (px + w > cw)
        px = (long long)cw - w;
    if (py + h > ch)
        py = (long long)ch - h;
    if (px < 0)
        px = 0;
    if (py < 0)
        py = 0;
    *x = (int)px;
    *y = (int)py;
}

void LookupVariable(const char* names, unsigned nameStride, const char* values,
                    unsigned valueStride, unsigned count, const char* name,
                    char* out, size_t outSize)
{
    CopyBounded(out, outSize, "");
    if (!names || !values || !name)
        return;
    size_t len = strlen(name);
    if (len > VARIABLE_NAME_MAX)
        return;  // a cut key could match another variable

    char key[32];
    key[0] = '%';
    memcpy(key + 1, name, len);
    key[len + 1] = '%';
    key[len + 2] = '\0';

    for (unsigned i = 0; i < (count & 0xFFFFu); ++i) {
        if (strcmp(names + (size_t)i * nameStride, key) == 0) {
            CopyBounded(out, outSize, values + (size_t)i * valueStride);
            return;
        }
    }
}

void FormatMinimisedCaption(char* out, size_t outSize, int overallPerMille, const char* title)
{
    if (!out || outSize == 0)
        return;
    char percent[16];
    snprintf(percent, sizeof percent, "%d%% ", overallPerMille / 10);
    CopyBounded(out, outSize, percent);
    size_t used = strlen(out);
    CopyBounded(out + used, outSize - used, title);
}

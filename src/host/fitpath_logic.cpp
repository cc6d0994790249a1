/*
 * fitpath_logic.cpp - shortening of the status text's path line. See
 * fitpath_logic.h for the behaviour at the limits.
 */
#include "host/fitpath_logic.h"

size_t FindPathLine(const char* text)
{
    if (!text)
        return 0;
    size_t i = 0; /* a text starting with LF stops here at once: no first line */
    while (text[i] && text[i] != '\r' && text[i] != '\n')
        i++;
    while (text[i] == '\r' || text[i] == '\n')
        i++;
    return text[i] ? i : 0;
}

namespace {

size_t SkipToBackslash(const char* s, size_t i)
{
    while (s[i] && s[i] != '\\')
        i++;
    return i;
}

/* One round on work (len characters): replaces the leading directory at p
 * with "...", or else the last four characters with "...". Returns the new
 * length, or len itself when the line is too short to cut. */
size_t ShortenOnce(char* work, size_t len, size_t p)
{
    if (p > len)
        p = len;
    size_t q = p;
    if (work[q] == '.') {
        q = SkipToBackslash(work, q);
        if (work[q] == '\\')
            q++;
    }
    q = SkipToBackslash(work, q);

    if (work[q] == '\\' && q - p > 3) {
        work[p] = work[p + 1] = work[p + 2] = '.';
        size_t from = q, to = p + 3;
        while (from <= len) /* moves the terminator too */
            work[to++] = work[from++];
        return len - (q - p - 3);
    }
    if (len < 4)
        return len;
    work[len - 4] = work[len - 3] = work[len - 2] = '.';
    work[len - 1] = '\0';
    return len - 1;
}

} // namespace

void FitPathLine(char* text, size_t textSize, int width, MeasureTextFn measure, void* ctx)
{
    if (!text || textSize == 0 || !measure)
        return;

    size_t end = 0;
    while (end < textSize - 1 && text[end])
        end++;
    text[end] = '\0';

    size_t start = FindPathLine(text);
    char* path = text + start;
    size_t pathLen = end - start;

    if (measure(ctx, path, (int)pathLen) < width)
        return;

    char work[FIT_WORK_SIZE];
    size_t len = pathLen < FIT_WORK_SIZE - 1 ? pathLen : FIT_WORK_SIZE - 1;
    for (size_t i = 0; i < len; i++)
        work[i] = path[i];
    work[len] = '\0';

    size_t p = SkipToBackslash(work, 0);
    if (work[p] == '\\')
        p++;

    for (;;) {
        size_t shorter = ShortenOnce(work, len, p);
        if (shorter == len)
            break; /* nothing left to cut */
        len = shorter;
        if (measure(ctx, work, (int)len) < width)
            break;
    }

    /* The result is never longer than the path line it replaces. */
    for (size_t i = 0; i <= len; i++)
        path[i] = work[i];
}

int MeasureWithTable(void* ctx, const char* s, int len)
{
    const CharWidthTable* table = static_cast<const CharWidthTable*>(ctx);
    long long width = 0;
    for (int i = 0; i < len; ++i)
        width += table->widths[static_cast<unsigned char>(s[i])];
    return width > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(width);
}

/*
 * timeleft_logic.cpp - estimate, shown value, template parsing and a bounded
 * formatter for the time-left line. See timeleft_logic.h for the behaviour on
 * malformed input.
 */
#include "host/timeleft_logic.h"

#include <climits>

uint32_t EstimateSecondsLeft(uint32_t elapsedMs, int overall)
{
    uint32_t p;
    if (overall > 1000)
        p = 1000;
    else if (overall < 1)
        p = 1;
    else
        p = (uint32_t)overall;

    if (elapsedMs < 600000u)
        return (((1000u - p) * elapsedMs) / p + 500u) / 1000u;
    return (((elapsedMs + 500u) / 1000u) * (1000u - p)) / p;
}

int NextShownSeconds(uint32_t s, int lastShown, int* timeStep)
{
    if (lastShown == -1) {
        int step;
        if (s > 60)
            step = 10;
        else if (s > 25)
            step = 5;
        else if (s > 10)
            step = 2;
        else
            step = 1;
        if (timeStep)
            *timeStep = step;
        uint32_t n = ((s + 4u) / (uint32_t)step) * (uint32_t)step;
        return (int)n;
    }

    int step = (timeStep && *timeStep >= 1) ? *timeStep : 1;
    /* 32-bit two's-complement arithmetic, done in unsigned so that a wrap is
     * defined; the quotient times the step never exceeds the difference. */
    int32_t diff = (int32_t)(s - (uint32_t)lastShown);
    int32_t move = (diff / step) * step;
    return (int)((uint32_t)lastShown + (uint32_t)move);
}

/* ---- template parsing ---- */

namespace {

/* Copies src[0..len) into dst (size chars incl. terminator), truncating, and
 * drops trailing spaces of what was kept. */
void CopyWord(char* dst, size_t size, const char* src, size_t len)
{
    if (len > size - 1)
        len = size - 1;
    while (len > 0 && src[len - 1] == ' ')
        len--;
    for (size_t i = 0; i < len; i++)
        dst[i] = src[i];
    dst[len] = '\0';
}

/* Reads one bracket starting just after "[" and returns the position after
 * it ("]" skipped when present). Never passes the terminator. */
const char* ParseBracket(const char* t, char singular[TIME_WORD_SIZE], char plural[TIME_WORD_SIZE])
{
    while (*t == ' ')
        t++;
    const char* start = t;
    while (*t && *t != '^' && *t != ']')
        t++;
    CopyWord(singular, TIME_WORD_SIZE, start, (size_t)(t - start));
    if (*t != '^') {
        /* No "^": one word for both forms. */
        CopyWord(plural, TIME_WORD_SIZE, start, (size_t)(t - start));
        return *t == ']' ? t + 1 : t;
    }
    t++;
    while (*t == ' ')
        t++;
    start = t;
    while (*t && *t != ']')
        t++;
    CopyWord(plural, TIME_WORD_SIZE, start, (size_t)(t - start));
    return *t == ']' ? t + 1 : t;
}

struct FormatWriter {
    char* buf;
    size_t len;
};

void Emit(FormatWriter* w, char c)
{
    if (w->len < TIME_FORMAT_SIZE - 1)
        w->buf[w->len++] = c;
}

} // namespace

void ParseTimeTemplate(const char* tmpl, char format[TIME_FORMAT_SIZE],
                       char minuteWord[2][TIME_WORD_SIZE], char secondWord[2][TIME_WORD_SIZE])
{
    format[0] = '\0';
    minuteWord[0][0] = minuteWord[1][0] = '\0';
    secondWord[0][0] = secondWord[1][0] = '\0';
    if (!tmpl)
        return;

    FormatWriter w = {format, 0};
    int percentCount = 0;
    bool minuteSeen = false;
    const char* t = tmpl;
    while (*t) {
        if (*t != '[') {
            if (*t == '%')
                percentCount++;
            Emit(&w, *t++);
            continue;
        }
        t++;
        if (percentCount < 2) {
            t = ParseBracket(t, minuteWord[0], minuteWord[1]);
            minuteSeen = true;
        } else {
            if (!minuteSeen) {
                Emit(&w, '%');
                Emit(&w, 's');
            }
            t = ParseBracket(t, secondWord[0], secondWord[1]);
        }
        Emit(&w, '%');
        Emit(&w, 's');
    }
    format[w.len] = '\0';
}

/* ---- formatting ---- */

namespace {

struct LineWriter {
    char* buf;
    size_t cap; /* characters that fit, terminator excluded */
    size_t len;
};

void Put(LineWriter* w, char c)
{
    if (w->len < w->cap)
        w->buf[w->len++] = c;
}

void PutRun(LineWriter* w, char c, size_t n)
{
    size_t room = w->cap - w->len;
    if (n > room)
        n = room;
    for (size_t i = 0; i < n; i++)
        w->buf[w->len++] = c;
}

void PutChars(LineWriter* w, const char* s, size_t n)
{
    size_t room = w->cap - w->len;
    if (n > room)
        n = room;
    for (size_t i = 0; i < n; i++)
        w->buf[w->len++] = s[i];
}

enum ArgKind { ARG_INT, ARG_STRING };

struct Conversion {
    bool left;
    bool zero;
    bool alt;
    size_t width;
    bool hasPrecision;
    size_t precision;
    char size; /* 0, 'h' or 'l' */
    char type;
};

/* Reads decimal digits, saturating far above any buffer size. */
size_t ReadNumber(const char** f)
{
    size_t n = 0;
    while (**f >= '0' && **f <= '9') {
        if (n < 100000)
            n = n * 10 + (size_t)(**f - '0');
        (*f)++;
    }
    return n;
}

/* Parses the conversion after "%". Returns false for anything unsupported. */
bool ParseConversion(const char** fp, Conversion* conv)
{
    const char* f = *fp;
    *conv = Conversion();
    for (;; f++) {
        if (*f == '-')
            conv->left = true;
        else if (*f == '0')
            conv->zero = true;
        else if (*f == '#')
            conv->alt = true;
        else
            break;
    }
    conv->width = ReadNumber(&f);
    if (*f == '.') {
        f++;
        conv->hasPrecision = true;
        conv->precision = ReadNumber(&f);
    }
    if (*f == 'h' || *f == 'l')
        conv->size = *f++;
    switch (*f) {
    case 'd': case 'i': case 'u': case 'x': case 'X':
        break;
    case 'c': case 's':
        if (conv->size == 'l')
            return false; /* wide character or string */
        break;
    default:
        return false;
    }
    conv->type = *f++;
    *fp = f;
    return true;
}

void PutPadded(LineWriter* w, const Conversion& conv, const char* body, size_t n)
{
    size_t pad = conv.width > n ? conv.width - n : 0;
    if (!conv.left)
        PutRun(w, ' ', pad);
    PutChars(w, body, n);
    if (conv.left)
        PutRun(w, ' ', pad);
}

void PutInteger(LineWriter* w, const Conversion& conv, int value)
{
    if (conv.type == 'c') {
        char c = (char)value;
        PutPadded(w, conv, &c, c ? 1 : 0);
        return;
    }

    bool negative = false;
    uint32_t magnitude;
    if (conv.type == 'd' || conv.type == 'i') {
        int32_t v = conv.size == 'h' ? (int32_t)(short)value : (int32_t)value;
        negative = v < 0;
        magnitude = negative ? 0u - (uint32_t)v : (uint32_t)v;
    } else {
        magnitude = conv.size == 'h' ? (uint32_t)(unsigned short)value : (uint32_t)value;
    }

    char digits[16];
    size_t nDigits = 0;
    unsigned base = (conv.type == 'x' || conv.type == 'X') ? 16u : 10u;
    const char* alphabet = conv.type == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
    for (uint32_t m = magnitude; m != 0; m /= base)
        digits[nDigits++] = alphabet[m % base];
    if (nDigits == 0 && !(conv.hasPrecision && conv.precision == 0))
        digits[nDigits++] = '0';

    char prefix[3];
    size_t nPrefix = 0;
    if (negative)
        prefix[nPrefix++] = '-';
    if (conv.alt && base == 16 && magnitude != 0) {
        prefix[nPrefix++] = '0';
        prefix[nPrefix++] = conv.type;
    }

    size_t zeros = conv.hasPrecision && conv.precision > nDigits ? conv.precision - nDigits : 0;
    size_t body = nPrefix + zeros + nDigits;
    size_t pad = conv.width > body ? conv.width - body : 0;
    if (conv.zero && !conv.left && !conv.hasPrecision) {
        zeros += pad;
        pad = 0;
    }

    if (!conv.left)
        PutRun(w, ' ', pad);
    PutChars(w, prefix, nPrefix);
    PutRun(w, '0', zeros);
    while (nDigits > 0)
        Put(w, digits[--nDigits]);
    if (conv.left)
        PutRun(w, ' ', pad);
}

void PutString(LineWriter* w, const Conversion& conv, const char* s, size_t maxLen)
{
    size_t limit = conv.hasPrecision && conv.precision < maxLen ? conv.precision : maxLen;
    size_t n = 0;
    if (s)
        while (n < limit && s[n])
            n++;
    PutPadded(w, conv, s, n);
}

bool FormatLine(char* out, size_t outSize, const char* format, int minutes, const char* minuteWord,
                int seconds, const char* secondWord, size_t wordMax)
{
    if (!out || outSize == 0)
        return false;
    out[0] = '\0';
    if (!format)
        format = "";

    static const ArgKind kinds[4] = {ARG_INT, ARG_STRING, ARG_INT, ARG_STRING};
    LineWriter w = {out, outSize - 1, 0};
    int used = 0;
    bool ok = true;
    const char* f = format;
    while (ok && *f) {
        if (*f != '%') {
            Put(&w, *f++);
            continue;
        }
        f++;
        if (*f == '%') {
            Put(&w, *f++);
            continue;
        }
        Conversion conv;
        if (!ParseConversion(&f, &conv) || used == 4 ||
            (conv.type == 's' ? ARG_STRING : ARG_INT) != kinds[used]) {
            ok = false;
            break;
        }
        if (used == 0)
            PutInteger(&w, conv, minutes);
        else if (used == 1)
            PutString(&w, conv, minuteWord, wordMax);
        else if (used == 2)
            PutInteger(&w, conv, seconds);
        else
            PutString(&w, conv, secondWord, wordMax);
        used++;
    }
    if (!ok || used != 4) {
        out[0] = '\0';
        return false;
    }
    out[w.len] = '\0';
    return true;
}

} // namespace

bool FormatTimeLine(char* out, size_t outSize, const char* format, int minutes,
                    const char* minuteWord, int seconds, const char* secondWord)
{
    return FormatLine(out, outSize, format, minutes, minuteWord, seconds, secondWord, (size_t)-1);
}

bool FormatTimeLeft(char* out, size_t outSize, const char* format,
                    const char minuteWord[2][TIME_WORD_SIZE], const char secondWord[2][TIME_WORD_SIZE],
                    int shownSeconds)
{
    int minutes = shownSeconds / 60;
    int seconds = shownSeconds % 60;
    return FormatLine(out, outSize, format, minutes, minuteWord[minutes == 1 ? 0 : 1], seconds,
                      secondWord[seconds == 1 ? 0 : 1], TIME_WORD_SIZE - 1);
}

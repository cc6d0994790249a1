/*
 * timeleft_logic.h - the arithmetic and text handling behind the time-left
 * line: the estimate, the steadied shown value, the host template and the
 * formatting of the line. Plain C++17, no windows.h, no heap, no exceptions;
 * the Win32 glue supplies the tick count and sets the control's text.
 *
 * Behaviour on inputs outside the normal range:
 *
 *  - overall above 1000 is taken as 1000 (nothing left: 0 seconds); overall
 *    below 1, negatives included, is taken as 1, so there is never a division
 *    by zero and a nonsense value still yields a finite estimate.
 *  - The estimate and the shown value use 32-bit wrap-around arithmetic, as
 *    the tick counter does; no input is undefined behaviour.
 *  - A null template is parsed as an empty one (empty format, empty words).
 *  - Every write of the parser is bounded: the format keeps at most 255
 *    characters and each word at most 63 (the rest is dropped, the parse goes
 *    on with the template text after it). A conversion cut in two by the
 *    255-character limit leaves a format that FormatTimeLine rejects.
 *  - A bracket without "^" has one word, used as both singular and plural;
 *    the word ends at "]" or at the end of the template. A bracket with "^"
 *    but no "]" takes its plural up to the end of the template. Either way the
 *    bracket still becomes "%s" and the parse stops at the terminator.
 *  - The formatter is written here, not borrowed from sprintf, so a host
 *    template can never read or write memory it should not. A format whose
 *    conversions are not exactly integer, string, integer, string is rejected
 *    (empty line, false), as is any conversion outside the supported set.
 *  - A line longer than the output buffer is cut to outSize - 1 characters
 *    and still counts as formatted (true).
 */
#ifndef HOST_TIMELEFT_LOGIC_H
#define HOST_TIMELEFT_LOGIC_H

#include <cstddef>
#include <cstdint>

enum {
    TIME_FORMAT_SIZE = 256, /* characters of the parsed format, terminator included */
    TIME_WORD_SIZE = 64,    /* characters of each time word, terminator included */
    TIME_LINE_SIZE = 260    /* characters of the formatted line, terminator included */
};

/* Whole seconds left, from elapsed milliseconds and per-mille progress:
 * below 600000 ms, (((1000 - p) * e) / p + 500) / 1000; from 600000 ms on,
 * (((e + 500) / 1000) * (1000 - p)) / p; all unsigned 32-bit. overall above
 * 1000 is treated as 1000, below 1 as 1. */
uint32_t EstimateSecondsLeft(uint32_t elapsedMs, int overall);

/* The value to show for an estimate of s seconds. lastShown == -1 means
 * nothing was shown yet: the step (10 if s > 60, 5 if s > 25, 2 if s > 10,
 * else 1) is stored in *timeStep and the result is ((s + 4) / step) * step.
 * Otherwise the result is lastShown + ((s - lastShown) / step) * step with the
 * signed division truncating toward zero, so it moves toward s in whole steps.
 * A null timeStep, or a stored step below 1, is taken as a step of 1 (and a
 * null timeStep stores nothing). */
int NextShownSeconds(uint32_t s, int lastShown, int* timeStep);

/* Parses the host template: ordinary text is copied to format, each
 * "[singular^plural]" bracket becomes "%s" and fills minuteWord (while fewer
 * than two "%" were copied) or secondWord; a second-word bracket without a
 * minute bracket before it is preceded by an extra "%s". Spaces just inside a
 * bracket and around its "^" are dropped. All outputs are cleared first and
 * always terminated. See the top of this file for malformed templates. */
void ParseTimeTemplate(const char* tmpl, char format[TIME_FORMAT_SIZE],
                       char minuteWord[2][TIME_WORD_SIZE], char secondWord[2][TIME_WORD_SIZE]);

/* Formats format with (minutes, minuteWord, seconds, secondWord) into out,
 * which holds outSize characters including the terminator and is always
 * terminated when outSize > 0.
 *
 * Conversions, as wsprintfA reads them: "%%", or "%" [flags] [width]
 * ["." precision] [size] type, where flags are any of "-" (left-justify),
 * "0" (pad numbers with zeros) and "#" (0x/0X before nonzero hex), width and
 * precision are decimal digits, size is one "h" or "l", and type is one of
 * d i u x X c (an integer argument) or s (a string argument). "h" makes an
 * integer short ("hd", "hu", "hx") or a character/string explicitly ANSI
 * ("hc", "hs"); "l" on an integer changes nothing; "lc" and "ls" (wide
 * characters) are not supported. Precision gives the minimum number of digits
 * of an integer (a "0" flag is then ignored) and the maximum number of
 * characters of a string. A character of value 0 adds nothing. Padding of
 * strings and characters is always with spaces. A null string is empty.
 *
 * Returns false and writes an empty string when the conversions are not
 * exactly integer, string, integer, string, when a conversion is malformed or
 * unsupported (a lone "%", "%n", "%p", "%S", "%+d", ...), or when out is null
 * or outSize is 0. A line too long for out is cut and still returns true. */
bool FormatTimeLine(char* out, size_t outSize, const char* format, int minutes,
                    const char* minuteWord, int seconds, const char* secondWord);

/* Formats the line for shownSeconds: minutes = n / 60, seconds = n % 60, each
 * word singular ([0]) when its number is exactly 1 and plural ([1]) otherwise,
 * 0 included. Words are read at most TIME_WORD_SIZE - 1 characters far. */
bool FormatTimeLeft(char* out, size_t outSize, const char* format,
                    const char minuteWord[2][TIME_WORD_SIZE], const char secondWord[2][TIME_WORD_SIZE],
                    int shownSeconds);

#endif

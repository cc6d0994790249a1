/*
 * fitpath_logic.h - shortening of the status text's path line so that it fits
 * the status control. Plain C++17, no windows.h, no heap, no exceptions; the
 * Win32 glue supplies the control's width and a text measure in its font.
 *
 * The status text is a first line (what is being done) and a path line. The
 * path line is shortened in rounds, measuring once per round: leading
 * directories after the first backslash become "...", and when no directory
 * can go, characters are cut from the end, which then reads "...".
 *
 * Behaviour at the limits:
 *  - Only the first 255 characters of the path line are worked on; when the
 *    line does not fit, whatever came after them is dropped.
 *  - Each round makes the line at least one character shorter, so the rounds
 *    end after at most 255 of them.
 *  - When the line is shorter than four characters and still too wide, there
 *    is nothing left to cut: the rounds stop and the line stays as it is. Cuts
 *    from the end therefore stop at "..."; a path line of one to three
 *    characters wider than the control is left unchanged. A width of 0 or
 *    below thus turns any path line of four characters or more into "...".
 *  - A null text or measure, or a textSize of 0, changes nothing. A text not
 *    terminated within textSize is first terminated at textSize - 1.
 */
#ifndef HOST_FITPATH_LOGIC_H
#define HOST_FITPATH_LOGIC_H

#include <cstddef>

enum {
    FIT_WORK_SIZE = 256 /* work buffer of the rounds, terminator included */
};

/* Measures the pixel width of s[0..len) in the status control's font. */
typedef int (*MeasureTextFn)(void* ctx, const char* s, int len);

/* Offset of the path line in text. The first line ends at the first CR, LF or
 * end of text (a text starting with LF has no first line); after it all CRs
 * and LFs are skipped. If nothing remains, the whole text is the path line and
 * the offset is 0. A null text gives 0. */
size_t FindPathLine(const char* text);

/* Rewrites the path line of text (textSize characters of room, terminator
 * included) in place until its measured width is below width; the first line
 * and its line break are kept. A path line already narrower than width is
 * left untouched. See the top of this file for the limits. */
void FitPathLine(char* text, size_t textSize, int width, MeasureTextFn measure, void* ctx);

/* Advance widths of the 256 characters of a single-byte font. For a font
 * without kerning or overhang a string's width is the sum of its characters'
 * advances, so text can be measured without asking the system each round. */
struct CharWidthTable {
    int widths[256];
};

/* A MeasureTextFn over a CharWidthTable passed as ctx. */
int MeasureWithTable(void* ctx, const char* s, int len);

#endif

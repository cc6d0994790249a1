// A sample setup program that installs a folder tree with progress.dll as
// its progress dialog. It shows the whole host side of the contract: the
// HostInfo record with a text table and variables, progress reports with a
// status text, hiding the dialog while it asks the user something, treating
// a returned dialog handle as a cancel request, pumping messages, finishing.
//
//   setup_host [--source DIR] [--dest DIR] [--layout full|compact]
//              [--placement N] [--picture FILE.bmp] [--screenshots DIR]
//              [--cancel-at N] [--answer yes|no] [--delay MS]
//
// Without --source it first generates a sample payload. --cancel-at presses
// Cancel while file N is copied; --answer then answers the confirmation
// automatically. --screenshots writes PNG pictures of the dialog at chosen
// moments.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "png_write.h"
#include "progress.h"

namespace {

struct Options {
    std::string source;
    std::string dest;
    bool fullLayout = true;
    int placement = 4;
    std::string picture;
    std::string screenshots;
    int cancelAt = -1;
    int answer = 0;  // IDYES or IDNO when answered automatically
    int delayMs = 0;
};

struct FileEntry {
    std::string relative;  // path below the source folder
    unsigned long long size;
};

const char kTitle[] = "Sample Application";
const char kConfirmCaption[] = "Sample Application Setup";

// ---------------------------------------------------------------- files

bool IsDirectory(const std::string& path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void MakeDirectories(const std::string& path)
{
    for (size_t i = 3; i <= path.size(); ++i)
        if (i == path.size() || path[i] == '\\')
            CreateDirectoryA(path.substr(0, i).c_str(), NULL);
}

void ListTree(const std::string& root, const std::string& relative, std::vector<FileEntry>* files)
{
    WIN32_FIND_DATAA fd;
    std::string pattern = root + "\\" + (relative.empty() ? "" : relative + "\\") + "*";
    HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..")
            continue;
        std::string rel = relative.empty() ? name : relative + "\\" + name;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListTree(root, rel, files);
        else
            files->push_back({rel, ((unsigned long long)fd.nFileSizeHigh << 32) | fd.nFileSizeLow});
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

// A few hundred files of varied sizes in nested folders, some with long
// paths, the same every time.
void GeneratePayload(const std::string& root)
{
    static const char* const kDirs[] = {
        "bin", "lib\\plugins", "lib\\plugins\\codecs", "share\\doc", "share\\locale\\de",
        "share\\locale\\fr", "share\\templates\\Corporate Presentation Templates\\Widescreen",
        "resources\\Localized Resources for Regional Settings\\Western European Languages",
        "data\\samples"};
    unsigned seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 8) & 0xFFFFFF; };
    std::vector<char> block(64 * 1024);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = (char)("setup payload "[i % 14]);
    int count = 0;
    for (const char* dir : kDirs) {
        std::string path = root + "\\" + dir;
        MakeDirectories(path);
        int files = 20 + next() % 25;
        for (int k = 0; k < files; ++k, ++count) {
            char name[160];
            if (k % 7 == 3)
                snprintf(name, sizeof name, "\\Component Registration Information File %03d for Setup.dat", count);
            else
                snprintf(name, sizeof name, "\\file%03d.%s", count, (k % 3) ? "dll" : "txt");
            unsigned size = 512 + next() % (k % 11 == 0 ? 600000 : 60000);
            HANDLE f = CreateFileA((path + name).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
            if (f == INVALID_HANDLE_VALUE)
                continue;
            for (unsigned written = 0; written < size;) {
                DWORD n = (DWORD)std::min<size_t>(block.size(), size - written), done = 0;
                WriteFile(f, block.data(), n, &done, NULL);
                written += n;
            }
            CloseHandle(f);
        }
    }
}

// ---------------------------------------------------------------- screenshots

void Screenshot(const Options& opt, HWND hwnd, const char* name)
{
    if (opt.screenshots.empty() || !IsWindow(hwnd))
        return;
    RedrawWindow(hwnd, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    GdiFlush();
    Sleep(50);
    RECT r;
    GetWindowRect(hwnd, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = NULL;
    HDC screen = GetDC(NULL);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    std::vector<uint8_t> rgb((size_t)w * h * 3);
    const uint8_t* px = static_cast<const uint8_t*>(bits);
    for (size_t i = 0; i < (size_t)w * h; ++i) {
        rgb[i * 3] = px[i * 4 + 2];
        rgb[i * 3 + 1] = px[i * 4 + 1];
        rgb[i * 3 + 2] = px[i * 4];
    }
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(NULL, screen);
    std::string path = opt.screenshots + "\\" + name + ".png";
    if (WritePng(path.c_str(), w, h, rgb))
        printf("  screenshot %s\n", path.c_str());
}

// ---------------------------------------------------------------- the host

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT r;
        GetClientRect(hwnd, &r);
        for (int y = 0; y < r.bottom; y += 4) {
            RECT band = {0, y, r.right, y + 4};
            HBRUSH b = CreateSolidBrush(RGB(0, 0, 96 + 128 * y / (r.bottom ? r.bottom : 1)));
            FillRect(dc, &band, b);
            DeleteObject(b);
        }
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        TextOutA(dc, 24, 16, "Sample Application Setup", 24);
        EndPaint(hwnd, &ps);
        return 0;
    }
    if (msg == WM_CLOSE)
        return 0;  // setup decides when it ends
    return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND CreateMainWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.hCursor = LoadCursorA(NULL, MAKEINTRESOURCEA(32512));
    wc.lpszClassName = "SampleSetupMain";
    RegisterClassA(&wc);
    RECT r = {0, 0, 800, 600};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    HWND hwnd = CreateWindowExA(0, wc.lpszClassName, kConfirmCaption, WS_OVERLAPPEDWINDOW, 0, 0,
                                r.right - r.left, r.bottom - r.top, NULL, NULL, wc.hInstance, NULL);
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    return hwnd;
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Answers the confirmation box on its own when the run is automated.
struct AutoAnswer {
    const Options* opt;
    HWND owner;
};

DWORD WINAPI AnswerThread(LPVOID param)
{
    AutoAnswer* a = static_cast<AutoAnswer*>(param);
    for (int i = 0; i < 500; ++i) {
        HWND box = FindWindowA("#32770", kConfirmCaption);
        if (box && IsWindowVisible(box)) {
            Sleep(300);
            Screenshot(*a->opt, a->owner, "4-cancel-prompt");
            PostMessageA(box, WM_COMMAND, a->opt->answer, 0);
            return 0;
        }
        Sleep(20);
    }
    return 1;
}

bool ConfirmCancel(const Options& opt, HWND owner)
{
    HANDLE thread = NULL;
    AutoAnswer a = {&opt, owner};
    if (opt.answer)
        thread = CreateThread(NULL, 0, AnswerThread, &a, 0, NULL);
    int r = MessageBoxA(owner, "Do you want to stop the installation?\n\nFiles copied so far will be removed.",
                        kConfirmCaption, MB_YESNO | MB_ICONQUESTION);
    if (thread) {
        WaitForSingleObject(thread, 15000);
        CloseHandle(thread);
    }
    return r == IDYES;
}

// A .bmp file wrapped as the module's HostPicture.
std::vector<BYTE> LoadPicture(const std::string& path)
{
    std::vector<BYTE> file;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return file;
    BYTE buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        file.insert(file.end(), buf, buf + n);
    fclose(f);
    if (file.size() < 54 || file[0] != 'B' || file[1] != 'M')
        return std::vector<BYTE>();
    const BITMAPFILEHEADER* fh = reinterpret_cast<const BITMAPFILEHEADER*>(file.data());
    const BITMAPINFOHEADER* ih = reinterpret_cast<const BITMAPINFOHEADER*>(file.data() + 14);
    std::vector<BYTE> pic(10 + file.size() - 14);
    HostPicture* hp = reinterpret_cast<HostPicture*>(pic.data());
    hp->width = (WORD)ih->biWidth;
    hp->height = (WORD)(ih->biHeight < 0 ? -ih->biHeight : ih->biHeight);
    hp->bitsOffset = fh->bfOffBits - 14;
    memcpy(pic.data() + 10, file.data() + 14, file.size() - 14);
    return pic;
}

void RemoveCopied(const std::string& dest, const std::vector<std::string>& files)
{
    for (size_t i = files.size(); i-- > 0;)
        DeleteFileA((dest + "\\" + files[i]).c_str());
    // Folders, deepest first.
    std::vector<std::string> dirs;
    for (const std::string& f : files)
        for (size_t p = f.find('\\'); p != std::string::npos; p = f.find('\\', p + 1))
            dirs.push_back(f.substr(0, p));
    for (size_t i = 0; i < dirs.size(); ++i)
        for (size_t j = i + 1; j < dirs.size(); ++j)
            if (dirs[j].size() > dirs[i].size())
                std::swap(dirs[i], dirs[j]);
    for (const std::string& d : dirs)
        RemoveDirectoryA((dest + "\\" + d).c_str());
    RemoveDirectoryA(dest.c_str());
}

bool ParseOptions(int argc, char** argv, Options* opt)
{
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : NULL;
        if (a == "--source" && v) opt->source = argv[++i];
        else if (a == "--dest" && v) opt->dest = argv[++i];
        else if (a == "--layout" && v) opt->fullLayout = std::string(argv[++i]) != "compact";
        else if (a == "--placement" && v) opt->placement = atoi(argv[++i]);
        else if (a == "--picture" && v) opt->picture = argv[++i];
        else if (a == "--screenshots" && v) opt->screenshots = argv[++i];
        else if (a == "--cancel-at" && v) opt->cancelAt = atoi(argv[++i]);
        else if (a == "--answer" && v) opt->answer = std::string(argv[++i]) == "no" ? IDNO : IDYES;
        else if (a == "--delay" && v) opt->delayMs = atoi(argv[++i]);
        else {
            fprintf(stderr, "unknown option %s\n", a.c_str());
            return false;
        }
    }
    return true;
}

std::string FullPath(const std::string& path)
{
    char buf[MAX_PATH];
    DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, buf, NULL);
    return n && n < MAX_PATH ? std::string(buf) : path;
}

}  // namespace

int main(int argc, char** argv)
{
    Options opt;
    if (!ParseOptions(argc, argv, &opt))
        return 2;
    setvbuf(stdout, NULL, _IONBF, 0);

    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    if (opt.source.empty()) {
        opt.source = std::string(temp) + "sample-payload";
        if (!IsDirectory(opt.source)) {
            printf("Generating a sample payload in %s\n", opt.source.c_str());
            GeneratePayload(opt.source);
        }
    }
    if (opt.dest.empty())
        opt.dest = std::string(temp) + "sample-install";
    opt.source = FullPath(opt.source);
    opt.dest = FullPath(opt.dest);
    if (!opt.screenshots.empty()) {
        MakeDirectories(FullPath(opt.screenshots));
        opt.screenshots = FullPath(opt.screenshots);
    }

    std::vector<FileEntry> files;
    ListTree(opt.source, "", &files);
    unsigned long long totalBytes = 0;
    for (const FileEntry& f : files)
        totalBytes += f.size;
    if (files.empty()) {
        fprintf(stderr, "nothing to install in %s\n", opt.source.c_str());
        return 1;
    }
    if (IsDirectory(opt.dest)) {
        fprintf(stderr, "destination %s exists already; choose a fresh folder\n", opt.dest.c_str());
        return 1;
    }
    printf("Installing %u files (%.1f MB) from %s to %s\n", (unsigned)files.size(), totalBytes / 1048576.0,
           opt.source.c_str(), opt.dest.c_str());

    HWND main = CreateMainWindow();

    // The host's texts: entries the module reads, the rest left empty.
    std::vector<const char*> texts(HOST_TEXT_COUNT, "");
    texts[HOST_TEXT_CANCEL] = "Cancel";
    texts[HOST_TEXT_HEADING] = "Installing Sample Application";
    texts[HOST_TEXT_GROUP_CURRENT] = "Current file";
    texts[HOST_TEXT_GROUP_ALL] = "All files";
    texts[HOST_TEXT_TIME_LEFT] = "About %d [minute^minutes] and %d [second^seconds] remaining";
    texts[HOST_TEXT_NEXT] = "&Next >";
    texts[HOST_TEXT_BACK] = "< &Back";

    // Variables, with fixed strides.
    char names[2][16] = {"%APPTITLE%", "%DESTDIR%"};
    char values[2][MAX_PATH] = {};
    lstrcpynA(values[0], kTitle, MAX_PATH);
    lstrcpynA(values[1], opt.dest.c_str(), MAX_PATH);

    std::vector<BYTE> picture;
    if (!opt.picture.empty()) {
        picture = LoadPicture(opt.picture);
        if (picture.empty())
            fprintf(stderr, "could not read the picture %s; going on without it\n", opt.picture.c_str());
    }

    HostInfo info = {};
    info.hwndMain = main;
    info.nameStride = sizeof names[0];
    info.valueStride = sizeof values[0];
    info.variableCount = 2;
    info.names = names[0];
    info.values = values[0];
    info.strings = texts.data();
    info.flags = opt.fullLayout ? HOST_FLAG_FULL_LAYOUT : 0;
    info.hinstHost = GetModuleHandleA(NULL);
    info.picture = picture.empty() ? NULL : reinterpret_cast<const HostPicture*>(picture.data());
    info.pictureBackground = RGB(0, 0, 128);

    HWND dlg = Update(UPDATE_CREATE, 0, &info, NULL, 0, 0);
    if (!dlg) {
        fprintf(stderr, "the progress dialog could not be created\n");
        DestroyWindow(main);
        return 1;
    }

    std::vector<std::string> copied;
    std::vector<char> buffer(64 * 1024);
    unsigned long long done = 0;
    bool cancelled = false;
    bool shotStart = false, shotMid = false, shotLong = false;
    int lastPercent = -1;

    for (size_t i = 0; i < files.size() && !cancelled; ++i) {
        const FileEntry& f = files[i];
        std::string from = opt.source + "\\" + f.relative;
        std::string to = opt.dest + "\\" + f.relative;
        MakeDirectories(to.substr(0, to.find_last_of('\\')));
        std::string status = "Copying file:\n" + to;

        HANDLE in = CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        HANDLE out = CreateFileA(to.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        if (in == INVALID_HANDLE_VALUE || out == INVALID_HANDLE_VALUE) {
            fprintf(stderr, "cannot copy %s\n", from.c_str());
            if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
            if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
            cancelled = true;
            break;
        }
        copied.push_back(f.relative);

        unsigned long long fileDone = 0;
        for (;;) {
            int current = f.size ? (int)(fileDone * 1000 / f.size) : 1000;
            int overall = (int)(done * 1000 / totalBytes);
            if ((int)i == opt.cancelAt && fileDone == 0)
                PostMessageA(GetDlgItem(dlg, IDCANCEL), BM_CLICK, 0, 0);

            if (Update(UPDATE_PROGRESS, opt.placement, &info, status.c_str(), overall, current)) {
                // The user asked to stop: ask while the dialog is hidden.
                Update(UPDATE_HIDE, 0, &info, NULL, 0, 0);
                if (ConfirmCancel(opt, main)) {
                    cancelled = true;
                    break;
                }
                continue;  // the next report shows the dialog again
            }
            PumpMessages();

            if (!shotStart && i >= 2) {
                Screenshot(opt, dlg, opt.fullLayout ? "1-start" : "5-compact");
                shotStart = true;
            }
            if (!shotLong && to.size() > 110 && overall > 150) {
                Screenshot(opt, dlg, opt.fullLayout ? "3-long-path" : "7-compact-long-path");
                shotLong = true;
            }
            if (!shotMid && overall >= 500) {
                Screenshot(opt, dlg, opt.fullLayout ? "2-midway" : "6-compact-midway");
                shotMid = true;
            }
            if (overall / 100 != lastPercent) {
                lastPercent = overall / 100;
                printf("  %3d%%  %u/%u files  %.1f/%.1f MB\n", overall / 10, (unsigned)i, (unsigned)files.size(),
                       done / 1048576.0, totalBytes / 1048576.0);
            }

            DWORD n = 0;
            if (!ReadFile(in, buffer.data(), (DWORD)buffer.size(), &n, NULL) || n == 0)
                break;
            DWORD written = 0;
            WriteFile(out, buffer.data(), n, &written, NULL);
            fileDone += n;
            done += n;
            if (opt.delayMs)
                Sleep(opt.delayMs);
        }
        CloseHandle(in);
        CloseHandle(out);
    }

    if (!cancelled) {
        Update(UPDATE_PROGRESS, opt.placement, &info, "Finishing installation", 1000, 1000);
        PumpMessages();
        Screenshot(opt, dlg, opt.fullLayout ? "9-done" : "9-compact-done");
    }
    Update(UPDATE_FINISH, 0, &info, NULL, 0, 0);
    PumpMessages();

    if (cancelled) {
        RemoveCopied(opt.dest, copied);
        printf("Installation cancelled; removed %u copied files\n", (unsigned)copied.size());
    } else {
        printf("Installed %u files (%.1f MB) to %s\n", (unsigned)files.size(), totalBytes / 1048576.0,
               opt.dest.c_str());
    }
    DestroyWindow(main);
    return cancelled ? 3 : 0;
}

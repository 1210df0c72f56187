// The hex view on a 4 GB sparse file and a 100 MB file of random bytes, in a
// hidden window: opening, jumping to the end, a page down, a full repaint of
// a 1200 x 900 view, select all (each step with the repaint it causes),
// copying 100 MB as hex to the clipboard and finding a byte string near the
// end. Copy and find are printed beside a plain read of the same bytes
// through the file reader in the same run (the file cache warm for both).
// Medians of several rounds. Needs a display.
//   hexview_bench [folder, %TEMP%]
#include "foundation/Settings.h"
#include "hexview/HexCopyText.h"
#include "hexview/VQHexViewJobs.h"
#include "hexview/VQHexViewPanel.h"
#include "search/VQFileReader.h"
#include "ui/core/mvWnd.h"

#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int64_t kSparseSize = 4LL << 30;
constexpr int64_t kRandomSize = 100LL << 20;
const char kNeedle[] = "\x13\x37needle\xC0\xDE";

double Now() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Median seconds of `rounds` runs of the step (after `setup`, not timed).
double Median(int rounds, const std::function<void()>& step,
              const std::function<void()>& setup = nullptr) {
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        if (setup)
            setup();
        const double start = Now();
        step();
        times.push_back(Now() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

bool WriteAt(HANDLE file, int64_t offset, const void* bytes, DWORD size) {
    LARGE_INTEGER at{};
    at.QuadPart = offset;
    DWORD written = 0;
    return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) &&
           WriteFile(file, bytes, size, &written, nullptr) && written == size;
}

// The sparse file: holes but for the needle 1000 bytes before the end.
bool MakeSparse(const std::wstring& path) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD ignored = 0;
    DeviceIoControl(file.Get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
    LARGE_INTEGER end{};
    end.QuadPart = kSparseSize;
    return SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.Get()) &&
           WriteAt(file.Get(), kSparseSize - 1000, kNeedle, sizeof kNeedle - 1);
}

bool MakeRandom(const std::wstring& path) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    std::vector<uint32_t> block(1 << 18);
    uint32_t seed = 12345;
    for (int64_t done = 0; done < kRandomSize; done += block.size() * 4) {
        for (uint32_t& word : block) {
            seed = seed * 1664525u + 1013904223u;
            word = seed ^ (seed >> 13);
        }
        if (!WriteAt(file.Get(), done, block.data(), static_cast<DWORD>(block.size() * 4)))
            return false;
    }
    return WriteAt(file.Get(), kRandomSize - 1000, kNeedle, sizeof kNeedle - 1);
}

// A plain read of [0, size) through a reader of its own, window by window.
double PlainRead(const std::wstring& path, int64_t size) {
    VQFileReader reader;
    if (reader.Open(path.c_str()) == -1)
        return 0;
    uint64_t sum = 0;
    const double start = Now();
    for (int64_t at = 0; at < size;) {
        int32_t count = 0;
        const uint8_t* bytes = reader.Read(at, count, false);
        if (!bytes || count <= 0)
            break;
        sum += bytes[count - 1];
        at += count;
    }
    const double seconds = Now() - start;
    return sum == 0xFFFFFFFFFFFFFFFFull ? 0 : seconds;
}

double Mbps(int64_t bytes, double seconds) {
    return seconds > 0 ? static_cast<double>(bytes) / (1 << 20) / seconds : 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = argc > 1 ? std::wstring(argv[1]) + L"\\" : std::wstring(temp);
    const std::wstring sparse = folder + L"hexview_bench_sparse.bin";
    const std::wstring random = folder + L"hexview_bench_random.bin";
    if (!MakeSparse(sparse) || !MakeRandom(random)) {
        fprintf(stderr, "hexview_bench: cannot write the files in %ls\n", folder.c_str());
        return 1;
    }
    Settings().HexviewMaxCopyBytes = 0xFFFFFFFFu; // no question before the copy

    mvWnd parent;
    if (!parent.Create(L"bench", nullptr, 0, 0, 0, 1240, 960, WS_OVERLAPPEDWINDOW, 0, L"")) {
        fprintf(stderr, "hexview_bench: no window (is there a display?)\n");
        return 1;
    }
    auto panel = std::make_unique<CVQHexViewPanel>();
    panel->CreatePanel(parent.Handle());
    HFONT font = CreateFontW(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN,
                             L"Courier New");
    SendMessageW(panel->Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
    SetWindowPos(panel->Handle(), nullptr, 0, 0, 1200, 900, SWP_NOZORDER);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 1200, 900);
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    ReleaseDC(nullptr, screen);
    auto repaint = [&] {
        SendMessageW(panel->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), 0);
    };
    const int rounds = 9;
    printf("hex view, %d rows of 16 bytes in view, medians of %d rounds (ms)\n",
           static_cast<int>(panel->VisibleRows()), rounds);

    for (const auto& [name, path, size] :
         {std::make_tuple("4 GB sparse", sparse, kSparseSize),
          std::make_tuple("100 MB random", random, kRandomSize)}) {
        printf("%s:\n", name);
        const double open = Median(rounds, [&] {
            panel->OpenFile(parent.Handle(), path.c_str(), 0, 0);
            repaint();
        });
        printf("  open and first paint    %8.3f\n", open * 1e3);
        const double end = Median(
            rounds,
            [&] {
                panel->OnKey(VK_END, false, true);
                repaint();
            },
            [&] { panel->OnKey(VK_HOME, false, true); });
        printf("  jump to the end         %8.3f\n", end * 1e3);
        int64_t at = size / 2;
        const double page = Median(
            rounds,
            [&] {
                panel->OnKey(VK_NEXT, false, false);
                repaint();
            },
            [&] {
                panel->SetPosition(true, static_cast<uint64_t>(at), 0);
                at += 8 << 20; // a part of the file not read yet
            });
        printf("  page down (cold window) %8.3f\n", page * 1e3);
        const double paint = Median(rounds, repaint);
        printf("  full repaint            %8.3f\n", paint * 1e3);
        const double all = Median(rounds, [&] {
            panel->OnKey('A', false, true);
            repaint();
        });
        printf("  select all              %8.3f\n", all * 1e3);

        panel->SetFindText(L"needle", false, false);
        const double find = Median(3, [&] { panel->FindNext(); },
                                   [&] { panel->SetPosition(true, 0, 0); });
        const double read = Median(3, [&] { PlainRead(path, size); });
        printf("  find near the end       %8.1f  (%.0f MB/s; plain read %.0f MB/s, ratio %.2f)%s\n",
               find * 1e3, Mbps(size, find), Mbps(size, read), read / find,
               panel->m_anchor == size - 1000 + 2 ? "" : "  [NOT FOUND]");
    }

    // Copy 100 MB as hex: all of it through the clipboard, and the text
    // alone, beside a plain read of the same bytes.
    panel->OpenFile(parent.Handle(), random.c_str(), 0, 0);
    panel->OnKey('A', false, true);
    const double copy = Median(3, [&] { panel->CopySelectionToClipboard(true); });
    HexCopyPlan plan;
    plan.selection = panel->Selection();
    plan.asHex = true;
    std::vector<uint8_t> text(static_cast<size_t>(plan.TextSize()));
    const double fill = Median(3, [&] {
        FillHexCopyText(plan, panel->Reader(), text.data(), nullptr, nullptr);
    });
    const double read = Median(3, [&] { PlainRead(random, kRandomSize); });
    // The system's part: handing a text of that size to the clipboard.
    const double handOver = Median(3, [&] {
        GlobalMemory block(GlobalAlloc(GMEM_MOVEABLE, text.size()));
        if (void* p = GlobalLock(block.Get())) {
            memcpy(p, text.data(), text.size());
            GlobalUnlock(block.Get());
        }
        SetClipboardText(parent.Handle(), CF_TEXT, std::move(block));
    });
    printf("copy 100 MB as hex: %.1f ms in all (%.0f MB/s), of which the text %.1f ms "
           "(%.0f MB/s); plain read %.1f ms (%.0f MB/s), ratio read/text %.2f; the system's "
           "clipboard taking a text of that size alone %.1f ms\n",
           copy * 1e3, Mbps(kRandomSize, copy), fill * 1e3, Mbps(kRandomSize, fill), read * 1e3,
           Mbps(kRandomSize, read), read / fill, handOver * 1e3);

    panel.reset();
    SelectObject(memory, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);
    DeleteObject(font);
    parent.Detach(true);
    DeleteFileW(sparse.c_str());
    DeleteFileW(random.c_str());
    return 0;
}

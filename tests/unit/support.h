// Helpers shared by the in-process tests.
#ifndef MARVOLEN_TEST_SUPPORT_H
#define MARVOLEN_TEST_SUPPORT_H

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/state.h"

// A picture read back as 32-bit pixels, top row first.
struct Pixels {
    int width = 0, height = 0;
    std::vector<DWORD> rgb;   // 0x00RRGGBB
    COLORREF at(int x, int y) const
    {
        const DWORD v = rgb[static_cast<size_t>(y) * width + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    int count(const RECT& area, COLORREF colour) const;
};

// The frame that PaintScreen would show for the current state, composed off screen.
Pixels ComposeCurrent();
// The current screen's background with only what `draw` puts on it, in the painter's font.
Pixels BackgroundWith(const std::function<void(HDC dc)>& draw);
// A bitmap resource as the display shows it.
Pixels LoadPicture(int id);

// The program state as start-up leaves it on the live main menu, nothing installed.
void ResetState();

// The program's window, created when there is none (a test may have closed it).
void EnsureWindow();
// Queues a pointer move onto (x, y) and a press there, as the mouse would.
void QueuePress(POINT at, bool move = true);
POINT Centre(const RECT& r);

// Counts the frames the painter shows while it lives (through the painter's FrameShown, which it
// takes for its time and gives back).
struct FrameCounter {
    FrameCounter();
    ~FrameCounter();
    FrameCounter(const FrameCounter&) = delete;
    FrameCounter& operator=(const FrameCounter&) = delete;
    unsigned Frames() const;
};

// The free space every drive has while set (the program asks the disk otherwise): linked in place
// of the program's own question to the disk.
extern std::uint64_t (*FreeSpaceFigure)(const wchar_t* root);

// The install record naming a folder, as an earlier installation leaves it.
void RecordInstallation(const std::string& folder);

// An installation into `folder` from `package`, run in a process of its own that is killed where
// `at` says: once that many moves of its commit are made ("moves:N"), or at that progress step
// ("step:K"). Returns that process's exit code (9 when it was killed as asked).
DWORD InstallKilled(const std::string& folder, const std::string& package, const std::string& at);
// That process: the installation the environment describes, up to the kill. Never returns when
// it gets there.
int RunUntilKilled(const char* at);

// A scratch folder under the temp folder of the run's own, fresh prefix.
std::string ScratchFolder(const char* name);
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

#endif

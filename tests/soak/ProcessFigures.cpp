// ProcessFigures: memory from GetProcessMemoryInfo, GDI objects from
// GetGuiResources where it answers, else from probing the GDI handle table.
#include "soak/ProcessFigures.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <vector>

namespace {

// Far more than any GDI handle table holds (Wine's has 65536 slots, Windows
// allows 10000 objects a process by default): the probe stops there regardless.
constexpr std::size_t kMostProbeObjects = 1 << 20;

// The slot index of a GDI handle: its low 16 bits; the bits above are the
// object's type and a reuse counter.
long slotOf(HGDIOBJ object) {
    return static_cast<long>(reinterpret_cast<UINT_PTR>(object) & 0xFFFF);
}

// The number of slots in the table, learnt from the first probe: then the top
// slots have never been used, so the highest slot handed out is the last one.
long tableSize = 0;

}  // namespace

// A freed slot is handed out again before any slot never used (Wine hands out
// the slot freed last first), so one fresh object only shows which slot was
// freed last, and a batch of them shows the table's high-water mark, not how
// many slots are taken. What does tell: how many more objects the table takes
// before it is full. The probe makes brushes until no more can be made, deletes
// them all, and counts the rest of the table as in use.
long gdiHandlesInUse() {
    std::vector<HGDIOBJ> made;
    long highest = -1;
    while (made.size() < kMostProbeObjects) {
        HGDIOBJ brush = CreateSolidBrush(RGB(0, 0, 0));
        if (!brush) break;
        highest = std::max(highest, slotOf(brush));
        made.push_back(brush);
    }
    for (HGDIOBJ brush : made) DeleteObject(brush);
    if (made.empty() || made.size() >= kMostProbeObjects) return -1;
    tableSize = std::max(tableSize, highest + 1);
    return tableSize - static_cast<long>(made.size());
}

void measureMemory(ProcessFigures& figures) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof counters)) {
        figures.privateBytes = counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
        figures.workingSet = counters.WorkingSetSize;
    }
}

void countGdiObjects(ProcessFigures& figures) {
    const DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (gdi != 0) {
        figures.gdiObjects = static_cast<long>(gdi);
        figures.gdiFromProbe = false;
    } else {
        figures.gdiObjects = gdiHandlesInUse();
        figures.gdiFromProbe = true;
    }
}

double growthPercent(std::size_t before, std::size_t after) {
    if (before == 0) return after == 0 ? 0.0 : 100.0;
    return (static_cast<double>(after) - static_cast<double>(before)) * 100.0 / static_cast<double>(before);
}

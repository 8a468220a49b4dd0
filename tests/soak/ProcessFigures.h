// ProcessFigures: the soak's measures of its own process, its memory and its
// GDI objects, taken the same way before and after long play.
#pragma once

#include <cstddef>

struct ProcessFigures {
    // Committed private memory: PrivateUsage, or PagefileUsage where the system
    // leaves PrivateUsage at 0 (Wine fills in only the latter).
    std::size_t privateBytes = 0;
    std::size_t workingSet = 0;
    // GDI objects of the process; -1 when neither way of counting them answered.
    long gdiObjects = -1;
    // True when gdiObjects comes from the handle-table probe, not GetGuiResources.
    bool gdiFromProbe = false;
};

// Taken apart, so that their order is the caller's: counting GDI objects by
// probe makes and deletes tens of thousands of brushes, which moves the heap.
void measureMemory(ProcessFigures& figures);
void countGdiObjects(ProcessFigures& figures);

// The GDI handle slots in use (stock objects included), read off the handle
// table by filling it: see the .cpp. -1 when the table would not fill.
long gdiHandlesInUse();

// Percentage growth from `before` to `after` (negative when it shrank).
double growthPercent(std::size_t before, std::size_t after);

#pragma once
// The screen cursor. The hourglass is shown while a guard lives and the cursor shown before it
// comes back when the guard goes, also when an error leaves the scope. A guard restores only what
// it set itself.
class THourGlass {
public:
    THourGlass();
    ~THourGlass();
    THourGlass(const THourGlass&) = delete;
    THourGlass& operator=(const THourGlass&) = delete;
};

// Whether some guard shows the hourglass now.
bool HourGlassShown();

#pragma once

#include "framework/ListBox.h"

#include <string>
#include <vector>

// Keeps a list box showing given lines by changing only the lines that
// differ from what it shows already: a delete removes one line, a move
// replaces two, an add appends one. A list box redraws and updates its
// scroll bar at every change, which on a long list froze the window for
// seconds when it was rebuilt line by line; where much changes (the first
// fill), the rebuild runs with redrawing off and the storage reserved.
class CListBoxMirror {
public:
    // Makes `box` show `lines`, in order.
    void Update(CListBox& box, std::vector<std::string> lines);

private:
    std::vector<std::string> m_shown; // what the box shows, as last set
};

#pragma once

// Where each key of the on-screen keyboard and each tile of the function
// panel sits. The rectangles are laid out from fixed lists and size tables in
// points with the origin at the bottom-left of the view (y up), then turned
// into top-left coordinates (y down) for the widgets by toTopLeft alone.

#include <span>
#include <string_view>

namespace korvex {

// A rectangle; `y` is its bottom edge in layout coordinates and its top edge
// in view coordinates.
struct Rect {
    double x = 0, y = 0, width = 0, height = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct ViewSize {
    double width = 0, height = 0;
};

// The keyboard picture and the function panel: every key lies inside with a
// margin, and the artwork is drawn to these sizes.
inline constexpr ViewSize kKeyboardViewSize{666, 250};
inline constexpr ViewSize kFunctionPanelSize{778, 242};

// One key of an on-screen keyboard (the geometric half of its KeyData).
struct KeyLayoutRecord {
    int index;                 // layout index 0..79
    int keycode;               // the name map's code for keyname
    std::string_view keyname;  // key name of the name map
    Rect rect;                 // layout coordinates, origin bottom-left
    Rect viewRect;             // the same in view coordinates, origin top-left
};

// One tile of the function panel.
struct FuncLayoutRecord {
    int index;               // position 0..110
    int key_code;            // the code the tile assigns
    std::string_view label;  // text drawn on the tile
    std::string_view icon;   // icon name, empty for every tile
    Rect rect;
    Rect viewRect;
};

// Layout coordinates (origin bottom-left, y up) to view coordinates (origin
// top-left, y down) in a view of the given height.
constexpr Rect toTopLeft(const Rect& r, double viewHeight) {
    return Rect{r.x, viewHeight - (r.y + r.height), r.width, r.height};
}

// The 80 keys in layout order; building twice gives the same records.
std::span<const KeyLayoutRecord> buildKeyRecords();
// The 111 tiles in panel order.
std::span<const FuncLayoutRecord> buildFunctionRecords();

// The layout index of the key under a point in view coordinates, or -1.
int keyIndexAt(double viewX, double viewY);
// The panel position of the tile under a point in view coordinates, or -1.
int functionIndexAt(double viewX, double viewY);

}  // namespace korvex

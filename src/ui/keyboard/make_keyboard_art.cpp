// Writes the keyboard picture "img_keyboard_layout" from the layout geometry,
// so its key holes sit exactly on the key rectangles:
//     make_keyboard_art > src/ui/keyboard/images/img_keyboard_layout.svg
// The key holes are transparent (the key areas below show through); the case,
// a one-point rim round each hole and the legends are opaque.

#include <cstdio>
#include <string>
#include <string_view>

#include "catalog/KeyCatalog.h"
#include "catalog/KeyLayout.h"

namespace {

std::string xmlEscaped(std::string_view s) {
    std::string out;
    for (char c : s) {
        switch (c) {
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '&':
                out += "&amp;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

// A closed rectangle path, clockwise.
std::string rectPath(double x, double y, double w, double h) {
    return "M" + num(x) + " " + num(y) + "h" + num(w) + "v" + num(h) + "h" + num(-w) + "z";
}

}  // namespace

int main() {
    using namespace korvex;
    const double W = kKeyboardViewSize.width, H = kKeyboardViewSize.height;
    std::string holes, rims, legends;
    for (const KeyLayoutRecord& k : buildKeyRecords()) {
        const Rect& r = k.viewRect;
        holes += rectPath(r.x, r.y, r.width, r.height);
        // The rim lies wholly outside the hole: a 1-point ring round it.
        rims += rectPath(r.x - 1, r.y - 1, r.width + 2, r.height + 2) +
                rectPath(r.x, r.y, r.width, r.height);
        // Top-left of the cap, clear of its centre.
        legends += "<text x=\"" + num(r.x + 4) + "\" y=\"" + num(r.y + 10) + "\">" +
                   xmlEscaped(keyLegend(k.keyname)) + "</text>\n";
    }
    std::printf(
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%s\" height=\"%s\" "
        "viewBox=\"0 0 %s %s\">\n",
        num(W).c_str(), num(H).c_str(), num(W).c_str(), num(H).c_str());
    // The case: one shape with a hole per key (even-odd), drawn without
    // anti-aliasing trouble because every edge is a whole point.
    std::printf("<path fill=\"#232427\" fill-rule=\"evenodd\" d=\"%s%s\"/>\n",
                rectPath(0, 0, W, H).c_str(), holes.c_str());
    std::printf("<path fill=\"#0e0f11\" fill-rule=\"evenodd\" d=\"%s\"/>\n", rims.c_str());
    std::printf("<path fill=\"none\" stroke=\"#3a3c41\" stroke-width=\"2\" d=\"%s\"/>\n",
                rectPath(1, 1, W - 2, H - 2).c_str());
    std::printf(
        "<g id=\"legends\" font-family=\"DejaVu Sans, sans-serif\" font-size=\"8\" "
        "fill=\"#2b2b2b\">\n%s</g>\n",
        legends.c_str());
    std::printf("</svg>\n");
    return 0;
}

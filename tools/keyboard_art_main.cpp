// Draws the home view's keyboard pictures from the layout geometry, so they
// show the same keys in the same places as the on-screen keyboard (whose
// picture src/ui/keyboard/make_keyboard_art draws):
//   keyboard_art device OUT.svg       the home view's attached keyboard
//   keyboard_art device-none OUT.svg  the home view without a keyboard
// Run after a layout change and commit the results.
#include <cstdio>
#include <string>

#include "catalog/KeyLayout.h"

namespace {

using korvex::kKeyboardViewSize;

// The home view's picture: the same keyboard at 0.6 scale on a 450 x 192 canvas.
void devicePicture(std::FILE* out, bool attached) {
    constexpr double kScale = 0.6;
    const double bodyW = kKeyboardViewSize.width * kScale,
                 bodyH = kKeyboardViewSize.height * kScale;
    const double x0 = (450 - bodyW) / 2, y0 = (192 - bodyH) / 2;
    std::fprintf(out,
                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"450\" height=\"192\" "
                 "viewBox=\"0 0 450 192\">\n");
    if (attached) {
        std::fprintf(out,
                     "<defs><linearGradient id=\"glow\" x1=\"0\" y1=\"0\" x2=\"1\" y2=\"0\">"
                     "<stop offset=\"0\" stop-color=\"#ca5100\"/><stop offset=\"0.5\" "
                     "stop-color=\"#ff8a2b\"/><stop offset=\"1\" stop-color=\"#ca5100\"/>"
                     "</linearGradient></defs>\n"
                     "<rect x=\"%g\" y=\"%g\" width=\"%g\" height=\"%g\" rx=\"10\" fill=\"none\" "
                     "stroke=\"url(#glow)\" stroke-width=\"3\" opacity=\"0.9\"/>\n",
                     x0 - 4, y0 - 4, bodyW + 8, bodyH + 8);
    }
    std::fprintf(out, "<rect x=\"%g\" y=\"%g\" width=\"%g\" height=\"%g\" rx=\"7\" fill=\"%s\"/>\n",
                 x0, y0, bodyW, bodyH, attached ? "#2c2c2e" : "#262628");
    std::fprintf(out, attached ? "<g fill=\"#48484a\" stroke=\"#ca5100\" stroke-opacity=\"0.55\" "
                                 "stroke-width=\"0.8\">\n"
                               : "<g fill=\"#343436\">\n");
    for (const auto& k : korvex::buildKeyRecords())
        std::fprintf(out, "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" rx=\"2\"/>\n",
                     x0 + k.viewRect.x * kScale, y0 + k.viewRect.y * kScale,
                     k.viewRect.width * kScale, k.viewRect.height * kScale);
    std::fprintf(out, "</g>\n");
    if (!attached) {
        // A crossed-out plug over the keys.
        std::fprintf(out,
                     "<g transform=\"translate(225,96)\"><circle r=\"30\" fill=\"#1c1c1e\" "
                     "stroke=\"#8e8e93\" stroke-width=\"3\"/><path d=\"M-12 -6v-8M12 -6v-8M-16 "
                     "-6h32v6a16 16 0 0 1-32 0z\" fill=\"none\" stroke=\"#8e8e93\" "
                     "stroke-width=\"3\" stroke-linecap=\"round\" stroke-linejoin=\"round\"/>"
                     "<path d=\"M-22 22L22 -22\" stroke=\"#ca5100\" stroke-width=\"4\" "
                     "stroke-linecap=\"round\"/></g>\n");
    }
    std::fprintf(out, "</svg>\n");
}

}  // namespace

int main(int argc, char** argv) {
    const std::string kind = argc == 3 ? argv[1] : "";
    if (kind != "device" && kind != "device-none") {
        std::fprintf(stderr, "usage: keyboard_art device|device-none OUT.svg\n");
        return 2;
    }
    std::FILE* out = std::fopen(argv[2], "w");
    if (!out) return 1;
    devicePicture(out, kind == "device");
    return std::fclose(out) == 0 ? 0 : 1;
}

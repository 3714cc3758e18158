#pragma once

// Accessible names and roles for the controls we draw ourselves, so screen
// readers can read the window and AT-SPI clients can find a control by its
// name and press it: every key of the on-screen keyboards (by key name, with
// its assignment as description), the function panel's tiles, list rows,
// menu items and the home-made buttons.

namespace korvex {

// Installs the accessibility factory once per process.
void installAccessibility();

}  // namespace korvex

#pragma once

// Accessible names and roles for the controls we draw ourselves, so screen
// readers can read the window and AT-SPI clients can find a control by its
// name and press it: every key of the on-screen keyboards (by key name, with
// its assignment as description), the function panel's tiles, list rows,
// menu items and the home-made buttons.

#include <QColor>
#include <QString>

namespace korvex {

// Installs the accessibility factory once per process.
void installAccessibility();

// A key's name told apart from its twin, in the current language: "Left
// Shift" / "Right Shift", "Left Cmd (Windows key)", and on the function
// panel (a full-size keyboard) "1 (number row)" / "1 (keypad)". `plain` is
// returned for keys without a twin.
QString distinctKeyName(int code, const QString& plain, bool fullSizeKeyboard);

// The name of a colour in the current language ("Red", "Dark green").
QString colourName(const QColor& colour);

}  // namespace korvex

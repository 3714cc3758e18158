#pragma once

#include <QColor>
#include <QString>

class QApplication;
class QLabel;
class QRect;
class QWidget;

namespace korvex::theme {

// One dark palette for the whole window; the accent is kAccentColor.
inline const QColor kWindowColour(30, 30, 32);
inline const QColor kTitleColour(24, 24, 26);
inline const QColor kNavColour(24, 24, 26);
inline const QColor kPageColour(36, 36, 38);
inline const QColor kTextColour(230, 230, 230);
inline const QColor kMutedTextColour(142, 142, 147);
// Fields, buttons and the frames of our own dialogs.
inline const QColor kFieldColour(44, 44, 48);
inline const QColor kButtonColour(56, 56, 60);
inline const QColor kFrameColour(88, 88, 94);

// Makes every widget of the program dark, Qt's own dialogs (message boxes,
// the colour and file dialogs) included: one palette and one style sheet,
// set once on the application before any window is built.
void applyTheme(QApplication& app);
QString styleSheet();

// Draws an accent ring round whichever widget has the keyboard focus, in
// every window of the program: the drawn controls have no focus look of
// their own, and the dark palette hides Fusion's. Installed once per process.
void installFocusRing();

// Black or white, whichever reads better on `background`: legends drawn on
// keys of any colour the user chose.
QColor legendColourOn(const QColor& background);

// Sets the visible caption of any of our text-bearing controls: a label's
// text, a button's title (ours or Qt's), a line edit's text.
void setCaption(QWidget* control, const QString& caption);
// The caption setCaption would change; empty for controls without one.
QString caption(const QWidget* control);
// A named caption label in the text colour, placed on its parent at `geometry`.
QLabel* pageLabel(QWidget* page, const QString& name, const QRect& geometry);

}  // namespace korvex::theme

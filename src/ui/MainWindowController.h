#pragma once

#include <QWidget>

#include <functional>

class QLabel;

namespace korvex {

class ImageButton;
class KeyboardViewController;

// The borderless main window. Closing it ends the program, unless
// `hidesOnClose` says to keep running hidden; its background (title strip
// and empty page areas) moves it.
class FramelessWindow : public QWidget {
    Q_OBJECT
  public:
    explicit FramelessWindow(QWidget* parent = nullptr);

    std::function<bool()> hidesOnClose;

  signals:
    void windowWillClose();
    void hiddenOnClose();
    void shown();
    void hidden();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

// Sets up the main window (no zoom, movable by its background, centred) and
// puts the keyboard view controller into it below a title strip with the
// home, minimise and close buttons.
class MainWindowController : public QObject {
    Q_OBJECT
  public:
    // Takes a controller built by the caller (the program or a test).
    explicit MainWindowController(KeyboardViewController* controller);
    ~MainWindowController() override;

    FramelessWindow* window() const { return window_; }
    KeyboardViewController* controller() const { return controller_; }
    QLabel* titleLabel() const { return title_; }
    ImageButton* homeButton() const { return home_; }
    QWidget* titleBar() const { return titleBar_; }

    void showWindow();
    void centreOnScreen();

    // Whether the desktop shows a tray icon; replaceable (tests).
    std::function<bool()> trayAvailable;
    // Closing hides the window instead of ending the program while Korvex
    // starts with the desktop: it then keeps the keyboard set up from the
    // tray. Without a tray there would be no way back, so it quits then.
    bool closeHidesToTray() const;

    static constexpr int kTitleHeight = 44;

  signals:
    void quitRequested();
    // The window was closed and is now hidden, the program still running.
    void hiddenToTray();

  private:
    FramelessWindow* window_;
    KeyboardViewController* controller_;
    QWidget* titleBar_ = nullptr;
    QLabel* title_ = nullptr;
    ImageButton* home_ = nullptr;
};

}  // namespace korvex

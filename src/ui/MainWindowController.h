#pragma once

#include <QWidget>

class QLabel;

namespace korvex {

class ImageButton;
class KeyboardViewController;

// The borderless main window. Closing it ends the program; its background
// (title strip and empty page areas) moves it.
class FramelessWindow : public QWidget {
    Q_OBJECT
  public:
    explicit FramelessWindow(QWidget* parent = nullptr);

  signals:
    void windowWillClose();
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

    static constexpr int kTitleHeight = 44;

  signals:
    void quitRequested();

  private:
    FramelessWindow* window_;
    KeyboardViewController* controller_;
    QWidget* titleBar_ = nullptr;
    QLabel* title_ = nullptr;
    ImageButton* home_ = nullptr;
};

}  // namespace korvex

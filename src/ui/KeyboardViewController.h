#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

class QColorDialog;
class QStackedLayout;

namespace korvex {

class ImageButton;
class NotificationCenter;

// True while the home view lies over the pages because the user asked for it.
extern bool g_show_homepage;

// The hub of the main window: owns the pages, the navigation column and the
// home / no-device view, and the state every feature page shares. Feature
// groups add their contents to pageView(N) and hook into the page changes.
class KeyboardViewController : public QWidget {
    Q_OBJECT
  public:
    // Page numbers; 4 and 6 are unused.
    enum ViewType : int {
        kCustomKeyView = 1,
        kMacroView = 2,
        kLightView = 3,
        kUserLightView = 5,
        kConfigView = 7,
        kNoDeviceView = 100,
    };

    explicit KeyboardViewController(QWidget* parent = nullptr);
    ~KeyboardViewController() override;

    // Life cycle, called by the window: build pages and subscribe the control
    // notifications once; then, when first shown, start watching devices.
    void viewDidLoad();
    void viewDidAppear();
    void viewDidDisappear();

    // --- shared state of the pages --------------------------------------
    QString keyboardTitle;
    int viewType = 0;
    std::int64_t currentProfile = 1;
    int currentProfileIndex = 0;
    std::int64_t currentKBProfile = 1;
    int currentFnLayer = 0;
    int currentKeyValue = 0;
    int currentLightMode = 0;
    bool initFinish = false;
    int macroRecordType = 0;  // 2 while a macro recording runs

    // --- pages ------------------------------------------------------------
    // A navigation button was pressed (also by the program).
    void selectPage(int type);
    void removePreView();
    void button_action_home();
    void button_keyboard_connect();

    QWidget* pageView(int type) const;
    ImageButton* navigationButton(int type) const;
    QWidget* nodevice_view() const { return nodeviceView_; }
    ImageButton* keyboard_connect() const { return keyboardConnect_; }
    bool homeViewShown() const;
    // The page whose view is in the page area (0 before the first choice).
    int shownPage() const { return shownPage_; }

    // Whether a keyboard is attached; the connection button depends on it.
    virtual bool keyboardAttached() const { return attached_; }
    void setConnectedImage(bool attached);

    // --- hooks filled in by the feature groups --------------------------
    // Called on every press of the light / user light navigation buttons.
    std::function<void()> sendLightModeOnPress;
    std::function<void()> sendUserLightModeOnPress;
    // Stops a running macro recording (macro page).
    std::function<void()> stopMacroRecord;

    // --- shared colour picker -------------------------------------------
    QColorDialog* colorPanel();
    bool colorPanelOpen() const;
    void closeColorPanel();

    // --- languages ----------------------------------------------------------
    // Text of an id in the current language. Replaceable for tools that have
    // no language tables; the window uses the program's tables.
    std::function<QString(int id)> text;
    void LanguageSwicth();

  signals:
    void titleChanged(const QString& title);
    void languageSwitched();
    void pageChanged(int type);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    bool attached_ = false;

  private:
    void buildPages();
    void registerNotification();
    void showHomeView();
    void hideHomeView();
    void setTitle(const QString& title);

    struct Page {
        QWidget* view = nullptr;
        ImageButton* button = nullptr;
        QString image;
    };
    std::map<int, Page> pages_;
    QWidget* navColumn_ = nullptr;
    QWidget* pageArea_ = nullptr;
    QStackedLayout* pageStack_ = nullptr;
    QWidget* emptyPage_ = nullptr;
    QWidget* nodeviceView_ = nullptr;
    ImageButton* keyboardConnect_ = nullptr;
    QPointer<QColorDialog> colorPanel_;
    int shownPage_ = 0;
    bool loaded_ = false;
    bool appeared_ = false;
};

}  // namespace korvex

#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "catalog/HeldKeys.h"
#include "device/DeviceComm.h"
#include "device/KeyboardLink.h"
#include "device/UploadWorker.h"
#include "session/BusService.h"
#include "session/Session.h"
#include "store/DeviceSQLite.h"
#include "store/StoreFault.h"
#include "sync/StoreUploads.h"
#include "ui/DeviceEvents.h"

class QColorDialog;
class QLabel;
class QMessageBox;
class QStackedLayout;
class QTimer;

namespace korvex {

class ImageButton;
class UploadIndicator;

// True while the home view lies over the pages because the user asked for it.
extern bool g_show_homepage;

// The hub of the main window: owns the pages, the navigation column and the
// home / no-device view, and the state every feature page shares. Feature
// groups add their contents to pageView(N) and hook into the page changes.
class KeyboardViewController : public QWidget {
    Q_OBJECT
    // Declared first: the page state below names its fields.
    Session session_;

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

    // How the window reaches the keyboard; set before the window is shown.
    struct LinkOptions {
        std::unique_ptr<DeviceMonitor> monitor;  // none: no keyboard ever arrives
        std::string wireLogPath;                 // empty: no wire log
        PauseClock* clock = nullptr;             // null: the real 8 ms pacing
        // Set when the program is asked to end: the running upload stops
        // where the keyboard is not left inside an exchange.
        const std::atomic<bool>* stopFlag = nullptr;
    };

    explicit KeyboardViewController(QWidget* parent = nullptr);
    ~KeyboardViewController() override;

    void setLinkOptions(LinkOptions options);

    // Life cycle, called by the window: build pages and subscribe the control
    // notifications once; then, when first shown, start watching devices.
    void viewDidLoad();
    void viewDidAppear();
    void viewDidDisappear();

    // The state the window's views, the tray and the bus service share.
    Session& session() { return session_; }
    // What the bus service asks of the window (all but raising it).
    BusService::WindowHooks busHooks();

    // --- shared state of the pages --------------------------------------
    QString keyboardTitle;
    int viewType = 0;
    std::int64_t& currentProfile = session_.shownProfile;
    int& currentProfileIndex = session_.shownProfileIndex;
    std::int64_t currentKBProfile = 1;
    int currentFnLayer = 0;
    int currentKeyValue = 0;
    int& currentLightMode = session_.shownLightMode;
    bool initFinish = false;
    int macroRecordType = 0;  // 2 while a macro recording runs

    // --- device link (main thread only) -----------------------------------
    DeviceMonitor* rfDeviceMonitor() const { return monitor_.get(); }
    KeyboardRef kbHIDdevice;
    DeviceComm* deviceComm() const { return deviceComm_.get(); }
    // The settings store; null before the first attach. Without a
    // connection (the file could not be read) every operation does nothing.
    DeviceSQLite* deviceDB() const { return deviceDB_.get(); }
    std::string deviceDBfile;
    // Modifier keys and all other keys of the catalog, rebuilt at first attach.
    KeyLists keyLists;
    // The profile list, as loaded at first attach.
    std::vector<ProfileData>& profileDatas = session_.profiles;

    // Handlers of the monitor's notifications. The monitor's thread opens the
    // link and hands the rest to the main thread, which runs these in the
    // order the notifications were posted.
    void deviceConnected(const KeyboardRef& device, OpenedLink opened);
    void deviceDisconnected(const KeyboardRef& device);
    void refreshUI();
    // USB cannot be used at all: say so; the home view stays.
    void deviceMonitorFailed(const QString& reason);
    void ConnectDevice();
    void initSQLite();
    void selectProfile(std::int64_t profile);
    void selectProfileIndex(int index);
    // Loads the profile list, the language and the pages' lists.
    void getAllProfile();
    // Fills the macro list (macro page).
    std::function<void()> initMacroList;
    // Shows the current profile's key assignments (key page) and uploads
    // them; false when nothing was sent.
    bool loadKeyMacroData();
    std::function<void()> showKeyAssignments;

    // True while the first attach loads: its uploads go out as one sequence,
    // so the pages do not send their own meanwhile.
    bool startupLoading() const { return session_.startupLoading; }
    // After a factory reset of the store: load every page and send the
    // start-up sequence again, as at a first attach.
    void reloadFromStore(bool sendToKeyboard = true);
    // Reloads the lists when another program (korvexctl import, restore, a
    // reset) changed the settings file since we last looked, so nothing is
    // written from stale lists. Runs on window activation and every few
    // seconds. True when it reloaded.
    bool reloadIfChangedOutside();
    // While a restore replaces the file this thread leaves it alone.
    void setStoreReplacing(bool on) { storeReplacing_ += on ? 1 : -1; }
    // After the settings file was replaced (a backup restored): open it
    // again, then load and send as at a first attach. False when it cannot
    // be opened (the sheet says why) or nothing was loaded from it yet.
    bool reopenStore();
    // Sends the start-up sequence again (after a resume from sleep).
    void reapplyStartupUploads() { sendStartupUploads(true); }
    // How many start-up sequences have been handed to the device thread.
    int startupSequencesSent() const { return startupSends_; }

    // --- macros and key tables on the keyboard -----------------------------
    // Key tables are only ever built against the macro image the keyboard
    // accepted in this run: a key whose macro is not on the keyboard as
    // stored goes out at its own function, so no key plays a macro other
    // than the one the window shows for it.
    //
    // Sends the stored macros as a new image. False when they do not fit
    // (nothing is sent, the keyboard keeps its image). A failed read sends
    // nothing either and is reported here (indicator and sheet), so it
    // returns true. The key tables follow whenever the macros keys can play
    // have changed.
    bool sendMacroImage();
    // Sends the key tables of `profile` (the current one when 0). False when
    // nothing was sent; a failed read is reported as by sendStored. With a
    // `layer` (0 top, 1 Fn) only that table goes out while the keyboard holds
    // the other one as stored, built against the same macro slots; else both.
    // A key that plays a macro the keyboard's image lacks (a new macro) has
    // the image sent first.
    bool sendKeyTables(std::int64_t profile = 0, std::optional<std::int64_t> layer = std::nullopt);
    // Sends the macro image when the stored macros are not those the
    // keyboard holds (a file brought new ones); nothing while they do not fit.
    void sendMacroImageIfBehind();
    // While one lives, key tables asked for are held and go out once, both
    // layers, when the last one ends: an import or reload that switches
    // profiles and moves macro slots sends them once, after the image.
    class KeyTablesHeld {
      public:
        explicit KeyTablesHeld(KeyboardViewController& hub) : hub_(hub) { ++hub_.keyTablesHeld_; }
        ~KeyTablesHeld();
        KeyTablesHeld(const KeyTablesHeld&) = delete;
        KeyTablesHeld& operator=(const KeyTablesHeld&) = delete;

      private:
        KeyboardViewController& hub_;
    };
    // The slots of the keyboard's image that still play what the store holds.
    std::vector<MacroInfo> playableMacros() { return session_.playableMacros(); }
    bool macroPlayable(std::int64_t macroId) { return session_.macroPlayable(macroId); }
    // The stored macros are not on the keyboard: they did not fit.
    bool macrosHeldBack() const { return session_.macrosHeldBack; }

    // --- lighting on the keyboard ----------------------------------------
    // The keyboard plays either the current profile's light mode or a user
    // light scheme (those are the whole application's), whichever went out
    // last. Each light page sends its own when shown; a profile switch sends
    // the new profile's light mode while a light mode is what plays.
    using Lighting = Session::Lighting;
    const Lighting& lighting() const { return session_.lighting; }
    void lightModeSent() { session_.lighting.userLight = false; }
    // Sends the current profile's selected light mode as stored; a failed
    // read sends nothing and says why. False when nothing was sent.
    bool sendStoredLightMode() { return session_.sendStoredLightMode(); }
    void userLightSent(std::int64_t scheme) { session_.userLightSent(scheme); }
    // The scheme is gone: while it plays, the keyboard goes back to the
    // current profile's light mode.
    void userLightDeleted(std::int64_t scheme) { session_.userLightDeleted(scheme); }

    // Hands an upload to the device thread; never waits for the keyboard.
    // Returns its ticket, or 0 when there is no transport yet.
    std::uint64_t submitUpload(Upload upload);
    // Builds the uploads of `choice` from what the store holds now and hands
    // them over. When the store cannot be read nothing is sent and the user
    // is told why (indicator and sheet); false then.
    bool sendStored(sync::UploadChoice choice, std::int64_t profile) {
        return session_.sendStored(choice, profile);
    }
    // Hands over what was built, or reports why nothing was; false then.
    bool sendBuilt(sync::BuiltUploads built) { return session_.sendBuilt(std::move(built)); }
    // Tells the user why an upload was not built (a failed read: indicator
    // and sheet; anything else: a line on stderr).
    void reportNotBuilt(const sync::BuiltUploads& built);
    // A write to the store failed: nothing is sent, and the sheet says why.
    // Always false, so callers can `return hub.reportNotSaved();`.
    // After any refused write every page is shown again from the store (at
    // once, or as soon as the file can be read again).
    bool reportNotSaved();
    // The same for a write of the program's own while loading, which the
    // user did not ask for (it says nothing of a change or the keyboard).
    void reportNotPrepared();
    // Reports (as reportNotSaved) when the store refused a write under
    // `watch` because another program changed the file; false otherwise.
    bool changedOutside(const DeviceSQLite::FailureWatch& watch);
    // The cause of a store failure in the current language.
    static QString storeFaultDescription(StoreFault fault);
    UploadIndicator* uploadIndicator() const { return uploadIndicator_; }
    // The sheet on show, if any (database or access problems).
    QMessageBox* sheet() const;

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
    // Keyboard focus to the home view's keyboard picture, or to the shown
    // page's navigation button (the page's controls follow it in the Tab order).
    void focusShownPage();
    // The page whose view is in the page area (0 before the first choice).
    int shownPage() const { return shownPage_; }

    // Whether a keyboard is attached; the connection button depends on it.
    bool keyboardAttached() const { return kbHIDdevice != nullptr; }
    void setConnectedImage(bool attached);
    QLabel* homeCaption() const { return homeCaption_; }

    // --- hooks filled in by the feature groups --------------------------
    // Stops the recording of the macro page's recorder.
    std::function<void()> macroRecorderStop;
    // Sends the light page's shown mode when its button is pressed.
    std::function<void()> sendLightModeOnPress;
    // Plays the user light page's shown scheme when its button is pressed;
    // false when it shows none (nothing is sent then).
    std::function<bool()> sendUserLightOnPress;
    // The scheme the user light page shows, 0 for none.
    std::function<std::int64_t()> shownUserLight;
    // True while the user light page holds paint not yet applied.
    std::function<bool()> unappliedPaint;
    // Ends a running macro recording: the record button reads "Record" again.
    void stopMacroRecord();

    // --- shared colour picker -------------------------------------------
    QColorDialog* colorPanel();
    bool colorPanelOpen() const;
    void closeColorPanel();

    // --- languages ----------------------------------------------------------
    // Text of an id in the current language (curLanguage).
    static QString text(int id);
    // The reasons of a failed opening, in the current language.
    static QString openErrorText(OpenError error);
    static QString linkErrorText(LinkOpenError error);
    void LanguageSwicth();
    // Reads the stored choice (profile 1, "language") and relabels.
    void loadStoredLanguage();
    // The language combo box's selection changed (only acts once loaded).
    void languageSelectionChanged(int index);
    void initLanguageData();

  signals:
    void titleChanged(const QString& title);
    void languageSwitched();
    void pageChanged(int type);
    // The profile list and the language are loaded; pages fill their lists.
    void profilesLoaded();
    // Another profile is shown (currentProfile, currentLightMode are set).
    void profileSwitched();
    // The settings file failed its check at start and was not opened.
    void databaseDamaged(const QString& path, const QString& message);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    int storeReplacing_ = 0;  // restores running (the window's, the bus's)
    int shownLanguage_ = -1;  // the language the pages are labelled in
    void buildPages();
    void registerNotification();
    void registerDeviceNotifications();
    void showHomeView();
    void hideHomeView();
    // The page buttons' names and the home view's texts, in the current language.
    void relabelShell();
    void setTitle(const QString& title);
    void showSheet(const QString& title, const QString& message);
    void uploadReported(const UploadReport& report);
    // `restoreLighting`: end on the lighting that played before (a replug or
    // resume), not on the first user light as a first attach does.
    void sendStartupUploads(bool restoreLighting = false);
    void requestRefresh();
    bool storeReadable() const;
    bool openStore();
    // Lets go of a damaged file and offers a backup in its place.
    // `path` is a copy: the store that names it goes away here.
    void storeDamaged(std::string path, const std::string& damage);
    // The file is locked by another program at start: say so and try again
    // until it is free, then load as at a first attach.
    void waitForStore(const QString& path);
    // Shows every page again from the store once it can be read.
    void reshowFromStore();
    void reshowNow();

    struct Page {
        QWidget* view = nullptr;
        ImageButton* button = nullptr;
        QString image;
        int nameText = 0;
    };
    std::map<int, Page> pages_;
    QWidget* navColumn_ = nullptr;
    QWidget* pageArea_ = nullptr;
    QStackedLayout* pageStack_ = nullptr;
    QWidget* emptyPage_ = nullptr;
    QWidget* nodeviceView_ = nullptr;
    ImageButton* keyboardConnect_ = nullptr;
    QLabel* keyboardName_ = nullptr;
    QLabel* homeCaption_ = nullptr;
    QPointer<QColorDialog> colorPanel_;
    int shownPage_ = 0;
    bool loaded_ = false;
    bool appeared_ = false;

    std::unique_ptr<DeviceMonitor> monitor_;
    std::string wireLogPath_;
    PauseClock* pauseClock_ = nullptr;
    const std::atomic<bool>* stopFlag_ = nullptr;
    KeyboardRef refusedDevice_;  // the interface whose access sheet was shown
    LinkSlot linkSlot_;
    // Destroyed before the slot: the worker writes through the slot's link.
    std::unique_ptr<DeviceComm> deviceComm_;
    std::unique_ptr<UploadWorker> uploadWorker_;
    std::unique_ptr<DeviceSQLite> deviceDB_;
    // Both key tables handed over last were this profile's as stored, built
    // against these macro slots; unknown after a failed upload or a change
    // by another program.
    struct KeyTablesSent {
        std::int64_t profile = 0;
        std::vector<std::int64_t> macroSlots;
    };
    std::optional<KeyTablesSent> keyTablesSent_;
    int keyTableSends_ = 0;
    int keyTablesHeld_ = 0;
    std::optional<std::int64_t> heldKeyTables_;  // the profile asked for meanwhile
    bool sendingImageFirst_ = false;
    bool playsMacroNotOnKeyboard(std::int64_t profile);
    int startupSends_ = 0;
    bool refreshQueued_ = false;
    bool detachedSinceRefresh_ = false;
    std::optional<std::int64_t> seenDataVersion_;
    bool reshowQueued_ = false;
    bool waitingForStore_ = false;
    QTimer* storeRetry_ = nullptr;
    std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
    UploadIndicator* uploadIndicator_ = nullptr;
    QPointer<QMessageBox> sheet_;
};

}  // namespace korvex

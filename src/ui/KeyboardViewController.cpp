#include "ui/KeyboardViewController.h"

#include <QApplication>
#include <QColorDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QStackedLayout>
#include <QTimer>
#include <QVBoxLayout>

#include "protocol/Encoders.h"
#include "sync/StoredUploads.h"
#include "ui/Accessibility.h"
#include "ui/Controls.h"
#include "ui/Images.h"
#include "ui/NotificationCenter.h"
#include "ui/Theme.h"
#include "ui/UploadIndicator.h"
#include "ui/autoswitch/KeyboardViewAutoSwitch.h"
#include "ui/config/KeyboardViewConfig.h"
#include "ui/customkey/CustomKeyViewController.h"
#include "ui/desktop/KeyboardViewDesktop.h"
#include "ui/keys/KeyboardViewKeyFunc.h"
#include "ui/light/KeyboardViewLight.h"
#include "ui/macro/KeyboardViewMacro.h"
#include "ui/userlight/KeyboardViewUserLight.h"

namespace korvex {

bool g_show_homepage = false;

namespace {

struct PageSpec {
    int type;
    const char* view;
    const char* button;
    const char* image;
    int nameText;  // the button's tooltip and accessible name
};

constexpr PageSpec kPages[] = {
    {KeyboardViewController::kCustomKeyView, "customkey_view", "customkey_btn",
     "icon_menu_customkey", 1300},
    {KeyboardViewController::kMacroView, "macro_view", "macro_btn", "icon_menu_macro", 1301},
    {KeyboardViewController::kLightView, "light_view", "light_btn", "icon_menu_light", 1302},
    {KeyboardViewController::kUserLightView, "userlight_view", "userlight_btn",
     "icon_menu_userlight", 1303},
    {KeyboardViewController::kConfigView, "config_view", "config_btn", "icon_menu_config", 1304},
};

constexpr int kSimulatedText = 1307;
constexpr int kAttachedCaptionText = 1305, kNotAttachedCaptionText = 1306;

constexpr int kNavWidth = 76;

}  // namespace

KeyboardViewController::KeyboardViewController(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("keyboard_view"));
    installAccessibility();
    theme::installFocusRing();
    keyboardTitle = QStringLiteral("Korvex");
    uploadIndicator_ = new UploadIndicator(this);
    session_.submit = [this](Upload upload) { return submitUpload(std::move(upload)); };
    session_.showKeys = [this] {
        if (showKeyAssignments) showKeyAssignments();
    };
    session_.notBuilt = [this](const sync::BuiltUploads& built) { reportNotBuilt(built); };
    session_.sendKeys = [this](std::int64_t profile) { return sendKeyTables(profile); };
    // A write of the window's own while loading is not the user's change.
    session_.notSaved = [this] {
        if (startupLoading())
            reportNotPrepared();
        else
            reportNotSaved();
    };
    // Pages listen to the hub; a switch from the tray or the bus is theirs too.
    connect(&session_, &Session::profileSwitched, this, &KeyboardViewController::profileSwitched);
    // Another program may change the settings file at any time; a cheap
    // check (one pragma) every few seconds and on activation finds out.
    auto* outsideChanges = new QTimer(this);
    outsideChanges->setObjectName(QStringLiteral("outside_change_timer"));
    connect(outsideChanges, &QTimer::timeout, this, [this] { reloadIfChangedOutside(); });
    outsideChanges->start(3000);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
        if (s == Qt::ApplicationActive) reloadIfChangedOutside();
    });
}

KeyboardViewController::~KeyboardViewController() {
    // No more device events or upload reports for this object: stop the
    // monitor's thread, then the device thread, before the fields go.
    *alive_ = false;
    monitor_.reset();
    uploadWorker_.reset();
    if (colorPanel_) delete colorPanel_;
}

void KeyboardViewController::viewDidLoad() {
    if (loaded_) return;
    loaded_ = true;
    setTitle(keyboardTitle);
    buildPages();
    // The key and settings pages; before the language list is filled.
    CustomKeyWindowController::attach(*this, *new KeyboardViewKeyFunc(*this));
    new KeyboardViewConfig(*this);
    new KeyboardViewLight(*this);
    new KeyboardViewUserLight(*this);
    new KeyboardViewDesktop(*this);
    new KeyboardViewMacro(*this);
    new KeyboardViewAutoSwitch(*this);
    initLanguageData();
    registerNotification();
}

void KeyboardViewController::viewDidAppear() {
    setTitle(keyboardTitle);
    if (appeared_) return;
    appeared_ = true;
    registerDeviceNotifications();
    if (monitor_) monitor_->start();
}

void KeyboardViewController::viewDidDisappear() {
    closeColorPanel();
}

void KeyboardViewController::setTitle(const QString& title) {
    window()->setWindowTitle(title);
    emit titleChanged(title);
}

void KeyboardViewController::buildPages() {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    navColumn_ = new DragView(theme::kNavColour, this);
    navColumn_->setObjectName(QStringLiteral("navigation_view"));
    navColumn_->setFixedWidth(kNavWidth);
    auto* nav = new QVBoxLayout(navColumn_);
    nav->setContentsMargins(14, 18, 14, 18);
    nav->setSpacing(14);

    pageArea_ = new QWidget(this);
    pageArea_->setObjectName(QStringLiteral("page_area"));
    pageStack_ = new QStackedLayout(pageArea_);
    emptyPage_ = new DragView(theme::kPageColour, pageArea_);
    pageStack_->addWidget(emptyPage_);

    for (const auto& item : kPages) {
        Page page;
        page.image = QString::fromLatin1(item.image);
        page.nameText = item.nameText;
        page.view = new DragView(theme::kPageColour, pageArea_);
        page.view->setObjectName(QString::fromLatin1(item.view));
        pageStack_->addWidget(page.view);
        page.button = new ImageButton(page.image, navColumn_);
        page.button->setObjectName(QString::fromLatin1(item.button));
        page.button->setFixedSize(48, 48);
        nav->addWidget(page.button, 0, Qt::AlignHCenter);
        const int type = item.type;
        connect(page.button, &QAbstractButton::clicked, this, [this, type] { selectPage(type); });
        pages_[item.type] = page;
    }
    nav->addStretch(1);
    pageStack_->setCurrentWidget(emptyPage_);

    row->addWidget(navColumn_);
    row->addWidget(pageArea_, 1);

    // The home view lies over the navigation column and the pages alike.
    nodeviceView_ = new DragView(theme::kPageColour, this);
    nodeviceView_->setObjectName(QStringLiteral("nodevice_view"));
    auto* home = new QVBoxLayout(nodeviceView_);
    home->setContentsMargins(40, 40, 40, 60);
    home->setSpacing(12);
    keyboardConnect_ = new ImageButton(QStringLiteral("singledevice_keyboard_none"), nodeviceView_);
    keyboardConnect_->setObjectName(QStringLiteral("keyboard_connect"));
    keyboardConnect_->setFixedSize(675, 288);  // the picture at 1.5 times
    // The attached keyboard's product name, under its picture.
    keyboardName_ = new QLabel(nodeviceView_);
    keyboardName_->setObjectName(QStringLiteral("keyboard_name"));
    keyboardName_->setAlignment(Qt::AlignHCenter);
    QPalette palette = keyboardName_->palette();
    palette.setColor(QPalette::WindowText, theme::kMutedTextColour);
    keyboardName_->setPalette(palette);
    home->addStretch(1);
    home->addWidget(keyboardConnect_, 0, Qt::AlignHCenter);
    home->addWidget(keyboardName_);
    // What to do next: click the picture, or why no keyboard shows.
    homeCaption_ = new QLabel(nodeviceView_);
    homeCaption_->setObjectName(QStringLiteral("keyboard_caption"));
    homeCaption_->setAlignment(Qt::AlignHCenter);
    homeCaption_->setWordWrap(true);
    QFont font = homeCaption_->font();
    font.setPixelSize(15);
    homeCaption_->setFont(font);
    palette.setColor(QPalette::WindowText, theme::kTextColour);
    homeCaption_->setPalette(palette);
    home->addWidget(homeCaption_);
    home->addStretch(1);
    connect(keyboardConnect_, &QAbstractButton::clicked, this,
            [this] { button_keyboard_connect(); });
    relabelShell();
    showHomeView();
}

void KeyboardViewController::relabelShell() {
    for (auto& [type, page] : pages_) {
        page.button->setToolTip(text(page.nameText));
        page.button->setAccessibleName(text(page.nameText));
    }
    const bool attached = keyboardAttached();
    QString name;
    if (attached) {
        name = QString::fromStdString(kbHIDdevice->name());
        if (kbHIDdevice->simulated()) name += QLatin1Char(' ') + text(kSimulatedText);
    }
    keyboardName_->setText(name);
    homeCaption_->setText(text(attached ? kAttachedCaptionText : kNotAttachedCaptionText));
    keyboardConnect_->setAccessibleName(attached ? name : text(kNotAttachedCaptionText));
}

void KeyboardViewController::registerNotification() {
    // The feature groups observe their own control notifications; the hub
    // only needs to know when the custom key dialog is gone: the dialog has
    // stored a key, so show and send the key tables again.
    NotificationCenter::defaultCenter().addObserver(
        notification::kCustomKeywindowCloseDid, [this](const QVariant&) { loadKeyMacroData(); },
        this);
}

void KeyboardViewController::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (nodeviceView_) nodeviceView_->setGeometry(rect());
}

QWidget* KeyboardViewController::pageView(int type) const {
    auto it = pages_.find(type);
    return it == pages_.end() ? nullptr : it->second.view;
}

ImageButton* KeyboardViewController::navigationButton(int type) const {
    auto it = pages_.find(type);
    return it == pages_.end() ? nullptr : it->second.button;
}

void KeyboardViewController::selectPage(int type) {
    auto it = pages_.find(type);
    if (it == pages_.end()) return;
    if (viewType != type) {
        removePreView();
        pageStack_->setCurrentWidget(it->second.view);
        shownPage_ = type;
        it->second.button->setImageName(it->second.image + QStringLiteral("_check"));
    }
    viewType = type;
    // The light pages resend on every press, also when already shown: the
    // user's way of making the keyboard show the page's lighting again.
    if (type == kLightView && storeReadable()) {
        if (sendLightModeOnPress)
            sendLightModeOnPress();
        else
            sendStoredLightMode();
    }
    if (type == kUserLightView && storeReadable() && sendUserLightOnPress) sendUserLightOnPress();
    emit pageChanged(type);
}

void KeyboardViewController::removePreView() {
    closeColorPanel();
    auto it = pages_.find(viewType);
    if (it != pages_.end()) {
        pageStack_->setCurrentWidget(emptyPage_);
        shownPage_ = 0;
        it->second.button->setImageName(it->second.image);
    }
    if (viewType == kMacroView) {
        if (auto* b = findChild<QAbstractButton*>(QStringLiteral("delayevent_radiobutton")))
            b->setChecked(true);
        for (const char* name : {"keyboardevent_radiobutton", "mouseevent_radiobutton"})
            if (auto* b = findChild<QAbstractButton*>(QString::fromLatin1(name)))
                b->setChecked(false);
        stopMacroRecord();
    } else if (viewType == kNoDeviceView) {
        hideHomeView();
    }
}

void KeyboardViewController::stopMacroRecord() {
    if (macroRecordType != 2) return;
    macroRecordType = 1;
    if (macroRecorderStop) macroRecorderStop();
    if (auto* b = findChild<QWidget*>(QStringLiteral("record_button")))
        theme::setCaption(b, text(201));
}

void KeyboardViewController::showHomeView() {
    nodeviceView_->setGeometry(rect());
    // Covered is not enough: what lies under the home view must neither take
    // focus, nor receive a key, nor tell a screen reader it is showing.
    navColumn_->hide();
    pageArea_->hide();
    nodeviceView_->show();
    nodeviceView_->raise();
    if (window()->isActiveWindow() && !nodeviceView_->isAncestorOf(QApplication::focusWidget()))
        keyboardConnect_->setFocus(Qt::OtherFocusReason);
}

void KeyboardViewController::hideHomeView() {
    const bool hadFocus = nodeviceView_->isAncestorOf(QApplication::focusWidget());
    nodeviceView_->hide();
    navColumn_->show();
    pageArea_->show();
    if (hadFocus) focusShownPage();
}

void KeyboardViewController::focusShownPage() {
    // Nothing chosen yet: the first page is the one that opens.
    auto it = pages_.find(shownPage_ != 0 ? shownPage_ : int(kCustomKeyView));
    QWidget* target = homeViewShown()      ? keyboardConnect_
                      : it != pages_.end() ? it->second.button
                                           : nullptr;
    if (target) target->setFocus(Qt::OtherFocusReason);
}

bool KeyboardViewController::homeViewShown() const {
    return nodeviceView_ && !nodeviceView_->isHidden();
}

void KeyboardViewController::button_action_home() {
    showHomeView();
    g_show_homepage = true;
}

void KeyboardViewController::button_keyboard_connect() {
    if (!keyboardAttached()) return;
    hideHomeView();
    g_show_homepage = false;
    // Nothing chosen yet: open the first page rather than an empty area.
    if (shownPage_ == 0) selectPage(kCustomKeyView);
}

void KeyboardViewController::setConnectedImage(bool attached) {
    relabelShell();
    keyboardConnect_->setImageName(attached ? QStringLiteral("singledevice_keyboard")
                                            : QStringLiteral("singledevice_keyboard_none"));
}

QColorDialog* KeyboardViewController::colorPanel() {
    if (!colorPanel_) {
        colorPanel_ = new QColorDialog(window());
        colorPanel_->setModal(false);
        colorPanel_->setOption(QColorDialog::NoButtons);
    }
    return colorPanel_;
}

bool KeyboardViewController::colorPanelOpen() const {
    return colorPanel_ && colorPanel_->isVisible();
}

void KeyboardViewController::closeColorPanel() {
    if (colorPanel_) colorPanel_->hide();
}

}  // namespace korvex

#include "ui/config/KeyboardViewConfig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "store/DeviceSQLite.h"
#include "ui/KeyboardViewController.h"
#include "ui/Theme.h"
#include "ui/config/SystemFunctions.h"
#include "ui/desktop/Guarded.h"

namespace korvex {

namespace {

struct BoxSpec {
    int type;
    const char* box;
    const char* label;   // control name
    int caption;         // what the switch turns on
    const char* stored;  // configuration key
};

constexpr BoxSpec kBoxes[] = {
    {gamemodebox::kGameMode, "config_btn_disable_gamemode", "config_label_gamemode", 1602,
     "gamemode"},
    {gamemodebox::kAltTab, "config_btn_disable_alttab", "config_label_alttab", 1603,
     "disable_alttab"},
    {gamemodebox::kAltF4, "config_btn_disable_altf4", "config_label_altf4", 1604, "disable_altf4"},
    {gamemodebox::kLockWin, "config_btn_disable_lockwin", "config_label_lockwin", 1605,
     "disable_win"},
};

constexpr int kOnText = 1600, kOffText = 1601;

}  // namespace

KeyboardViewConfig::KeyboardViewConfig(KeyboardViewController& hub) : QObject(&hub), hub_(hub) {
    setObjectName(QStringLiteral("keyboard_view_config"));
    if (QWidget* page = hub_.pageView(KeyboardViewController::kConfigView)) buildPage(page);
    connect(&hub_, &KeyboardViewController::profilesLoaded, this, [this] { loadGameModeData(); });
    connect(&hub_, &KeyboardViewController::languageSwitched, this, [this] { relabel(); });
    relabel();
}

void KeyboardViewConfig::relabel() {
    for (const BoxSpec& item : kBoxes) {
        QCheckBox* box = boxes_[item.type];
        if (!box) continue;
        labels_[item.type]->setText(hub_.text(item.caption));
        box->setAccessibleName(hub_.text(item.caption));
        box->setText(hub_.text(box->isChecked() ? kOnText : kOffText));
    }
}

void KeyboardViewConfig::buildPage(QWidget* page) {
    // The hub fills the language list and relabels the named controls.
    QLabel* languageLabel =
        theme::pageLabel(page, QStringLiteral("config_label_language"), QRect(40, 36, 240, 20));
    language_ = new QComboBox(page);
    languageLabel->setBuddy(language_);
    language_->setObjectName(QStringLiteral("combo_language"));
    language_->setGeometry(40, 60, 220, 28);

    int y = 120;
    for (const BoxSpec& item : kBoxes) {
        // The sub-switches sit indented under game mode.
        const bool sub = item.type == gamemodebox::kAltTab || item.type == gamemodebox::kAltF4;
        const int x = sub ? 64 : 40;
        labels_[item.type] =
            theme::pageLabel(page, QString::fromLatin1(item.label), QRect(x, y, 320 - x, 24));
        labels_[item.type]->setWordWrap(true);
        auto* box = new QCheckBox(page);
        box->setObjectName(QString::fromLatin1(item.box));
        box->setGeometry(330, y, 120, 24);
        box->setCursor(Qt::PointingHandCursor);
        const int type = item.type;
        connect(box, &QCheckBox::clicked, this, [this, type] { configGameMode(type); });
        // The caption tells the state, whoever changed it.
        connect(box, &QCheckBox::toggled, box,
                [this, box](bool on) { box->setText(hub_.text(on ? kOnText : kOffText)); });
        boxes_[item.type] = box;
        y += sub && item.type == gamemodebox::kAltF4 ? 44 : 34;
    }

    resetKeys_ = new QPushButton(page);
    resetKeys_->setObjectName(QStringLiteral("btn_resetmousedata"));
    resetKeys_->setGeometry(40, y + 30, 220, 32);
    resetAll_ = new QPushButton(page);
    resetAll_->setObjectName(QStringLiteral("btn_resetalldata"));
    resetAll_->setGeometry(280, y + 30, 220, 32);
    for (QPushButton* b : {resetKeys_, resetAll_}) b->setCursor(Qt::PointingHandCursor);
    connect(resetKeys_, &QPushButton::clicked, this, [this] { configResetKeys(); });
    connect(resetAll_, &QPushButton::clicked, this, [this] { configResetAllDatas(); });
}

QCheckBox* KeyboardViewConfig::gameModeBox(int type) const {
    return type >= 0 && type < 4 ? boxes_[type] : nullptr;
}

void KeyboardViewConfig::configGameMode(int type) {
    DeviceSQLite* db = hub_.deviceDB();
    if (QCheckBox* box = gameModeBox(type)) {
        const bool on = box->isChecked();
        if (type == gamemodebox::kGameMode) {
            // Off only clears the sub-boxes on screen; their stored values
            // come back when game mode is switched on again.
            for (const BoxSpec& item : kBoxes) {
                if (item.type == gamemodebox::kGameMode) continue;
                boxes_[item.type]->setChecked(on && db &&
                                              db->getConfigData(kAppProfileId, item.stored) == "1");
                boxes_[item.type]->setEnabled(on);
            }
        }
        if (db && !storeAppValue(*db, kBoxes[type].stored, on ? "1" : "0")) {
            hub_.reportNotSaved();
            return;
        }
    }
    SendSystemFunctionData(hub_);
}

void KeyboardViewConfig::loadGameModeData() {
    DeviceSQLite* db = hub_.deviceDB();
    const bool gameMode = db && db->getConfigData(kAppProfileId, "gamemode") == "1";
    for (const BoxSpec& item : kBoxes) {
        boxes_[item.type]->setChecked(gameMode &&
                                      db->getConfigData(kAppProfileId, item.stored) == "1");
        // The keyboard takes the switches only with game mode on: off, a
        // ticked switch would show what is not sent.
        if (item.type != gamemodebox::kGameMode) boxes_[item.type]->setEnabled(gameMode);
    }
    if (!hub_.startupLoading()) SendSystemFunctionData(hub_);
}

void KeyboardViewConfig::configResetKeys() {
    sheets_.confirm(hub_.window(), hub_.text(610), hub_.text(620), hub_.text(3), hub_.text(2),
                    [this] { resetKeysConfirmed(); });
}

void KeyboardViewConfig::resetKeysConfirmed() {
    DeviceSQLite* db = hub_.deviceDB();
    if (!db || !db->isOpen()) return;
    const std::int64_t profile = hub_.currentProfile;
    const DeviceSQLite::FailureWatch watch(*db);
    if (auto failed =
            runGuarded([&](BackupShelf& shelf) { return resetProfile(*db, shelf, profile); })) {
        if (hub_.changedOutside(watch)) return;
        sheets_.warn(hub_.window(), hub_.text(610), *failed);
        return;
    }
    hub_.selectProfile(profile);
}

void KeyboardViewConfig::configResetAllDatas() {
    sheets_.confirm(hub_.window(), hub_.text(611), hub_.text(621), hub_.text(3), hub_.text(2),
                    [this] { resetAllConfirmed(); });
}

void KeyboardViewConfig::resetAllConfirmed() {
    DeviceSQLite* db = hub_.deviceDB();
    if (!db || !db->isOpen()) return;
    hub_.initFinish = false;
    // Dropped and refilled with the factory rows in one transaction: an
    // interruption keeps every setting rather than leaving half a store.
    // Backed up first, so the restore can be undone.
    const DeviceSQLite::FailureWatch watch(*db);
    if (auto failed =
            runGuarded([&](BackupShelf& shelf) { return restoreFactorySettings(*db, shelf); })) {
        hub_.initFinish = true;
        if (hub_.changedOutside(watch)) return;
        sheets_.warn(hub_.window(), hub_.text(611), *failed);
        return;
    }
    hub_.reloadFromStore();
}

}  // namespace korvex

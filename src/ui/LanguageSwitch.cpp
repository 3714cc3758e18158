#include <QComboBox>

#include "ui/Controls.h"
#include "ui/KeyboardViewController.h"
#include "ui/Theme.h"

namespace korvex {

namespace {

// Controls with a fixed caption, in relabelling order. Pages name their
// controls so; one that is not there is skipped.
struct Caption {
    const char* control;
    int textId;
};

constexpr Caption kCaptionsBeforeLightList[] = {
    {"customkey_btn_toplayer", 90},     {"customkey_btn_fnlayer", 91},
    {"customkey_btn_defaultkey", 601},  {"customkey_btn_fnkey", 602},
    {"macro_label_macrolist", 180},     {"macro_label_recordlist", 181},
    {"macro_btn_newmacro", 182},        {"macro_btn_deletemacro", 183},
    {"macro_label_insertevent", 188},   {"macro_btn_save", 193},
    {"keyboardevent_radiobutton", 189}, {"delayevent_radiobutton", 191},
    {"mouseevent_radiobutton", 190},    {"insertevent_button", 192},
    {"recorddelay_radiobutton", 184},   {"nodelay_radiobutton", 185},
    {"defaultdelay_radiobutton", 186},  {"record_button", 201},
};

constexpr Caption kCaptionsAfterLightList[] = {
    {"light_label_randomcolor", 530},    {"light_label_brightness", 531},
    {"light_label_speed", 532},          {"light_label_lightsleeptime", 535},
    {"light_label_lightsleep0", 536},    {"light_label_lightsleep1", 537},
    {"light_label_lightsleep2", 538},    {"light_label_lightsleep3", 539},
    {"userlight_btn_resetcolor", 560},   {"userlight_btn_apply", 561},
    {"config_label_language", 603},      {"btn_resetmousedata", 610},
    {"btn_resetalldata", 611},           {"config_label_gamemode", 605},
    {"config_label_lockwin", 606},       {"config_btn_disable_gamemode", 607},
    {"config_btn_disable_alttab", 607},  {"config_btn_disable_altf4", 607},
    {"config_btn_disable_lockwin", 607},
};

constexpr int kLightModeRows = 20;
constexpr int kFirstLightModeText = 500;

}  // namespace

void KeyboardViewController::LanguageSwicth() {
    setTitle(keyboardTitle = text(30));

    auto relabel = [this](const Caption& c) {
        if (auto* w = findChild<QWidget*>(QString::fromLatin1(c.control)))
            theme::setCaption(w, text(c.textId));
    };
    for (const auto& c : kCaptionsBeforeLightList) relabel(c);

    if (auto* list = findChild<ItemListView*>(QStringLiteral("light_mode_list"))) {
        for (int i = 0; i < kLightModeRows && i < list->rowCount(); ++i)
            list->row(i)->setText(text(kFirstLightModeText + i));
    }

    for (const auto& c : kCaptionsAfterLightList) relabel(c);

    auto refill = [this](const char* name, std::initializer_list<int> ids) {
        auto* combo = findChild<QComboBox*>(QString::fromLatin1(name));
        if (!combo) return;
        combo->clear();
        for (int id : ids) combo->addItem(text(id));
        combo->setCurrentIndex(0);
    };
    refill("insertevent_combox", {230, 231});
    refill("mousevent_combox", {232, 233, 234});

    // Pages whose texts come from data (list rows, menus) refresh themselves.
    emit languageSwitched();
}

}  // namespace korvex

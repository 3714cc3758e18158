#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdio>

#include <string>

#include "i18n/Language.h"
#include "ui/Controls.h"
#include "ui/KeyboardViewController.h"
#include "ui/Theme.h"
#include "ui/UploadIndicator.h"
#include "ui/config/SystemFunctions.h"

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
    {"macro_btn_newmacro", 182},        {"macro_btn_deletemacro", 1510},
    {"macro_label_insertevent", 188},   {"macro_btn_save", 193},
    {"keyboardevent_radiobutton", 189}, {"delayevent_radiobutton", 191},
    {"mouseevent_radiobutton", 190},    {"insertevent_button", 192},
    {"recorddelay_radiobutton", 184},   {"nodelay_radiobutton", 185},
    {"defaultdelay_radiobutton", 186},  {"record_button", 201},
};

constexpr Caption kCaptionsAfterLightList[] = {
    {"light_label_randomcolor", 530},  {"light_label_brightness", 531},
    {"light_label_speed", 532},        {"light_label_lightsleeptime", 535},
    {"light_label_lightsleep0", 536},  {"light_label_lightsleep1", 537},
    {"light_label_lightsleep2", 538},  {"light_label_lightsleep3", 539},
    {"userlight_btn_resetcolor", 560}, {"userlight_btn_apply", 561},
    {"config_label_language", 603},    {"btn_resetmousedata", 610},
    {"btn_resetalldata", 611},
};

// Qt's own texts (file, colour and message dialogs) in the chosen language;
// English needs none. A missing file leaves them in English and says so once.
void useQtTranslations(int language) {
    static QTranslator* installed = nullptr;
    static QString installedLocale;
    const QString locale = language == kLanguageSimplifiedChinese    ? QStringLiteral("zh_CN")
                           : language == kLanguageTraditionalChinese ? QStringLiteral("zh_TW")
                                                                     : QString();
    if (locale == installedLocale) return;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
        installed = nullptr;
    }
    installedLocale = locale;
    if (locale.isEmpty()) return;
    auto* translator = new QTranslator(qApp);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QStringLiteral("qtbase_") + locale, folder)) {
        std::fprintf(stderr, "korvex: Qt's translation qtbase_%s is not in %s\n",
                     qPrintable(locale), qPrintable(folder));
        delete translator;
        return;
    }
    QCoreApplication::installTranslator(translator);
    installed = translator;
}

constexpr int kLightModeRows = 20;
constexpr int kFirstLightModeText = 500;

}  // namespace

QString KeyboardViewController::text(int id) {
    const std::string_view t = korvex::text(id);
    return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
}

void KeyboardViewController::initLanguageData() {
    // The settings page may have built the combo box; otherwise it gets a
    // plain one at its top left.
    auto* combo = findChild<QComboBox*>(QStringLiteral("combo_language"));
    if (!combo) {
        QWidget* page = pageView(kConfigView);
        if (!page) return;
        auto* label = new QLabel(page);
        label->setObjectName(QStringLiteral("config_label_language"));
        label->setGeometry(40, 40, 200, 20);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, theme::kTextColour);
        label->setPalette(palette);
        combo = new QComboBox(page);
        combo->setObjectName(QStringLiteral("combo_language"));
        combo->setGeometry(40, 66, 200, 28);
    }
    const QSignalBlocker quiet(combo);
    combo->clear();
    for (const auto& entry : LanguageListDatas)
        combo->addItem(
            QString::fromUtf8(entry.text.data(), static_cast<qsizetype>(entry.text.size())),
            entry.mode);
    combo->setCurrentIndex(languageListIndex(curLanguage));
    connect(combo, &QComboBox::currentIndexChanged, this,
            [this](int index) { languageSelectionChanged(index); });
}

void KeyboardViewController::loadStoredLanguage() {
    std::string stored;
    if (deviceDB_) {
        // A read that failed is no choice: the language stays as it is.
        const DeviceSQLite::FailureWatch watch(*deviceDB_);
        stored = deviceDB_->getConfigData(1, "language");
        if (watch.failed()) stored = "?";
    }
    if (auto language = parseStoredLanguage(stored)) {
        curLanguage = *language;
    } else if (stored.empty()) {
        curLanguage = kLanguageSimplifiedChinese;
        // An existing row with an empty value is updated; a second row
        // would never be read back.
        if (deviceDB_) {
            const std::string code = std::to_string(curLanguage);
            if (!storeAppValue(*deviceDB_, "language", code)) reportNotPrepared();
        }
    }
    // Any other stored text leaves the language as it is.
    if (auto* combo = findChild<QComboBox*>(QStringLiteral("combo_language"))) {
        const QSignalBlocker quiet(combo);
        combo->setCurrentIndex(languageListIndex(curLanguage));
    }
    // Relabelling every page costs frames; a reload in the same language
    // has nothing to relabel (the lists it rebuilds take the language).
    if (curLanguage != shownLanguage_) LanguageSwicth();
}

void KeyboardViewController::languageSelectionChanged(int index) {
    if (!initFinish || index < 0 || index >= static_cast<int>(LanguageListDatas.size())) return;
    curLanguage = LanguageListDatas[static_cast<std::size_t>(index)].mode;
    if (deviceDB_ && !deviceDB_->updateConfigData(1, "language", std::to_string(curLanguage)))
        reportNotSaved();
    LanguageSwicth();
}

void KeyboardViewController::LanguageSwicth() {
    shownLanguage_ = curLanguage;
    useQtTranslations(curLanguage);
    // Qt retranslates the open picker's contents, not its title.
    if (colorPanel_) colorPanel_->setWindowTitle(QColorDialog::tr("Select Color"));
    setTitle(keyboardTitle = text(30));
    relabelShell();

    auto relabel = [this](const Caption& c) {
        if (auto* w = findChild<QWidget*>(QString::fromLatin1(c.control)))
            theme::setCaption(w, text(c.textId));
    };
    for (const auto& c : kCaptionsBeforeLightList) relabel(c);

    // The light page's list (identifier "lightmode"): row i shows text 500 + i.
    if (auto* list = findChild<ItemListView*>(QStringLiteral("lightmode"))) {
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

    uploadIndicator_->relabel();
    // Pages whose texts come from data (list rows, menus) refresh themselves.
    emit languageSwitched();
}

}  // namespace korvex

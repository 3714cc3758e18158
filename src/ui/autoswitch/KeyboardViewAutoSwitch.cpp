#include "ui/autoswitch/KeyboardViewAutoSwitch.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include "ui/KeyboardViewController.h"
#include "ui/autoswitch/AutoSwitchControl.h"
#include "ui/autoswitch/AutoSwitchDialog.h"

namespace korvex {

namespace {
constexpr int kPauseAutomaticSwitching = 1828;
constexpr int kAutomaticSwitching = 1829;
}  // namespace

KeyboardViewAutoSwitch::KeyboardViewAutoSwitch(KeyboardViewController& hub)
    : QObject(&hub), hub_(hub) {
    AutoSwitchControl::Hooks hooks;
    hooks.store = [this] { return hub_.deviceDB(); };
    hooks.switcher.shownProfile = [this] { return hub_.currentProfile; };
    hooks.switcher.switchTo = [this](std::int64_t profile) {
        switching_ = true;
        hub_.selectProfile(profile);
        switching_ = false;
        return hub_.currentProfile == profile;
    };
    hooks.switcher.held = [this] {
        return hub_.macroRecordType == 2 || (hub_.unappliedPaint && hub_.unappliedPaint());
    };
    control_ = new AutoSwitchControl(std::move(hooks), this);

    connect(&hub_, &KeyboardViewController::profilesLoaded, this, [this] { control_->reload(); });
    // Any switch that is not ours is the user's choice: it is not undone
    // until the application in front changes.
    connect(&hub_, &KeyboardViewController::profileSwitched, this, [this] {
        if (!switching_) control_->switcher().userChoseProfile();
    });
    // A recording or unapplied paint held a switch back: catch up once it ends.
    auto* holds = new QTimer(this);
    holds->setInterval(500);
    connect(holds, &QTimer::timeout, &control_->switcher(), &AutoSwitcher::holdReleased);
    holds->start();

    if (QWidget* page = hub_.pageView(KeyboardViewController::kConfigView)) {
        button_ = new QPushButton(page);
        button_->setObjectName(QStringLiteral("btn_autoswitch"));
        button_->setGeometry(40, 420, 220, 32);
        button_->setCursor(Qt::PointingHandCursor);
        button_->setText(KeyboardViewController::text(kAutomaticSwitching) + QStringLiteral("..."));
        connect(button_, &QPushButton::clicked, this, &KeyboardViewAutoSwitch::showDialog);
        connect(&hub_, &KeyboardViewController::languageSwitched, this, [this] {
            button_->setText(KeyboardViewController::text(kAutomaticSwitching) +
                             QStringLiteral("..."));
        });
    }
}

KeyboardViewAutoSwitch::~KeyboardViewAutoSwitch() = default;

void KeyboardViewAutoSwitch::attachTray(QMenu* menu) {
    if (!menu || pause_) return;
    pause_ = new QAction(KeyboardViewController::text(kPauseAutomaticSwitching), menu);
    pause_->setObjectName(QStringLiteral("tray_autoswitch_pause"));
    pause_->setCheckable(true);
    const QList<QAction*> entries = menu->actions();
    menu->insertAction(entries.isEmpty() ? nullptr : entries.last(), pause_);
    auto follow = [this] {
        pause_->setVisible(control_->switcher().settings().enabled);
        pause_->setChecked(control_->switcher().suspended());
    };
    follow();
    connect(control_, &AutoSwitchControl::changed, pause_, follow);
    connect(pause_, &QAction::toggled, this,
            [this](bool paused) { control_->switcher().setSuspended(paused); });
    connect(&hub_, &KeyboardViewController::languageSwitched, pause_,
            [this] { pause_->setText(KeyboardViewController::text(kPauseAutomaticSwitching)); });
}

AutoSwitchDialog* KeyboardViewAutoSwitch::dialog() const {
    return static_cast<AutoSwitchDialog*>(dialog_.data());
}

void KeyboardViewAutoSwitch::showDialog() {
    if (!dialog_) {
        auto* opened = new AutoSwitchDialog(
            *control_, [this] { return hub_.deviceDB(); }, [this] { return hub_.profileDatas; },
            [](int id) { return KeyboardViewController::text(id); }, hub_.window());
        opened->setAttribute(Qt::WA_DeleteOnClose);
        dialog_ = opened;
    }
    dialog()->refresh();
    dialog()->show();
    dialog()->raise();
    dialog()->activateWindow();
}

}  // namespace korvex

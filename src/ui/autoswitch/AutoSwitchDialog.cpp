#include "ui/autoswitch/AutoSwitchDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "autoswitch/Rules.h"
#include "store/DeviceSQLite.h"
#include "ui/autoswitch/AutoSwitchControl.h"

namespace korvex {

namespace {

// Text ids of this dialog.
enum : int {
    kSwitchAutomatically = 1800,
    kFollowingFront = 1801,
    kFollowingX11Only = 1802,
    kProgramsOnly = 1803,
    kWhen = 1805,
    kProfile = 1806,
    kApplicationRule = 1807,
    kApplicationTitleRule = 1808,
    kProgramRule = 1809,
    kAdd = 1810,
    kEdit = 1811,
    kRemove = 1812,
    kMoveUp = 1813,
    kMoveDown = 1814,
    kNoRuleMatches = 1815,
    kKeepShown = 1816,
    kRuleTitle = 1818,
    kFrontKind = 1819,
    kProgramKind = 1820,
    kApplicationName = 1821,
    kProgramName = 1822,
    kTitleContains = 1823,
    kEmptyMatch = 1824,
    kTooLong = 1825,
    kNoSuchProfile = 1826,
    kNotSaved = 1827,
    kDialogTitle = 1829,
    kOk = 973,
    kCancel = 927,
    kClose = 1310,
};

}  // namespace

AutoSwitchDialog::AutoSwitchDialog(AutoSwitchControl& control, std::function<DeviceSQLite*()> store,
                                   std::function<std::vector<ProfileData>()> profiles, Texts texts,
                                   QWidget* parent)
    : QDialog(parent),
      control_(control),
      store_(std::move(store)),
      profiles_(std::move(profiles)),
      texts_(std::move(texts)) {
    setObjectName(QStringLiteral("autoswitch_dialog"));
    setWindowTitle(texts_(kDialogTitle));
    setAccessibleName(texts_(kDialogTitle));
    auto* layout = new QVBoxLayout(this);

    enabled_ = new QCheckBox(texts_(kSwitchAutomatically), this);
    enabled_->setObjectName(QStringLiteral("autoswitch_enabled"));
    layout->addWidget(enabled_);
    sight_ = new QLabel(this);
    sight_->setWordWrap(true);
    switch (control_.sight()) {
        case AutoSwitchControl::Sight::Front:
            sight_->setText(texts_(kFollowingFront).arg(control_.desktopName()));
            break;
        case AutoSwitchControl::Sight::X11Only:
            sight_->setText(texts_(kFollowingX11Only));
            break;
        case AutoSwitchControl::Sight::ProgramsOnly:
            sight_->setText(texts_(kProgramsOnly));
            break;
    }
    layout->addWidget(sight_);

    rules_ = new QTreeWidget(this);
    rules_->setObjectName(QStringLiteral("autoswitch_rules"));
    rules_->setAccessibleName(texts_(kDialogTitle));
    rules_->setRootIsDecorated(false);
    rules_->setHeaderLabels({texts_(kWhen), texts_(kProfile)});
    rules_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    layout->addWidget(rules_, 1);

    auto* buttons = new QHBoxLayout;
    auto button = [&](int id, const char* name) {
        auto* b = new QPushButton(texts_(id), this);
        b->setObjectName(QLatin1String(name));
        buttons->addWidget(b);
        return b;
    };
    QPushButton* add = button(kAdd, "autoswitch_add");
    edit_ = button(kEdit, "autoswitch_edit");
    remove_ = button(kRemove, "autoswitch_remove");
    up_ = button(kMoveUp, "autoswitch_up");
    down_ = button(kMoveDown, "autoswitch_down");
    buttons->addStretch();
    layout->addLayout(buttons);

    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("autoswitch_message"));
    message_->setWordWrap(true);
    message_->setStyleSheet(QStringLiteral("color: #ff8a65;"));
    message_->hide();
    layout->addWidget(message_);

    auto* form = new QFormLayout;
    default_ = new QComboBox(this);
    default_->setObjectName(QStringLiteral("autoswitch_default"));
    form->addRow(texts_(kNoRuleMatches), default_);
    layout->addLayout(form);
    auto* close = new QDialogButtonBox(this);
    close->addButton(texts_(kClose), QDialogButtonBox::RejectRole);
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(close);

    editRule = [this](const AutoSwitchRule& start, const QString& problem) {
        return runEditor(start, problem);
    };
    connect(enabled_, &QCheckBox::clicked, this, [this](bool on) {
        DeviceSQLite* db = store_();
        stored(db && db->setAutoSwitchEnabled(on));
    });
    connect(default_, &QComboBox::activated, this, [this](int index) {
        DeviceSQLite* db = store_();
        stored(db && db->setAutoSwitchDefault(default_->itemData(index).toLongLong()));
    });
    connect(add, &QPushButton::clicked, this, &AutoSwitchDialog::addRule);
    connect(edit_, &QPushButton::clicked, this, &AutoSwitchDialog::changeRule);
    connect(rules_, &QTreeWidget::itemActivated, this, &AutoSwitchDialog::changeRule);
    connect(remove_, &QPushButton::clicked, this, &AutoSwitchDialog::removeRule);
    connect(up_, &QPushButton::clicked, this, [this] { moveRule(-1); });
    connect(down_, &QPushButton::clicked, this, [this] { moveRule(1); });
    connect(rules_, &QTreeWidget::currentItemChanged, this, [this] {
        const int row = rules_->indexOfTopLevelItem(rules_->currentItem());
        edit_->setEnabled(row >= 0);
        remove_->setEnabled(row >= 0);
        up_->setEnabled(row > 0);
        down_->setEnabled(row >= 0 && row + 1 < rules_->topLevelItemCount());
    });
    resize(560, 420);
    refresh();
}

QString AutoSwitchDialog::profileName(std::int64_t id) const {
    for (const auto& profile : profiles_()) {
        if (profile.profId == id) return QString::fromStdString(profile.name);
    }
    return QString::number(id);
}

void AutoSwitchDialog::refresh() {
    DeviceSQLite* db = store_();
    AutoSwitchSettings settings;
    if (db && db->queryAutoSwitch(settings)) shown_ = std::move(settings);
    const int row = std::max(0, rules_->indexOfTopLevelItem(rules_->currentItem()));
    enabled_->setChecked(shown_.enabled);
    rules_->clear();
    for (const auto& rule : shown_.rules) {
        const QString match = QString::fromStdString(rule.match);
        QString when;
        if (rule.kind == AutoSwitchRule::Program) {
            when = texts_(kProgramRule).arg(match);
        } else if (rule.title.empty()) {
            when = texts_(kApplicationRule).arg(match);
        } else {
            when = texts_(kApplicationTitleRule).arg(match, QString::fromStdString(rule.title));
        }
        new QTreeWidgetItem(rules_, {when, profileName(rule.profId)});
    }
    if (rules_->topLevelItemCount() > 0) {
        rules_->setCurrentItem(
            rules_->topLevelItem(std::min(row, rules_->topLevelItemCount() - 1)));
    } else {
        for (QPushButton* b : {edit_, remove_, up_, down_}) b->setEnabled(false);
    }
    default_->clear();
    default_->addItem(texts_(kKeepShown), QVariant::fromValue<qlonglong>(0));
    for (const auto& profile : profiles_()) {
        default_->addItem(QString::fromStdString(profile.name),
                          QVariant::fromValue<qlonglong>(profile.profId));
    }
    default_->setCurrentIndex(
        std::max(0, default_->findData(QVariant::fromValue<qlonglong>(shown_.defaultProfile))));
}

QString AutoSwitchDialog::message() const {
    return message_->isHidden() ? QString() : message_->text();
}

void AutoSwitchDialog::stored(bool ok) {
    message_->setText(ok ? QString() : texts_(kNotSaved));
    message_->setVisible(!ok);
    control_.reload();
    refresh();
}

QString AutoSwitchDialog::storeRule(const AutoSwitchRule& rule) {
    std::vector<std::int64_t> ids;
    for (const auto& profile : profiles_()) ids.push_back(profile.profId);
    int problem = 0;
    switch (checkRule(rule, ids)) {
        case RuleProblem::None:
            break;
        case RuleProblem::EmptyMatch:
        case RuleProblem::BadKind:
            problem = kEmptyMatch;
            break;
        case RuleProblem::TooLong:
            problem = kTooLong;
            break;
        case RuleProblem::NoSuchProfile:
            problem = kNoSuchProfile;
            break;
    }
    if (problem != 0) return texts_(problem);
    AutoSwitchRule trimmed = rule;
    trimmed.match = QString::fromStdString(rule.match).trimmed().toStdString();
    DeviceSQLite* db = store_();
    const bool saved = db && (trimmed.ruleId == 0 ? db->addAutoSwitchRule(trimmed) != 0
                                                  : db->updateAutoSwitchRule(trimmed));
    stored(saved);
    return saved ? QString() : texts_(kNotSaved);
}

void AutoSwitchDialog::addRule() {
    AutoSwitchRule start;
    const auto profiles = profiles_();
    if (!profiles.empty()) start.profId = profiles.front().profId;
    // Asked again until stored or cancelled, keeping what was typed.
    QString problem;
    while (auto rule = editRule(start, problem)) {
        problem = storeRule(*rule);
        if (problem.isEmpty()) return;
        start = *rule;
    }
}

void AutoSwitchDialog::changeRule() {
    const int row = rules_->indexOfTopLevelItem(rules_->currentItem());
    if (row < 0 || row >= static_cast<int>(shown_.rules.size())) return;
    AutoSwitchRule start = shown_.rules[static_cast<std::size_t>(row)];
    QString problem;
    while (auto rule = editRule(start, problem)) {
        rule->ruleId = start.ruleId;
        problem = storeRule(*rule);
        if (problem.isEmpty()) return;
        start = *rule;
    }
}

void AutoSwitchDialog::removeRule() {
    const int row = rules_->indexOfTopLevelItem(rules_->currentItem());
    if (row < 0 || row >= static_cast<int>(shown_.rules.size())) return;
    DeviceSQLite* db = store_();
    stored(db && db->deleteAutoSwitchRule(shown_.rules[static_cast<std::size_t>(row)].ruleId));
}

void AutoSwitchDialog::moveRule(int by) {
    const int row = rules_->indexOfTopLevelItem(rules_->currentItem());
    if (row < 0 || row >= static_cast<int>(shown_.rules.size())) return;
    DeviceSQLite* db = store_();
    const bool ok =
        db && db->moveAutoSwitchRule(shown_.rules[static_cast<std::size_t>(row)].ruleId, row + by);
    if (ok) rules_->setCurrentItem(rules_->topLevelItem(row + by));
    stored(ok);
}

std::optional<AutoSwitchRule> AutoSwitchDialog::runEditor(const AutoSwitchRule& start,
                                                          const QString& problem) {
    QDialog editor(this);
    editor.setObjectName(QStringLiteral("autoswitch_rule_editor"));
    editor.setWindowTitle(texts_(kRuleTitle));
    editor.setAccessibleName(texts_(kRuleTitle));
    auto* layout = new QVBoxLayout(&editor);
    if (!problem.isEmpty()) {
        auto* why = new QLabel(problem, &editor);
        why->setWordWrap(true);
        why->setStyleSheet(QStringLiteral("color: #ff8a65;"));
        layout->addWidget(why);
    }
    auto* front = new QRadioButton(texts_(kFrontKind), &editor);
    auto* program = new QRadioButton(texts_(kProgramKind), &editor);
    (start.kind == AutoSwitchRule::Program ? program : front)->setChecked(true);
    layout->addWidget(front);
    layout->addWidget(program);
    auto* form = new QFormLayout;
    auto* match = new QComboBox(&editor);
    match->setEditable(true);
    auto* matchLabel = new QLabel(&editor);
    matchLabel->setBuddy(match);
    auto* title = new QLineEdit(QString::fromStdString(start.title), &editor);
    title->setMaxLength(kRuleTextLimit);
    auto* titleLabel = new QLabel(texts_(kTitleContains), &editor);
    titleLabel->setBuddy(title);
    auto* profile = new QComboBox(&editor);
    for (const auto& p : profiles_()) {
        profile->addItem(QString::fromStdString(p.name), QVariant::fromValue<qlonglong>(p.profId));
    }
    profile->setCurrentIndex(
        std::max(0, profile->findData(QVariant::fromValue<qlonglong>(start.profId))));
    auto* profileLabel = new QLabel(texts_(kProfile), &editor);
    profileLabel->setBuddy(profile);
    form->addRow(matchLabel, match);
    form->addRow(titleLabel, title);
    form->addRow(profileLabel, profile);
    layout->addLayout(form);
    // The choices are what this session has seen: applications that were in
    // front, or the programs running now.
    auto fill = [&, this] {
        const bool isProgram = program->isChecked();
        const QString typed = match->currentText();
        match->clear();
        QStringList names;
        if (isProgram) {
            names = QStringList(control_.switcher().running().begin(),
                                control_.switcher().running().end());
        } else {
            for (const FrontApp& app : control_.switcher().seenApps()) {
                if (!app.appId.isEmpty()) names << app.appId;
            }
        }
        names.sort(Qt::CaseInsensitive);
        names.removeDuplicates();
        match->addItems(names);
        match->setEditText(typed);
        matchLabel->setText(texts_(isProgram ? kProgramName : kApplicationName));
        match->setAccessibleName(matchLabel->text());
        title->setEnabled(!isProgram);
    };
    match->setEditText(QString::fromStdString(start.match));
    fill();
    match->setEditText(QString::fromStdString(start.match));
    connect(program, &QRadioButton::toggled, &editor, fill);
    auto* box = new QDialogButtonBox(&editor);
    box->addButton(texts_(kOk), QDialogButtonBox::AcceptRole);
    box->addButton(texts_(kCancel), QDialogButtonBox::RejectRole);
    connect(box, &QDialogButtonBox::accepted, &editor, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, &editor, &QDialog::reject);
    layout->addWidget(box);
    match->setFocus();
    if (editor.exec() != QDialog::Accepted) return std::nullopt;
    AutoSwitchRule rule = start;
    rule.kind = program->isChecked() ? AutoSwitchRule::Program : AutoSwitchRule::Application;
    rule.match = match->currentText().toStdString();
    rule.title = rule.kind == AutoSwitchRule::Program ? std::string() : title->text().toStdString();
    rule.profId = profile->currentData().toLongLong();
    return rule;
}

}  // namespace korvex

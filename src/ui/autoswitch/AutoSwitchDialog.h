#pragma once

// Where the user sets up automatic switching: the switch, the rules in their
// order, and the profile shown when none matches. Every change is stored at
// once; the dialog then shows what the store holds.

#include <QDialog>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "store/Records.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace korvex {

class AutoSwitchControl;
class DeviceSQLite;

class AutoSwitchDialog : public QDialog {
    Q_OBJECT
  public:
    using Texts = std::function<QString(int id)>;
    AutoSwitchDialog(AutoSwitchControl& control, std::function<DeviceSQLite*()> store,
                     std::function<std::vector<ProfileData>()> profiles, Texts texts,
                     QWidget* parent = nullptr);

    // Shows what the store holds now.
    void refresh();
    QCheckBox* enabledBox() const { return enabled_; }
    QTreeWidget* ruleList() const { return rules_; }
    QComboBox* defaultBox() const { return default_; }
    // The last refusal, shown above the buttons; empty when the last change was stored.
    QString message() const;
    // Asks for a rule, starting from `start`, showing `problem` (why the last
    // try was refused) when not empty; nothing when cancelled. A modal editor
    // unless replaced (tests answer it themselves).
    std::function<std::optional<AutoSwitchRule>(const AutoSwitchRule& start,
                                                const QString& problem)>
        editRule;

  private:
    void addRule();
    void changeRule();
    void removeRule();
    void moveRule(int by);
    std::optional<AutoSwitchRule> runEditor(const AutoSwitchRule& start, const QString& problem);
    // Checks and stores; why not when refused, empty when stored.
    QString storeRule(const AutoSwitchRule& rule);
    // After every change: the store's state, and what went wrong if anything.
    void stored(bool ok);
    QString profileName(std::int64_t id) const;

    AutoSwitchControl& control_;
    std::function<DeviceSQLite*()> store_;
    std::function<std::vector<ProfileData>()> profiles_;
    Texts texts_;
    AutoSwitchSettings shown_;
    QCheckBox* enabled_ = nullptr;
    QLabel* sight_ = nullptr;
    QLabel* message_ = nullptr;
    QTreeWidget* rules_ = nullptr;
    QComboBox* default_ = nullptr;
    QPushButton* edit_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPushButton* up_ = nullptr;
    QPushButton* down_ = nullptr;
};

}  // namespace korvex

#pragma once

// The settings page: the language list, the game mode check boxes, reset of
// the current profile and restore of factory settings.

#include <QObject>
#include <QString>

#include "ui/keys/PageSheets.h"

class QCheckBox;
class QLabel;
class QComboBox;
class QPushButton;
class QWidget;

namespace korvex {

class KeyboardViewController;

// The type number each game mode box carries.
namespace gamemodebox {
inline constexpr int kGameMode = 0;
inline constexpr int kAltTab = 1;
inline constexpr int kAltF4 = 2;
inline constexpr int kLockWin = 3;
}  // namespace gamemodebox

class KeyboardViewConfig : public QObject {
    Q_OBJECT
  public:
    // Builds the page into the hub's settings page view.
    explicit KeyboardViewConfig(KeyboardViewController& hub);

    // A box was clicked; it already shows its new state.
    void configGameMode(int type);
    // The boxes as stored, then sent (not while the first attach loads: its
    // sequence carries them).
    void loadGameModeData();
    // Each asks first; only the confirming button acts.
    void configResetKeys();
    void configResetAllDatas();

    QCheckBox* gameModeBox(int type) const;
    QComboBox* combo_language() const { return language_; }
    QPushButton* btn_resetmousedata() const { return resetKeys_; }
    QPushButton* btn_resetalldata() const { return resetAll_; }
    QMessageBox* sheet() const { return sheets_.sheet(); }

  private:
    void buildPage(QWidget* page);
    // Each switch says what it turns on and whether it is on.
    void relabel();
    void resetKeysConfirmed();
    void resetAllConfirmed();

    KeyboardViewController& hub_;
    PageSheet sheets_;
    QComboBox* language_ = nullptr;
    QCheckBox* boxes_[4] = {};
    QLabel* labels_[4] = {};
    QPushButton* resetKeys_ = nullptr;
    QPushButton* resetAll_ = nullptr;
};

}  // namespace korvex

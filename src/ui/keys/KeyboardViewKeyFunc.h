#pragma once

// The custom key page: the on-screen keyboard, the function panel, the
// profile list, the two layer buttons and the two Fn-mode buttons, and the
// key menu and tooltip they open. Every change is stored first and then sent
// from what the store holds.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "store/Records.h"
#include "ui/keys/KeyMenuWindow.h"
#include "ui/keys/PageSheets.h"
#include "ui/keys/PostSourceGate.h"

class QLabel;
class QPushButton;
class QWidget;

namespace korvex {

class CustomKeyFuncView;
class DeviceSQLite;
class ItemListView;
class KeyboardView;
class KeyboardViewController;
class KeyTableItemView;
class SelectButton;
class TextButton;

// Tags of the profile list buttons.
namespace profilebutton {
inline constexpr int kAdd = 201;
inline constexpr int kDelete = 202;
inline constexpr int kEdit = 203;
}  // namespace profilebutton

class KeyboardViewKeyFunc : public QObject {
    Q_OBJECT
  public:
    // Builds the page into the hub's custom key page view.
    explicit KeyboardViewKeyFunc(KeyboardViewController& hub);

    // --- profile list ---------------------------------------------------------
    void loadKeyProfile();
    void setKeyProfileTableSelect(int selectIndex);
    void customkey_button_profile(int tag);
    void addKeyProfile();
    // The "−" button: names the selected profile and asks; only "Delete"
    // deletes it (delKeyProfile).
    void askDeleteProfile();
    void delKeyProfile();
    void editKeyProfile();
    // Selects `profile` (after an import), reading the list again first
    // unless the caller just did.
    void showProfileList(std::int64_t profile, bool readAgain = true);
    // The end of an in-place rename of a row.
    void keyTableItemViewEdit(int row, const QString& text);
    // The display name of a stored profile name in the current language.
    static QString profileDisplayName(const std::string& stored,
                                      const std::function<QString(int)>& text);

    // --- key assignment ---------------------------------------------------------
    void keyboardKeyAction(const QString& keyName);
    void customKeyFuncAction(int keyCode);
    void MenuItemMouseUpAction(int menuId);
    void addCustomKey(ProfileKey keydata);
    void selectButtonAction(int tag);
    void textButtonAction(int tag);
    void ShowKeyboardToolTipWnd(const QVariantMap& info);
    // Shows the stored assignments of the current profile and layer.
    void showStoredAssignments();
    // The Fn mode buttons as stored ("fnfunction" of profile 1).
    void showStoredFnMode();

    // Opens the custom key dialog for a key of a profile; set by the dialog.
    std::function<void(int keyValue, std::int64_t profile, const QString& keyDesc)>
        openCustomKeyDialog;

    // --- controls ---------------------------------------------------------------
    KeyboardView* customkey_keyboardctrl() const { return keyboard_; }
    CustomKeyFuncView* customkey_funcctrl() const { return panel_; }
    ItemListView* customkey_keyprofile() const { return profileList_; }
    SelectButton* customkey_btn_toplayer() const { return topLayer_; }
    SelectButton* customkey_btn_fnlayer() const { return fnLayer_; }
    TextButton* customkey_btn_defaultkey() const { return defaultKey_; }
    TextButton* customkey_btn_fnkey() const { return fnKey_; }
    QPushButton* profileButton(int tag) const;
    KeyMenuWindow* keyMenu() const { return menu_; }
    KeyToolTipWindow* keyToolTip() const { return toolTip_; }
    QMessageBox* sheet() const { return sheets_.sheet(); }
    const std::vector<ProfileData>& customkey_profilelist_datas() const;

  private:
    void buildPage(QWidget* page);
    void observe();
    void relabel();
    void rebuildProfileRows();
    KeyTableItemView* makeProfileRow();
    // Row `i` shows profile i.
    void showProfileRow(int i);
    void requeryProfiles();
    // Marks a row; switches profile when the row's profile is not the current one.
    void markProfileRow(int row);
    void profileRowChosen(int row);
    bool storeOpen() const;
    DeviceSQLite* db() const;
    void uploadKeyTables(std::optional<std::int64_t> layer);
    // Shows a stored row on its key: face label, tooltip text, mark.
    void showAssignment(const ProfileKey& row);
    // Shows the stored row of a key of the current profile and layer; false
    // when the key has none (it then looks untouched).
    bool showStoredKey(int keyValue, ProfileKey& row);
    void hidePopups();
    void warnNoKey();

    KeyboardViewController& hub_;
    PostSourceGate gate_;
    PageSheet sheets_;
    KeyboardView* keyboard_ = nullptr;
    CustomKeyFuncView* panel_ = nullptr;
    ItemListView* profileList_ = nullptr;
    SelectButton* topLayer_ = nullptr;
    SelectButton* fnLayer_ = nullptr;
    TextButton* defaultKey_ = nullptr;
    TextButton* fnKey_ = nullptr;
    QLabel* fnSwitchLabel_ = nullptr;
    std::vector<QPushButton*> profileButtons_;
    QPointer<KeyMenuWindow> menu_;
    QPointer<KeyToolTipWindow> toolTip_;
};

}  // namespace korvex

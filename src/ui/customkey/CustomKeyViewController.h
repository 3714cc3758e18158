#pragma once

// The custom key dialog: gives one key of a profile any function: default,
// a key or key combination typed on the keyboard, a mouse function, a macro
// with its play mode, a multimedia function or a Mac shortcut. It stores the
// assignment and uploads the profile's key tables; when it closes, the main
// window reloads its labels ("customKeywindowCloseDid").

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <vector>

#include "store/Records.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace korvex {

class KeyboardViewController;
class KeyboardViewKeyFunc;

// Handed over by the main window just before the dialog opens.
extern int customKeyValue;             // code of the key to edit
extern std::int64_t customKeyProfile;  // its profile
extern int customKeyLayer;             // the layer the key page shows
extern QString customKeyDesc;          // the key's full name

// One ("text", "mode") record of a dialog combo box.
struct FunctionItem {
    QString text;
    int mode = 0;
};

class CustomKeyViewController : public QWidget {
    Q_OBJECT
  public:
    CustomKeyViewController(KeyboardViewController& hub, QWidget* parent);
    ~CustomKeyViewController() override;

    void viewDidLoad();
    void viewDidAppear();
    // The user chose a function type (row of keyFunctionTypeDatas).
    void typeReset(int index);
    void functionValue(int index);
    void playMode(int index);
    // Builds the combination from the held keys.
    void captureKeys();
    // Stores the assignment and uploads; true when something was stored.
    bool storeAssignment();

    // --- state ---------------------------------------------------------------------
    std::int64_t currentProfile = 0;
    int currentLayer = 0;
    int key_functiontypevalue = 0;
    int key_functionvalue = 0;
    std::vector<int> currentModifyKeys;
    QString currentModifyKeysStr;
    bool capturing() const { return eventHandler_ != 0; }

    std::vector<FunctionItem> keyFunctionTypeDatas, keyFunctionMouseDatas,
        keyFunctionMultimediaDatas, keyFunctionMacShortcutsDatas, keyFunctionMacroTypeDatas,
        keyFunctionMacroDatas;

    // --- controls --------------------------------------------------------------
    QLineEdit* key_textfield = nullptr;
    QLabel* keyfunc_label = nullptr;
    QComboBox* keyfunctype_combox = nullptr;
    QComboBox* keyfunc_combox = nullptr;
    QLineEdit* keyfunc_edit = nullptr;
    QLabel* label_macrotype = nullptr;
    QComboBox* combox_macrotype = nullptr;
    QLabel* label_macroplaytime = nullptr;
    QLineEdit* edit_macroplaytime = nullptr;
    QPushButton* key_savedatabtn = nullptr;
    QLabel* label_layer = nullptr;        // which layer the dialog edits
    QLabel* label_capturenote = nullptr;  // a capture kept fewer keys than held

  signals:
    void saved();

  protected:
    // Tells a choice made with the keyboard in the type box from a click.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    const std::vector<FunctionItem>* listOfType(int type) const;
    void refill(QComboBox* combo, const std::vector<FunctionItem>& items);
    void showPlayControls(bool playMode, bool loopCount);
    void startCapture();
    void stopCapture();

    KeyboardViewController& hub_;
    int eventHandler_ = 0;
    bool typeChosenByKeys_ = false;
};

// The dialog's window: window-modal over the main window, without a title
// bar (moved by its background), centred. At most one exists.
class CustomKeyWindowController : public QDialog {
    Q_OBJECT
  public:
    // Opens the dialog for the handed-over key, or raises the one open.
    static CustomKeyWindowController* open(KeyboardViewController& hub);
    static CustomKeyWindowController* current();
    // Lets the key page's "Custom Function" open the dialog.
    static void attach(KeyboardViewController& hub, KeyboardViewKeyFunc& keyPage);

    CustomKeyViewController* contentViewController() const { return content_; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    CustomKeyWindowController(KeyboardViewController& hub, QWidget* parent);

    CustomKeyViewController* content_ = nullptr;
    static QPointer<CustomKeyWindowController> current_;
};

}  // namespace korvex

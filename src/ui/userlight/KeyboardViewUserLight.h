#pragma once

// The user light page: a list of named per-key colour schemes and the editor
// that paints them. Painting is transient; Apply and Reset store all 80
// colours in one go and then send the scheme from what was stored. Schemes
// can be renamed in place and exported to and imported from JSON files.

#include <QColor>
#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "ui/keys/PageSheets.h"
#include "ui/keys/PostSourceGate.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace korvex {

class ColorButton;
class ColorControls;
class DeviceSQLite;
class ItemListView;
class KeyboardUserLightView;
class KeyboardViewController;

// Tags of the list buttons.
namespace userlightbutton {
inline constexpr int kAdd = 201;
inline constexpr int kDelete = 202;
inline constexpr int kEdit = 203;
inline constexpr int kImport = 204;
inline constexpr int kExport = 205;
}  // namespace userlightbutton

class KeyboardViewUserLight : public QObject {
    Q_OBJECT
  public:
    struct Row {
        std::int64_t light = 0;  // userlight_id
        QString name;
    };

    explicit KeyboardViewUserLight(KeyboardViewController& hub);

    void loadUserLightData();
    void setUserLightTableSelect(int selectIndex);
    void loadUserLightInfo(int index);
    void addUserLight();
    // The "−" button: names the selected scheme and asks; only "Delete"
    // deletes it (delUserLight).
    void askDeleteUserLight();
    void delUserLight();
    void resetUserLightKeyColor();
    void applyUserLightKeyColor();
    // A 0 argument takes that channel from its field.
    void setUserLightRGBValue(int r_value, int g_value, int b_value);
    void userLightColorPanel(const QColor& color);
    // "colorButtonAction" with a tag of this page (200 picker, 201..214 presets).
    void colorButtonAction(int tag);
    // The list buttons' one action, by tag.
    void userLightListButton(int tag);
    // Starts editing the selected row's name in place.
    void editUserLightName();
    // A committed name for a row; empty names are refused.
    void renameUserLight(int index, const QString& name);
    void exportUserLight();
    void importUserLight();

    // Asks for a file to write (save) or read; empty when cancelled. A file
    // dialog unless replaced (tests answer it themselves).
    std::function<QString(bool save, const QString& suggestedName)> chooseFile;

    // --- state and controls ----------------------------------------------
    std::int64_t userlight_id() const { return userlight_id_; }
    const std::vector<Row>& userlight_datas() const { return rows_; }
    ItemListView* userlightlist() const { return list_; }
    KeyboardUserLightView* userlight_keyboardctrl() const { return editor_; }
    ColorButton* colorButton(int tag) const;  // 200..214
    ColorButton* userlight_btn_color() const;
    QLineEdit* colorField(int channel) const;
    QPushButton* listButton(int tag) const;
    QPushButton* userlight_btn_apply() const { return apply_; }
    QPushButton* userlight_btn_resetcolor() const { return reset_; }
    QMessageBox* sheet() const { return sheets_.sheet(); }

  private:
    void buildPage(QWidget* page);
    void observe();
    // The list buttons' tooltips in the current language.
    void relabel();
    DeviceSQLite* db() const;
    bool storeOpen() const;
    void reloadList();
    // "User light N", N the number of rows before the new one.
    QString defaultSchemeName() const;
    // A new row at the end of the list, selected and loaded.
    void appendScheme(std::int64_t id, const QString& name);
    bool schemeListed(std::int64_t id) const;
    // Stores the editor's 80 colours for the scheme in one transaction and,
    // when that succeeded, sends the scheme as stored.
    void storeEditorColours();
    void sendUserLight(std::int64_t id);
    bool sendShownScheme();
    void warnNoScheme();
    // The editor shows colours the selected scheme does not hold.
    bool hasUnappliedPaint() const;
    // Asks before a switch to `row` drops unapplied paint; true while asking.
    bool askBeforeLeaving(int row);
    // A new scheme holding what the editor shows now.
    void keepPaintInNewScheme();
    void warn(const QString& message, const QString& detail);

    KeyboardViewController& hub_;
    PageSheet sheets_;
    PostSourceGate gate_;
    std::vector<Row> rows_;
    std::int64_t userlight_id_ = 0;
    ItemListView* list_ = nullptr;
    KeyboardUserLightView* editor_ = nullptr;
    ColorControls* colors_ = nullptr;
    std::array<QPushButton*, 5> listButtons_{};  // tag 201 + i
    QPushButton* apply_ = nullptr;
    QPushButton* reset_ = nullptr;
    QLabel* emptyHint_ = nullptr;
    bool holdingSelection_ = false;
    bool leaveConfirmed_ = false;
};

}  // namespace korvex

#include "ui/Accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QComboBox>
#include <QMouseEvent>
#include <QPointer>

#include <vector>

#include "catalog/FunctionCatalog.h"
#include "catalog/KeyCatalog.h"
#include "ui/Controls.h"
#include "ui/KeyboardViewController.h"
#include "ui/keyboard/CustomKeyFuncView.h"
#include "ui/keyboard/KeyboardView.h"

namespace korvex {

namespace {

QString uiText(int id) {
    return KeyboardViewController::text(id);
}

// One key of an on-screen keyboard; it has no widget of its own.
class KeyAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
  public:
    KeyAccessible(KeyboardView* view, int index) : view_(view), index_(index) {}

    bool isValid() const override {
        return view_ && index_ < static_cast<int>(view_->kbKeyArraySelect().size());
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return view_ ? view_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(view_.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::Button; }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.selectable = true;
        s.selected = view_->selectKeyItem() == index_;
        s.hotTracked = view_->hoverKeyItem() == index_;
        s.invisible = !view_->isVisible();
        return s;
    }
    QRect rect() const override {
        if (!isValid()) return {};
        const QRect local = key().rect.toAlignedRect();
        return QRect(view_->mapToGlobal(local.topLeft()), local.size());
    }
    QString text(QAccessible::Text t) const override {
        if (!isValid()) return {};
        switch (t) {
            case QAccessible::Name: {
                // The catalog's full name: the picture's labels are short
                // ("<-", "Caps") and read badly aloud.
                const KeyInfo* info = findKeyByName(key().keyname.toStdString());
                if (!info) return keyFullName(key().keyname);
                return distinctKeyName(
                    info->code,
                    QString::fromUtf8(info->full_name.data(),
                                      static_cast<qsizetype>(info->full_name.size())),
                    false);
            }
            case QAccessible::Description:
                // What the key does when it does something else.
                return view_->keyView(index_) && view_->keyView(index_)->isMacro() ? key().keyMacro
                                                                                   : QString();
            default:
                return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction() && isValid()) pressLikePointer(view_, key().rect.center());
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

  private:
    const KeyData& key() const {
        return view_->kbKeyArraySelect()[static_cast<std::size_t>(index_)];
    }
    QPointer<KeyboardView> view_;
    int index_;
};

// The keyboard: its keys are its children, the key area widgets are not.
class KeyboardAccessible : public QAccessibleWidget {
  public:
    explicit KeyboardAccessible(KeyboardView* view)
        : QAccessibleWidget(view, QAccessible::Grouping) {}
    ~KeyboardAccessible() override {
        for (QAccessible::Id id : ids_) QAccessible::deleteAccessibleInterface(id);
    }
    int childCount() const override { return static_cast<int>(view()->kbKeyArraySelect().size()); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount()) return nullptr;
        if (ids_.size() < static_cast<std::size_t>(childCount())) ids_.resize(childCount(), 0);
        QAccessible::Id& id = ids_[static_cast<std::size_t>(index)];
        if (id == 0)
            id = QAccessible::registerAccessibleInterface(new KeyAccessible(view(), index));
        return QAccessible::accessibleInterface(id);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (int i = 0; i < static_cast<int>(ids_.size()); ++i)
            if (ids_[static_cast<std::size_t>(i)] != 0 &&
                QAccessible::accessibleInterface(ids_[static_cast<std::size_t>(i)]) == child)
                return i;
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const int index = view()->keyIndexAt(view()->mapFromGlobal(QPoint(x, y)));
        return index < 0 ? nullptr : child(index);
    }

  private:
    KeyboardView* view() const { return static_cast<KeyboardView*>(widget()); }
    mutable std::vector<QAccessible::Id> ids_;
};

// A control we draw: a role, a caption for its name, a press that clicks it.
class DrawnControlAccessible : public QAccessibleWidget {
  public:
    DrawnControlAccessible(QWidget* w, QAccessible::Role role) : QAccessibleWidget(w, role) {}

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (auto* row = qobject_cast<TableItemView*>(widget())) {
            s.selectable = true;
            s.selected = row->isSelect();
        } else if (auto* tile = qobject_cast<KeyFuncView*>(widget())) {
            s.checkable = true;
            s.checked = tile->isSelect();
        }
        return s;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction()) pressLikePointer(widget(), QRectF(widget()->rect()).center());
    }
    // A swatch is named by its colour, with the hex code as description.
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Description)
            if (auto* c = qobject_cast<ColorButton*>(widget())) return c->btn_color().name();
        if (t != QAccessible::Name || !widget()->accessibleName().isEmpty())
            return QAccessibleWidget::text(t);
        return caption();
    }

  private:
    QString caption() const {
        QWidget* w = widget();
        if (auto* b = qobject_cast<SelectButton*>(w)) return b->title();
        if (auto* b = qobject_cast<TextButton*>(w)) return b->title();
        if (auto* item = qobject_cast<MenuItem*>(w)) return item->textView()->text();
        if (auto* row = qobject_cast<TableItemView*>(w)) return row->text();
        if (auto* tile = qobject_cast<KeyFuncView*>(w)) {
            QString plain;
            if (tile->textView() && !tile->textView()->text().isEmpty())
                plain = tile->textView()->text();
            else if (auto name = customKeyFuncShortName(tile->key_code()))
                plain = QString::fromUtf8(name->data(), static_cast<qsizetype>(name->size()));
            return distinctKeyName(tile->key_code(), plain, true);
        }
        if (auto* c = qobject_cast<ColorButton*>(w)) return colourName(c->btn_color());
        return w->toolTip();
    }
};

// One entry of a combo box. Choosing it sets the box's current entry as a
// user's choice would (the box's signals run), without opening the list:
// Qt's own entries only select within the closed list and set nothing.
class ComboEntryAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
  public:
    ComboEntryAccessible(QComboBox* combo, int index) : combo_(combo), index_(index) {}

    bool isValid() const override { return combo_ && index_ < combo_->count(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return combo_ ? combo_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(combo_.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.selectable = true;
        s.selected = combo_->currentIndex() == index_;
        s.invisible = !combo_->isVisible();
        return s;
    }
    QRect rect() const override {
        return combo_ ? QRect(combo_->mapToGlobal(QPoint(0, 0)), combo_->size()) : QRect();
    }
    QString text(QAccessible::Text t) const override {
        return isValid() && t == QAccessible::Name ? combo_->itemText(index_) : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }
    QStringList actionNames() const override { return {pressAction(), toggleAction()}; }
    void doAction(const QString& name) override {
        if ((name == pressAction() || name == toggleAction()) && isValid() && combo_->isEnabled() &&
            combo_->isVisible())
            combo_->setCurrentIndex(index_);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

  private:
    QPointer<QComboBox> combo_;
    int index_;
};

// A combo box whose entries are its children, named by its caption label.
class ComboAccessible : public QAccessibleWidget {
  public:
    explicit ComboAccessible(QComboBox* combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {
        addControllingSignal(QStringLiteral("currentIndexChanged(int)"));
    }
    ~ComboAccessible() override {
        for (QAccessible::Id id : ids_) QAccessible::deleteAccessibleInterface(id);
    }
    int childCount() const override { return combo()->count(); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount()) return nullptr;
        if (ids_.size() < static_cast<std::size_t>(childCount())) ids_.resize(childCount(), 0);
        QAccessible::Id& id = ids_[static_cast<std::size_t>(index)];
        if (id == 0)
            id = QAccessible::registerAccessibleInterface(new ComboEntryAccessible(combo(), index));
        return QAccessible::accessibleInterface(id);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (std::size_t i = 0; i < ids_.size(); ++i)
            if (ids_[i] != 0 && QAccessible::accessibleInterface(ids_[i]) == child)
                return static_cast<int>(i);
        return -1;
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return combo()->currentText();
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override { return {showMenuAction()}; }
    void doAction(const QString& name) override {
        if (name == showMenuAction()) combo()->showPopup();
    }

  private:
    QComboBox* combo() const { return static_cast<QComboBox*>(widget()); }
    mutable std::vector<QAccessible::Id> ids_;
};

QAccessibleInterface* factory(const QString&, QObject* object) {
    if (!object || !object->isWidgetType()) return nullptr;
    auto* w = static_cast<QWidget*>(object);
    if (auto* kb = qobject_cast<KeyboardView*>(w)) return new KeyboardAccessible(kb);
    if (auto* combo = qobject_cast<QComboBox*>(w); combo && !combo->isEditable())
        return new ComboAccessible(combo);
    if (qobject_cast<MenuItem*>(w)) return new DrawnControlAccessible(w, QAccessible::MenuItem);
    if (qobject_cast<TableItemView*>(w))
        return new DrawnControlAccessible(w, QAccessible::ListItem);
    if (qobject_cast<KeyFuncView*>(w) || qobject_cast<CustomButton*>(w))
        return new DrawnControlAccessible(w, QAccessible::Button);
    return nullptr;
}

}  // namespace

QString distinctKeyName(int code, const QString& plain, bool fullSizeKeyboard) {
    constexpr int kLeftCtrl = 224, kRightGui = 231, kLeftGui = 227, kRightCtrl = 228;
    if (code >= kLeftCtrl && code <= kRightGui) {
        const int base = (code - kLeftCtrl) % 4 + kLeftCtrl;
        static const char* const kModifiers[] = {"Ctrl", "Shift", "Alt"};
        const QString modifier =
            base == kLeftGui ? uiText(1564) : QString::fromLatin1(kModifiers[base - kLeftCtrl]);
        return uiText(code < kRightCtrl ? 1562 : 1563).arg(modifier);
    }
    if (!fullSizeKeyboard) return plain;
    constexpr int kFirstDigit = 30, kLastDigit = 39, kFirstKeypad = 84, kLastKeypad = 99;
    if (code >= kFirstDigit && code <= kLastDigit) return uiText(1560).arg(plain);
    if (code >= kFirstKeypad && code <= kLastKeypad) return uiText(1561).arg(plain);
    return plain;
}

QString colourName(const QColor& colour) {
    const QColor hsv = colour.toHsv();
    const int v = hsv.value(), s = hsv.saturation();
    if (s < 40) return uiText(v < 40 ? 1584 : v > 215 ? 1582 : 1583);
    // Hue bands, in degrees, of the named colours from red round to magenta.
    static constexpr std::pair<int, int> kBands[] = {
        {10, 1571},  {25, 1572},  {45, 1573},  {65, 1574},  {100, 1575}, {160, 1576},
        {195, 1577}, {225, 1578}, {255, 1579}, {285, 1580}, {330, 1581}, {361, 1571}};
    int id = 1571;
    for (const auto& [upTo, nameId] : kBands)
        if (hsv.hue() < upTo) {
            id = nameId;
            break;
        }
    return v < 170 ? uiText(1585).arg(uiText(id)) : uiText(id);
}

void installAccessibility() {
    static const bool installed = (QAccessible::installFactory(factory), true);
    (void)installed;
}

}  // namespace korvex

#include "ui/Accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QMouseEvent>
#include <QPointer>

#include <vector>

#include "catalog/FunctionCatalog.h"
#include "ui/Controls.h"
#include "ui/keyboard/CustomKeyFuncView.h"
#include "ui/keyboard/KeyboardView.h"

namespace korvex {

namespace {

// A press as the pointer would make it, so the control's own handling (and
// the pages' check of who posted) runs unchanged.
void clickAt(QWidget* w, const QPointF& local) {
    if (!w) return;
    const QPointF global = w->mapToGlobal(local);
    QMouseEvent move(QEvent::MouseMove, local, global, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(w, &move);
    QApplication::sendEvent(w, &press);
    QApplication::sendEvent(w, &release);
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
            case QAccessible::Name:
                return keyFullName(key().keyname);
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
        if (name == pressAction() && isValid()) clickAt(view_, key().rect.center());
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

    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name || !widget()->accessibleName().isEmpty())
            return QAccessibleWidget::text(t);
        return caption();
    }
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
        if (name == pressAction()) clickAt(widget(), QRectF(widget()->rect()).center());
    }

  private:
    QString caption() const {
        QWidget* w = widget();
        if (auto* b = qobject_cast<SelectButton*>(w)) return b->title();
        if (auto* b = qobject_cast<TextButton*>(w)) return b->title();
        if (auto* item = qobject_cast<MenuItem*>(w)) return item->textView()->text();
        if (auto* row = qobject_cast<TableItemView*>(w)) return row->text();
        if (auto* tile = qobject_cast<KeyFuncView*>(w)) {
            if (tile->textView() && !tile->textView()->text().isEmpty())
                return tile->textView()->text();
            if (auto name = customKeyFuncShortName(tile->key_code()))
                return QString::fromUtf8(name->data(), static_cast<qsizetype>(name->size()));
        }
        if (auto* c = qobject_cast<ColorButton*>(w)) return c->btn_color().name();
        return w->toolTip();
    }
};

QAccessibleInterface* factory(const QString&, QObject* object) {
    if (!object || !object->isWidgetType()) return nullptr;
    auto* w = static_cast<QWidget*>(object);
    if (auto* kb = qobject_cast<KeyboardView*>(w)) return new KeyboardAccessible(kb);
    if (qobject_cast<MenuItem*>(w)) return new DrawnControlAccessible(w, QAccessible::MenuItem);
    if (qobject_cast<TableItemView*>(w))
        return new DrawnControlAccessible(w, QAccessible::ListItem);
    if (qobject_cast<KeyFuncView*>(w) || qobject_cast<CustomButton*>(w))
        return new DrawnControlAccessible(w, QAccessible::Button);
    return nullptr;
}

}  // namespace

void installAccessibility() {
    static const bool installed = (QAccessible::installFactory(factory), true);
    (void)installed;
}

}  // namespace korvex

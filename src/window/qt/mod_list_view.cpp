#include "window/qt/mod_list_view.h"

#include "mods/texts.h"
#include "window/qt/display_text.h"

#include <QAccessibleWidget>
#include <QPainter>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QTimer>

namespace vx::qt {
namespace {

bool isChecked(const QModelIndex& index) {
    return index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
}

// What the two parts of a row share: the view, the row number and the
// row's place on the screen. Everything they report is read from the model,
// which asks the core.
class RowPart : public QAccessibleInterface {
public:
    RowPart(ModListView* view, int row) : view_(view), row_(row) {}

    const ModListView* view() const { return view_.data(); }
    int row() const { return row_; }

    bool isValid() const override { return index().isValid(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return view_ ? view_->window()->windowHandle() : nullptr; }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override {
        const QModelIndex i = index();
        if (!i.isValid()) return {};
        const QRect r = view_->visualRect(i);
        return {view_->viewport()->mapToGlobal(r.topLeft()), r.size()};
    }

protected:
    QModelIndex index() const {
        if (!view_ || !view_->model()) return {};
        return view_->model()->index(row_, 0);  // invalid once the row is gone
    }

    QString name() const { return index().data(Qt::AccessibleTextRole).toString(); }

    // What both parts are, and whether the row is selected and can be seen.
    QAccessible::State rowState() const {
        QAccessible::State s;
        const QModelIndex i = index();
        if (!i.isValid()) {
            s.invalid = true;
            return s;
        }
        s.selectable = true;
        s.selected = view_->selectionModel()->isSelected(i);
        s.disabled = !view_->isEnabled();
        s.invisible = !view_->isVisible();
        s.offscreen = !view_->viewport()->rect().intersects(view_->visualRect(i));
        return s;
    }

    QPointer<ModListView> view_;
    int row_;
};

// A row's check box, where the keyboard is: name, checked state, the row's
// position among all rows as its description (screen readers say no
// position of their own for a check box), and a Toggle action.
class BoxAccessible : public RowPart, public QAccessibleActionInterface {
public:
    using RowPart::RowPart;

    QAccessibleInterface* parent() const override { return view_ ? view_->rowAccessible(row_) : nullptr; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return name();
        if (t != QAccessible::Description || !isValid()) return {};
        const auto count = static_cast<size_t>(view_->model()->rowCount());
        return displayText(mods::text::rowPosition(static_cast<size_t>(row_) + 1, count));
    }

    // A check box rather than a checkable list item: AT-SPI bridges that do
    // not pass the checkable state on still make screen readers say "not
    // checked", and say the new state when Space changes it.
    QAccessible::Role role() const override { return QAccessible::CheckBox; }

    QAccessible::State state() const override {
        QAccessible::State s = rowState();
        if (s.invalid) return s;
        s.checkable = true;
        s.checked = isChecked(index());
        s.focusable = true;
        s.focused = view_->hasFocus() && view_->currentIndex() == index();
        return s;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }

    QStringList actionNames() const override { return {toggleAction(), setFocusAction()}; }

    QStringList keyBindingsForAction(const QString& name) const override {
        return name == toggleAction() ? QStringList{QStringLiteral("Space")} : QStringList();
    }

    // SetFocus makes the row current, as an arrow key does. Toggle makes it
    // current and changes its box as Space does; that runs from the event
    // loop: a refused rename shows a modal box, and the assistive technology
    // that asked must get its answer first, or it could not read that box.
    void doAction(const QString& name) override {
        const QModelIndex i = index();
        if (!i.isValid() || !view_->isEnabled()) return;
        if (name == setFocusAction()) {
            view_->setCurrentIndex(i);
            view_->setFocus(Qt::OtherFocusReason);
        }
        if (name != toggleAction()) return;
        QTimer::singleShot(0, view_, [view = view_, row = QPersistentModelIndex(i)] {
            if (!view || !row.isValid()) return;
            view->setCurrentIndex(row);
            view->model()->setData(row, isChecked(row) ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
        });
    }
};

// A row as an item of the list, holding the row's check box.
class ItemAccessible : public RowPart {
public:
    using RowPart::RowPart;

    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(view_.data());
    }
    QAccessibleInterface* child(int index) const override {
        return index == 0 && view_ ? view_->boxAccessible(row_) : nullptr;
    }
    int childCount() const override { return isValid() ? 1 : 0; }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && child == this->child(0) ? 0 : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        return rect().contains(x, y) ? child(0) : nullptr;
    }

    QString text(QAccessible::Text t) const override { return t == QAccessible::Name ? name() : QString(); }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override { return rowState(); }
};

// The list itself; its children are the rows' list items and nothing else.
class ListAccessible : public QAccessibleWidget {
public:
    explicit ListAccessible(ModListView* view) : QAccessibleWidget(view, QAccessible::List) {}

    int childCount() const override { return view()->model() ? view()->model()->rowCount() : 0; }
    QAccessibleInterface* child(int index) const override { return view()->rowAccessible(index); }

    int indexOfChild(const QAccessibleInterface* child) const override {
        const auto* row = dynamic_cast<const ItemAccessible*>(child);
        return row && row->view() == view() && row->isValid() ? row->row() : -1;
    }

    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint point = view()->viewport()->mapFromGlobal(QPoint(x, y));
        if (!view()->viewport()->rect().contains(point)) return nullptr;
        const QModelIndex index = view()->indexAt(point);
        return index.isValid() ? child(index.row()) : nullptr;
    }

    QAccessibleInterface* focusChild() const override {
        const QModelIndex current = view()->currentIndex();
        return view()->hasFocus() && current.isValid() ? view()->boxAccessible(current.row()) : nullptr;
    }

private:
    ModListView* view() const { return static_cast<ModListView*>(widget()); }
};

QAccessibleInterface* accessibleFactory(const QString& /*className*/, QObject* object) {
    if (auto* view = qobject_cast<ModListView*>(object)) return new ListAccessible(view);
    return nullptr;
}

}  // namespace

// The factory goes in before anything can ask for this view's accessible
// object; Qt keeps one copy of it however many views are made.
//
// The frame is one pixel wide around the rows' area. At a fractional scale
// (150%) the edges of that area fall inside a screen pixel, and the rows'
// area, rounded out to whole pixels, paints over the one row of pixels the
// bottom edge was drawn on. So a widget without a background that mouse
// events pass through lies over the whole view and draws the frame again,
// after the rows.
ModListView::ModListView(QWidget* parent) : QListView(parent), frame_(new QWidget(this)) {
    QAccessible::installFactory(accessibleFactory);
    frame_->setAttribute(Qt::WA_TransparentForMouseEvents);
    frame_->installEventFilter(this);
}

ModListView::~ModListView() {
    dropRowAccessibles();
}

QAccessibleInterface* ModListView::rowPart(int row, bool box) {
    if (!model() || row < 0 || row >= model()->rowCount()) return nullptr;
    QHash<int, QAccessible::Id>& ids = box ? boxIds_ : itemIds_;
    if (const auto known = ids.constFind(row); known != ids.cend()) {
        if (QAccessibleInterface* iface = QAccessible::accessibleInterface(*known)) return iface;
    }
    QAccessibleInterface* iface = box ? static_cast<QAccessibleInterface*>(new BoxAccessible(this, row))
                                      : new ItemAccessible(this, row);
    ids.insert(row, QAccessible::registerAccessibleInterface(iface));
    return iface;
}

void ModListView::dropRowAccessibles() {
    for (const QAccessible::Id id : std::as_const(itemIds_)) QAccessible::deleteAccessibleInterface(id);
    for (const QAccessible::Id id : std::as_const(boxIds_)) QAccessible::deleteAccessibleInterface(id);
    itemIds_.clear();
    boxIds_.clear();
}

void ModListView::reset() {
    dropRowAccessibles();  // the rows are replaced as a whole
    QListView::reset();
}

void ModListView::announceFocus(int row) {
    if (QAccessibleInterface* box = boxAccessible(row)) {
        QAccessibleEvent focus(box, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }
}

// The keyboard lands on the current row, not just on the list, so a screen
// reader says which mod it is and whether its box is checked. Qt announces
// the list itself after this handler, so the row follows from the event loop.
void ModListView::focusInEvent(QFocusEvent* event) {
    QListView::focusInEvent(event);
    QTimer::singleShot(0, this, [this] {
        if (hasFocus() && currentIndex().isValid()) announceFocus(currentIndex().row());
    });
}

// QListView would announce the new current row's list item as focused; the
// keyboard is on the item's check box, so that is announced instead. The
// announcement is all QListView adds here to the item view's own handling.
void ModListView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QAbstractItemView::currentChanged(current, previous);
    if (hasFocus() && current.isValid()) announceFocus(current.row());
}

void ModListView::resizeEvent(QResizeEvent* event) {
    QListView::resizeEvent(event);
    frame_->setGeometry(rect());
}

bool ModListView::eventFilter(QObject* watched, QEvent* event) {
    if (watched != frame_ || event->type() != QEvent::Paint) return QListView::eventFilter(watched, event);
    QPainter painter(frame_);
    drawFrame(&painter);
    return true;
}

void ModListView::initViewItemOption(QStyleOptionViewItem* option) const {
    QListView::initViewItemOption(option);
    if (hasFocus()) return;
    // Without the focus the selected row is a quiet grey, so the strong
    // highlight shows only where the keyboard is.
    option->palette.setColor(QPalette::Highlight, palette().color(QPalette::Midlight));
    option->palette.setColor(QPalette::HighlightedText, palette().color(QPalette::Text));
}

// Every answer to a request to change a box, also a refusal that leaves it
// as it was, is announced, so a screen reader says the box's state.
void ModListView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                              const QList<int>& roles) {
    QListView::dataChanged(topLeft, bottomRight, roles);
    if (!roles.isEmpty() && !roles.contains(Qt::CheckStateRole)) return;
    QAccessible::State changed;
    changed.checked = true;
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
        QAccessibleInterface* box = boxAccessible(row);
        if (!box) continue;
        QAccessibleStateChangeEvent event(box, changed);
        QAccessible::updateAccessibility(&event);
    }
}

}  // namespace vx::qt

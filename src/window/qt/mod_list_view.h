// The view of the mod list: a QListView that shows whether it has the focus,
// keeps its frame whole at any scale, and tells assistive technology what
// each row is. To a screen reader each row is a list item holding one check
// box, and the keyboard is on the check box: its name, whether it is
// checked, where it stands in the list, and a Toggle action that changes the
// box the way Space does. The list items are what screen readers count to
// tell how many mods the list has.
#pragma once

#include <QAccessible>
#include <QHash>
#include <QListView>

namespace vx::qt {

class ModListView : public QListView {
    Q_OBJECT

public:
    explicit ModListView(QWidget* parent = nullptr);
    ~ModListView() override;

    // The accessible list item of `row` and the check box inside it, made on
    // first use and kept until the rows are replaced; nullptr for a row that
    // does not exist.
    QAccessibleInterface* rowAccessible(int row) { return rowPart(row, false); }
    QAccessibleInterface* boxAccessible(int row) { return rowPart(row, true); }

    void reset() override;

protected:
    void focusInEvent(QFocusEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void initViewItemOption(QStyleOptionViewItem* option) const override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = {}) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAccessibleInterface* rowPart(int row, bool box);
    void dropRowAccessibles();
    // Tells a screen reader that the keyboard is on the check box of `row`.
    void announceFocus(int row);

    QWidget* frame_;  // draws the frame again, above the rows
    QHash<int, QAccessible::Id> itemIds_;
    QHash<int, QAccessible::Id> boxIds_;
};

}  // namespace vx::qt

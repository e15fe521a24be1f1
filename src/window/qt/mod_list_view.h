// The view of the mod list: a QListView that shows whether it has the focus
// and tells assistive technology what each row is. A row is a check box to a
// screen reader: its name, whether it is checked, and a Toggle action that
// changes the box the way Space does.
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

    // The accessible object of `row`, made on first use and kept until the
    // rows are replaced; nullptr for a row that does not exist.
    QAccessibleInterface* rowAccessible(int row);

    // Installs the accessibility factory that gives views of this class
    // their accessible objects. Call before the first view is made.
    static void installAccessibility();

    void reset() override;

protected:
    void focusInEvent(QFocusEvent* event) override;
    void initViewItemOption(QStyleOptionViewItem* option) const override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = {}) override;

private:
    void dropRowAccessibles();

    QHash<int, QAccessible::Id> rowIds_;
};

}  // namespace vx::qt

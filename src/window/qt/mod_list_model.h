// The mod list as a Qt item model: a view onto the core's list, which stays
// the one copy of the rows. Texts are converted only for the rows the view
// asks for.
#pragma once

#include "mods/mod_list.h"

#include <QAbstractListModel>

#include <functional>

namespace vx::qt {

class ModListModel : public QAbstractListModel {
    Q_OBJECT

public:
    explicit ModListModel(const mods::ModList& list, QObject* parent = nullptr)
        : QAbstractListModel(parent), list_(list) {}

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A change of a check box is handed to itemCheck; the row is redrawn
    // from the list afterwards, whatever the outcome.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // Runs `fill`, which fills or replaces the list as a whole.
    void reload(const std::function<void()>& fill);

signals:
    void itemCheck(int row, bool checked);

private:
    const mods::ModList& list_;
};

}  // namespace vx::qt

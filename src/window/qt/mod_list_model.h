// The mod list as a Qt item model: a view onto the core's list, which stays
// the one copy of the rows. Texts are converted only for the rows the view
// asks for.
#pragma once

#include "mods/mod_folders.h"

#include <QAbstractListModel>

namespace vx::qt {

class ModListModel : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    // Shows the rows of `mods` from now on, in place of whatever was shown
    // before: the views are told that the rows were replaced as a whole.
    void setMods(mods::ModFolders& mods);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A change of a check box (List1_ItemCheck) asks the core to rename the
    // mod's folder; the row is redrawn from the list afterwards, whatever
    // the outcome.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // The view's typing search (the start of the shown text, letter case
    // ignored, one row) finds its row by the core's rule; other searches
    // are Qt's.
    QModelIndexList match(const QModelIndex& start, int role, const QVariant& value, int hits,
                          Qt::MatchFlags flags) const override;

private:
    mods::ModFolders* mods_ = nullptr;
};

}  // namespace vx::qt

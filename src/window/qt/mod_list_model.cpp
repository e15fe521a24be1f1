#include "window/qt/mod_list_model.h"

#include "window/qt/display_text.h"

#include "mods/texts.h"

namespace vx::qt {

void ModListModel::setMods(mods::ModFolders& mods) {
    beginResetModel();
    mods_ = &mods;
    endResetModel();
}

int ModListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !mods_ ? 0 : mods_->List1().count();
}

QVariant ModListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
    const mods::ModList& list = mods_->List1();
    switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
        case Qt::ToolTipRole:
            return displayText(mods::text::rowText(list.text(index.row())));
        case Qt::CheckStateRole:
            return list.checked(index.row()) ? Qt::Checked : Qt::Unchecked;
        default:
            return {};
    }
}

Qt::ItemFlags ModListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren;
}

bool ModListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return false;
    }
    mods_->setModEnabled(index.row(), value.toInt() == Qt::Checked);
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

QModelIndexList ModListModel::match(const QModelIndex& start, int role, const QVariant& value, int hits,
                                    Qt::MatchFlags flags) const {
    if (role != Qt::DisplayRole || hits != 1 || (flags & Qt::MatchTypeMask) != Qt::MatchStartsWith ||
        (flags & Qt::MatchCaseSensitive) ||
        !checkIndex(start, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return QAbstractListModel::match(start, role, value, hits, flags);
    }
    const QByteArray typed = value.toString().toUtf8();
    const int row =
        mods_->findRow(NativeStringView(typed.constData(), static_cast<size_t>(typed.size())), start.row());
    if (row < 0 || (row < start.row() && !(flags & Qt::MatchWrap))) return {};
    return {index(row)};
}

}  // namespace vx::qt

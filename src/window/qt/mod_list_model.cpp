#include "window/qt/mod_list_model.h"

#include "window/qt/qt_platform.h"

#include "mods/texts.h"

namespace vx::qt {

int ModListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : list_.count();
}

QVariant ModListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
    switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
        case Qt::ToolTipRole:
            return displayText(mods::text::rowText(list_.text(index.row())));
        case Qt::CheckStateRole:
            return list_.checked(index.row()) ? Qt::Checked : Qt::Unchecked;
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
    emit itemCheck(index.row(), value.toInt() == Qt::Checked);
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

void ModListModel::reload(const std::function<void()>& fill) {
    beginResetModel();
    fill();
    endResetModel();
}

}  // namespace vx::qt

#include "graph/qt/data_list_model.h"

namespace k7740 {

void DataListModel::Reset(const DataListSource& source) {
  beginResetModel();
  source_ = source;
  endResetModel();
}

int DataListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : source_.rowCount;
}

int DataListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(kDataListColumns.size());
}

QVariant DataListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role == Qt::DisplayRole) {
    return QString::fromStdString(DataListCellText(source_, index.row(), index.column()));
  }
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

QVariant DataListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  if (role == Qt::DisplayRole)
    return QString::fromLatin1(kDataListColumns[static_cast<size_t>(section)].header);
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

// Rows can be selected but never edited.
Qt::ItemFlags DataListModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

}  // namespace k7740

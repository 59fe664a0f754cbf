// The data list's rows, formatted only when the table asks for them.
#pragma once

#include <QAbstractTableModel>

#include "graph/data_list_texts.h"

namespace k7740 {

class DataListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit DataListModel(QObject* parent) : QAbstractTableModel(parent) {}

  // Replaces every row; an empty source leaves the list without rows.
  void Reset(const DataListSource& source);
  const DataListSource& source() const { return source_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  DataListSource source_;
};

}  // namespace k7740

// A drop-down list of colours that shows only swatches: each item carries a colour value and
// draws itself as a black-outlined box, in the list and in the closed field alike.
#pragma once

#include <QColor>
#include <QComboBox>
#include <QRect>
#include <QString>
#include <QStyledItemDelegate>

class QPainter;

namespace k7740 {

// Draws one item: background (highlight and focus rectangle when focused), then the swatch from
// (left + 1, top + 1) to (left + 51, bottom - 1), end corner exclusive. A disabled item's swatch
// is grey whatever its colour.
class CColorItemDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  // The drawing shared by the list items and the closed field; an invalid colour draws no swatch.
  static void DrawItem(QPainter& painter, const QRect& rect, const QColor& color, bool enabled, bool focused,
                       const QPalette& palette, const QWidget* widget);
};

class CColorComboBox : public QComboBox {
  Q_OBJECT
 public:
  explicit CColorComboBox(QWidget* parent = nullptr);

  // Appends an item of this colour and returns its position; -1 (nothing added) when an item
  // already has the same colour value. The name is kept for screen readers, never drawn.
  int AddColor(const QColor& color, const QString& name);
  // Appends the table's colours in table order (item position = table index), then selects
  // selectedIndex; an index outside the list leaves nothing selected.
  void FillColors(int selectedIndex);
  QColor ColorAt(int position) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace k7740

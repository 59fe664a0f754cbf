#include "appearance/qt/color_combo_box.h"

#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

#include "appearance/color_table.h"

namespace k7740 {

namespace {

constexpr int kColorRole = Qt::UserRole;
constexpr int kSwatchRight = 51;  // exclusive, from the item's left edge

QColor TableColor(int index) {
  const ColorRgb c = ColorTableRgb(index);
  return QColor(c.r, c.g, c.b);
}

}  // namespace

void CColorItemDelegate::DrawItem(QPainter& painter, const QRect& rect, const QColor& color, bool enabled,
                                  bool focused, const QPalette& palette, const QWidget* widget) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.fillRect(rect, palette.color(focused ? QPalette::Highlight : QPalette::Base));
  if (focused) {
    QStyleOptionFocusRect focus;
    focus.rect = rect;
    focus.palette = palette;
    focus.backgroundColor = palette.color(QPalette::Highlight);
    focus.state = QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
    QStyle* style = widget != nullptr ? widget->style() : nullptr;
    if (style != nullptr) style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, widget);
  }
  if (color.isValid()) {
    // The end corner is exclusive: the outline runs over x = left + 1 .. left + 50 and
    // y = top + 1 .. last row - 1, leaving a one-pixel margin (drawRect adds a pixel to w and h).
    const QRect swatch(rect.left() + 1, rect.top() + 1, kSwatchRight - 2, rect.height() - 3);
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(enabled ? color : palette.color(QPalette::Disabled, QPalette::WindowText));
    painter.drawRect(swatch);
  }
  painter.restore();
}

void CColorItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
  const QColor color = index.data(kColorRole).value<QColor>();
  const bool enabled = (option.state & QStyle::State_Enabled) != 0;
  // In the open list the item under the pointer or the keys is the selected one.
  const bool focused = (option.state & (QStyle::State_Selected | QStyle::State_HasFocus)) != 0;
  DrawItem(*painter, option.rect, color, enabled, focused, option.palette, option.widget);
}

QSize CColorItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& /*index*/) const {
  return QSize(kSwatchRight + 8, option.fontMetrics.height() + 4);
}

CColorComboBox::CColorComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(false);
  setItemDelegate(new CColorItemDelegate(this));
  setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  setMinimumContentsLength(8);
}

int CColorComboBox::AddColor(const QColor& color, const QString& name) {
  for (int i = 0; i < count(); ++i) {
    if (ColorAt(i).rgba() == color.rgba()) return -1;
  }
  addItem(QString());
  const int position = count() - 1;
  setItemData(position, color, kColorRole);
  setItemData(position, name, Qt::AccessibleTextRole);
  return position;
}

void CColorComboBox::FillColors(int selectedIndex) {
  for (int i = 0; i < kColorCount; ++i) {
    AddColor(TableColor(i), QString::fromLatin1(kColorNames[static_cast<size_t>(i)]));
  }
  setCurrentIndex(selectedIndex >= 0 && selectedIndex < count() ? selectedIndex : -1);
}

QColor CColorComboBox::ColorAt(int position) const { return itemData(position, kColorRole).value<QColor>(); }

void CColorComboBox::paintEvent(QPaintEvent* /*event*/) {
  QStylePainter painter(this);
  QStyleOptionComboBox opt;
  initStyleOption(&opt);
  opt.currentText.clear();
  opt.currentIcon = QIcon();
  painter.drawComplexControl(QStyle::CC_ComboBox, opt);
  // The closed field shows the selected item drawn like the list's.
  const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
  const QColor color = currentIndex() >= 0 ? ColorAt(currentIndex()) : QColor();
  CColorItemDelegate::DrawItem(painter, field, color, isEnabled(), hasFocus(), palette(), this);
}

}  // namespace k7740

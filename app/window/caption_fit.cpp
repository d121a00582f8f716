#include "caption_fit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QStyle>
#include <QStyleOption>
#include <QTabBar>
#include <QVariant>

namespace captionfit {
namespace {

// The size a control has by design, kept on the control the first time it is fitted.
constexpr char kOwnPixelSize[] = "kvxOwnPixelSize";
// Below this a caption is no longer readable; the fit stops there.
constexpr int kSmallestPixelSize = 6;

int pixelSizeOf(const QWidget* widget) {
  const int pixels = widget->font().pixelSize();
  return pixels > 0 ? pixels : QFontInfo(widget->font()).pixelSize();
}

// A control's own size: kept from its first fit; a control that inherits its font (such as an
// item created later inside a fitted group) takes the own size of the parent it inherits from.
int ownPixelSize(const QWidget* widget) {
  const QVariant kept = widget->property(kOwnPixelSize);
  if (kept.isValid()) return kept.toInt();
  if (!widget->testAttribute(Qt::WA_SetFont) && widget->parentWidget())
    return ownPixelSize(widget->parentWidget());
  return pixelSizeOf(widget);
}

QSize textSize(const QWidget* widget, const QString& text) {
  return widget->fontMetrics().size(Qt::TextShowMnemonic, text);
}

bool fitsRoom(const QWidget* widget, QSize needed) {
  return needed.width() <= widget->width() && needed.height() <= widget->height();
}

// The style's room for a button counts margins above and below that a one-line caption does not
// need (the design's radio items are 17 pixels high): the caption's own line height must fit.
bool fitsBeside(const QWidget* widget, int neededWidth) {
  return neededWidth <= widget->width() && widget->fontMetrics().height() <= widget->height();
}

bool buttonFits(const QAbstractButton* button) {
  if (button->text().isEmpty()) return true;
  QStyleOptionButton option;
  option.initFrom(button);
  option.text = button->text();
  QStyle::ContentsType type = QStyle::CT_PushButton;
  if (qobject_cast<const QRadioButton*>(button)) {
    type = QStyle::CT_RadioButton;
  } else if (qobject_cast<const QCheckBox*>(button)) {
    type = QStyle::CT_CheckBox;
  } else if (const auto* push = qobject_cast<const QPushButton*>(button)) {
    if (push->autoDefault() || push->isDefault()) option.features |= QStyleOptionButton::AutoDefaultButton;
  }
  const QSize needed =
      button->style()->sizeFromContents(type, &option, textSize(button, option.text), button);
  return fitsBeside(button, needed.width());
}

bool groupTitleFits(const QGroupBox* box) {
  // The box's own least size is its title, its frame and the margins beside the title.
  return box->title().isEmpty() || box->minimumSizeHint().width() <= box->width();
}

bool tabsFit(const QTabBar* bar) {
  for (int i = 0; i < bar->count(); ++i) {
    QStyleOptionTab option;
    option.initFrom(bar);
    option.shape = bar->shape();
    option.rect = bar->tabRect(i);
    option.text = bar->tabText(i);
    const QRect room = bar->style()->subElementRect(QStyle::SE_TabBarTabText, &option, bar);
    if (textSize(bar, option.text).width() > room.width()) return false;
  }
  return true;
}

bool labelFits(const QLabel* label) { return fitsRoom(label, label->sizeHint()); }

// Whether the control's caption fits at its present font; true for controls without a caption.
bool fits(const QWidget* control) {
  if (const auto* label = qobject_cast<const QLabel*>(control)) return labelFits(label);
  if (const auto* button = qobject_cast<const QAbstractButton*>(control)) return buttonFits(button);
  if (const auto* box = qobject_cast<const QGroupBox*>(control)) return groupTitleFits(box);
  if (const auto* bar = qobject_cast<const QTabBar*>(control)) return tabsFit(bar);
  return true;
}

bool hasCaption(const QWidget* control) {
  return qobject_cast<const QLabel*>(control) || qobject_cast<const QAbstractButton*>(control) ||
         qobject_cast<const QGroupBox*>(control) || qobject_cast<const QTabBar*>(control);
}

void setPixelSize(QWidget* control, int pixels) {
  if (pixelSizeOf(control) == pixels && control->testAttribute(Qt::WA_SetFont)) return;
  QFont font = control->font();
  font.setPixelSize(pixels);  // set on the control itself, so its children keep their own sizes
  control->setFont(font);
}

// A widget not shown yet gets its resize handling when it is first shown; it runs now, so that
// controls placed by their parent's resize handling (the items of a radio group) are measured
// where they will be.
void placeNow(QWidget* widget) {
  if (!widget->testAttribute(Qt::WA_PendingResizeEvent)) return;
  widget->setAttribute(Qt::WA_PendingResizeEvent, false);
  QResizeEvent resize(widget->size(), QSize());
  QCoreApplication::sendEvent(widget, &resize);
}

}  // namespace

void fitCaption(QWidget* control) {
  if (!hasCaption(control)) return;
  control->ensurePolished();
  const int own = ownPixelSize(control);
  control->setProperty(kOwnPixelSize, own);
  int pixels = own;
  setPixelSize(control, pixels);
  while (!fits(control) && pixels > kSmallestPixelSize) setPixelSize(control, --pixels);
}

void fitCaptions(QWidget* root) {
  const QList<QWidget*> controls = root->findChildren<QWidget*>();
  placeNow(root);
  for (QWidget* control : controls) placeNow(control);
  // Own sizes are taken before any control changes, as children inherit from their parents.
  for (QWidget* control : controls)
    if (hasCaption(control)) control->setProperty(kOwnPixelSize, ownPixelSize(control));
  fitCaption(root);
  for (QWidget* control : controls) fitCaption(control);
}

}  // namespace captionfit

#include "copy_day_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

CopyDayDialog::CopyDayDialog(int source, const PlanCaptions& captions, QWidget* parent)
    : QDialog(parent), source_(source) {
  setObjectName(QStringLiteral("CopyDay"));
  const std::string& sourceName = captions.words.days.at(static_cast<std::size_t>(source));
  setWindowTitle(captions.copyTitle.arg(QString::fromUtf8(sourceName.data(), qsizetype(sourceName.size()))));
  auto* layout = new QVBoxLayout(this);
  for (int day = 0; day < WeekTable::kDays; ++day) {
    if (day == source) continue;
    const std::string& name = captions.words.days[static_cast<std::size_t>(day)];
    boxes_[day] = new QCheckBox(QString::fromUtf8(name.data(), qsizetype(name.size())), this);
    boxes_[day]->setObjectName(QStringLiteral("CopyTo%1").arg(day + 1));
    layout->addWidget(boxes_[day]);
  }
  auto* shortcuts = new QHBoxLayout;
  weekdays_ = new QPushButton(captions.mondayToFriday, this);
  everyDay_ = new QPushButton(captions.everyDay, this);
  for (QPushButton* button : {weekdays_, everyDay_}) {
    button->setAutoDefault(false);
    shortcuts->addWidget(button);
  }
  layout->addLayout(shortcuts);
  connect(weekdays_, &QPushButton::clicked, this, [this] { checkDays(0, 4); });
  connect(everyDay_, &QPushButton::clicked, this, [this] { checkDays(0, 6); });

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

void CopyDayDialog::checkDays(int first, int last) {
  for (int day = 0; day < WeekTable::kDays; ++day)
    if (boxes_[day]) boxes_[day]->setChecked(day >= first && day <= last);
}

std::vector<int> CopyDayDialog::chosenDays() const {
  std::vector<int> days;
  for (int day = 0; day < WeekTable::kDays; ++day)
    if (day != source_ && boxes_[day]->isChecked()) days.push_back(day);
  return days;
}

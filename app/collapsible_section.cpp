#include "app/collapsible_section.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace ks {

TksCollapsibleSection::TksCollapsibleSection(const QString& title, int height, bool collapsible, QWidget* parent)
    : QWidget(parent), height_(height) {
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);

  auto* bar = new QWidget(this);
  bar->setFixedHeight(kTitleHeight);
  bar->setAutoFillBackground(true);
  bar->setBackgroundRole(QPalette::Mid);
  auto* barLayout = new QHBoxLayout(bar);
  barLayout->setContentsMargins(6, 0, 2, 0);
  title_ = new QLabel(title, bar);
  QFont bold = title_->font();
  bold.setBold(true);
  title_->setFont(bold);
  barLayout->addWidget(title_, 1);
  if (collapsible) {
    toggle_ = new QToolButton(bar);
    toggle_->setAutoRaise(true);
    toggle_->setArrowType(Qt::UpArrow);
    toggle_->setFixedSize(kTitleHeight - 2, kTitleHeight - 2);
    toggle_->setFocusPolicy(Qt::NoFocus);
    toggle_->setToolTip(QStringLiteral("Sbalit / rozbalit"));
    connect(toggle_, &QToolButton::clicked, this, [this] { SetExpanded(!expanded_); });
    barLayout->addWidget(toggle_);
  }
  outer->addWidget(bar);

  content_ = new QWidget(this);
  outer->addWidget(content_, 1);
  setFixedHeight(height_);
}

QString TksCollapsibleSection::Title() const { return title_->text(); }

void TksCollapsibleSection::SetExpanded(bool expanded) {
  if (expanded == expanded_ || (!expanded && !toggle_)) return;
  expanded_ = expanded;
  content_->setVisible(expanded_);
  setFixedHeight(expanded_ ? height_ : kTitleHeight);
  if (toggle_) toggle_->setArrowType(expanded_ ? Qt::UpArrow : Qt::DownArrow);
  emit expandedChanged(expanded_);
}

}  // namespace ks

// TksCollapsibleSection: a titled section of a fixed height whose content can be folded
// away by the button in its title bar (when it has one).
#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QToolButton;

namespace ks {

class TksCollapsibleSection : public QWidget {
  Q_OBJECT

 public:
  // `height` is the whole section's height when expanded, title bar included.
  TksCollapsibleSection(const QString& title, int height, bool collapsible, QWidget* parent = nullptr);

  // The area the section's controls go into.
  QWidget* Content() const { return content_; }
  QString Title() const;
  bool Collapsible() const { return toggle_ != nullptr; }
  bool Expanded() const { return expanded_; }
  void SetExpanded(bool expanded);

  static constexpr int kTitleHeight = 20;

 signals:
  void expandedChanged(bool expanded);

 private:
  QWidget* content_ = nullptr;
  QLabel* title_ = nullptr;
  QToolButton* toggle_ = nullptr;
  int height_;
  bool expanded_ = true;
};

}  // namespace ks

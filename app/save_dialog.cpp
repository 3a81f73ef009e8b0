#include "app/save_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QStringList>

namespace ks {

namespace {

// The extension a filter pattern like "*.png" stands for ("png"); empty for "*.*".
QString PatternExtension(const QString& nameFilter) {
  const int dot = nameFilter.lastIndexOf(QLatin1String("*."));
  if (dot < 0) return {};
  QString ext = nameFilter.mid(dot + 2);
  ext.remove(QLatin1Char(')'));
  return ext == QLatin1String("*") ? QString() : ext.trimmed();
}

bool RunFileDialog(TksSaveDialog& d, QWidget* parent) {
  QFileDialog dialog(parent, d.Title, QDir::currentPath());
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  const QStringList filters = d.NameFilters();
  dialog.setNameFilters(filters);
  dialog.setDefaultSuffix(d.DefaultExt);
  if (d.FilterIndex >= 1 && d.FilterIndex <= filters.size()) {
    dialog.selectNameFilter(filters[d.FilterIndex - 1]);
    const QString ext = PatternExtension(filters[d.FilterIndex - 1]);
    if (!ext.isEmpty()) dialog.setDefaultSuffix(ext);
  }
  // A name typed without an extension takes the one of the chosen file type.
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
    const QString ext = PatternExtension(filter);
    if (!ext.isEmpty()) dialog.setDefaultSuffix(ext);
  });
  if (!d.FileName.isEmpty()) dialog.selectFile(d.FileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  d.FileName = dialog.selectedFiles().first();
  const int index = filters.indexOf(dialog.selectedNameFilter());
  if (index >= 0) d.FilterIndex = index + 1;
  return true;
}

}  // namespace

TksSaveDialog::TksSaveDialog() : ExecuteDialog(RunFileDialog) {}

bool TksSaveDialog::Execute(QWidget* parent) { return ExecuteDialog && ExecuteDialog(*this, parent); }

QStringList TksSaveDialog::NameFilters() const {
  const QStringList parts = Filter.split(QLatin1Char('|'));
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
  }
  return filters;
}

QString TksSaveDialog::SelectedExtension() const {
  const QStringList filters = NameFilters();
  if (FilterIndex < 1 || FilterIndex > filters.size()) return {};
  const QString ext = PatternExtension(filters[FilterIndex - 1]);
  return ext.isEmpty() ? QString() : QLatin1Char('.') + ext;
}

}  // namespace ks

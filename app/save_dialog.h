// TksSaveDialog: the settings of a "save as" dialog (title, filter, filter index,
// default extension, file name) and running it.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace ks {

class TksSaveDialog {
 public:
  QString Title;
  // "Name|*.ext|Name|*.ext|..." pairs of a description and a pattern.
  QString Filter;
  // 1-based index of the filter entry selected when the dialog opens.
  int FilterIndex = 1;
  // Added to a name typed without an extension (without the dot).
  QString DefaultExt;
  // The chosen name after a successful Execute.
  QString FileName;

  // Runs the dialog; false when the user cancels. The default shows a QFileDialog;
  // tests replace it.
  std::function<bool(TksSaveDialog& dialog, QWidget* parent)> ExecuteDialog;

  TksSaveDialog();
  bool Execute(QWidget* parent);

  // The filter in QFileDialog's form: "Name (*.ext);;Name (*.ext)".
  QStringList NameFilters() const;
  // The extension of the filter entry FilterIndex, with its dot (".png"); empty when the
  // entry names none or the index is outside the filter.
  QString SelectedExtension() const;
};

}  // namespace ks

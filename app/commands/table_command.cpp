#include "app/commands/table_command.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>

#include "app/commands/table_dialog.h"
#include "app/commands/table_file_read.h"
#include "app/window/background_task.h"
#include "app/window/context_menu.h"
#include "app/window/import_notice.h"
#include "app/window/tform1.h"

namespace {

QString ChooseTableFile(TForm1& form) {
  if (form.RunOpenDialog) return form.RunOpenDialog();
  return QFileDialog::getOpenFileName(
      &form,
      QStringLiteral("Открыть таблицу"),
      form.OpenDialogDirectory,
      QStringLiteral("Таблицы (*.csv *.tsv *.txt *.dat);;Все файлы (*)"));
}

void ShowTableDialog(TForm1& form, TableFileRead& read, const QString& path) {
  auto* dialog = new TableDialog(
      std::move(read.Bytes), std::move(read.Read), QFileInfo(path).fileName(), &form);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  QObject::connect(dialog, &QDialog::accepted, &form, [&form, dialog, path] {
    const TableSeries series = dialog->Series();
    form.RunHandler([&form, &series, &path, dialog] {
      form.TakeTablePairs(series.X, series.Y, series.Sigma, path);
      // A figure's axes are titled with the columns' names.
      const Table& table = dialog->Data();
      const int columns[2] = {dialog->XBox->currentData().toInt(),
                              dialog->YBox->currentData().toInt()};
      for (int axis = 0; axis < 2; ++axis) {
        const int c = columns[axis];
        if (c >= 0 && c < static_cast<int>(table.Columns.size())) {
          form.AxisTitles[axis] = QString::fromStdString(table.Columns[c].Name);
        }
      }
    });
  });
  dialog->open();
}

// The file is read off the window's thread, so a slow disk or a large table never freezes it;
// the dialog then rereads the bytes held as its options change.
void OpenTable(TForm1& form) {
  const QString path = ChooseTableFile(form);
  if (path.isEmpty()) return;
  RunInBackground<TableFileRead>(
      &form,
      QStringLiteral("Чтение таблицы %1…").arg(QFileInfo(path).fileName()),
      [file = path.toStdString()](TaskControl& control) {
        return ReadTableForWindow(file, control);
      },
      [&form, path](TaskOutcome<TableFileRead>& outcome) {
        form.RunHandler([&] {
          TableFileRead read = outcome.Get();
          if (read.Cancelled) return;
          if (!read.Refusal.empty()) {
            form.ShowMessage(TForm1::MessageKind::Plain,
                             QStringLiteral("Ошибка"),
                             QStringLiteral("Таблица %1 не открыта. %2")
                                 .arg(path, QString::fromStdString(read.Refusal)));
            return;
          }
          ShowTableDialog(form, read, path);
        });
      });
}

}  // namespace

void CreateTableCommands(TForm1& form) {
  AddWindowCommand(form, QStringLiteral("Открыть таблицу…"), QKeySequence(), false, [&form] {
    OpenTable(form);
  });
}

void TForm1::TakeTablePairs(const std::vector<double>& x,
                            const std::vector<double>& y,
                            const std::vector<double>& sigma,
                            const QString& path) {
  CloseImportNotice(*this);
  Memo1->hide();
  BitBtn3->hide();
  State.FitStage = 0;
  State.DataPath = path.toStdString();
  State.DataName = QFileInfo(path).fileName().toStdString();
  OpenDialogDirectory = QFileInfo(path).absolutePath();

  // The table dialog takes no more than kMaxWindowTablePairs; sigma of another length than x
  // weigh nothing.
  const auto count = std::min<std::size_t>(x.size(), kMaxWindowTablePairs);
  const auto end = static_cast<std::ptrdiff_t>(count);
  const bool weighted = sigma.size() == x.size();
  TakeReadData(Core.SetData({x.begin(), x.begin() + end},
                            {y.begin(), y.begin() + end},
                            weighted ? std::vector<double>(sigma.begin(), sigma.begin() + end)
                                     : std::vector<double>{}),
               QString::fromStdString(State.DataName));
  // The import notice and "Как прочитан файл…" tell how the plain reader read a file; the table
  // dialog has told how this one was read.
  ForgetImport(*this);
}

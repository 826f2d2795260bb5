// The open workflow: the open button, a dropped file and pasted text read by the engine by the
// data file's rules, then either the data shown or the rejection and a random sample. A paste
// without data is refused and changes nothing.
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <exception>
#include <string_view>
#include <utility>

#include "app/window/import_notice.h"
#include "app/window/tform1.h"
#include "data/data_file_messages.h"
#include "data/import_check.h"
#include "data/import_listing.h"

namespace {

const QString kUnreadableText = QString::fromUtf8(kUnreadableDataText);
const QString kTooShortText = QString::fromUtf8(kTooShortDataText);
const QString kErrorCaption = QStringLiteral("Ошибка");
const QString kClipboardName = QStringLiteral("буфер обмена");  // the caption's name for a paste
const QString kNoPairsPastedText =
    QStringLiteral("В буфере обмена нет пар чисел для вставки: данные и график не изменились.");

// What the pasted text held instead of at least 4 pairs.
QString PasteRefusedDetail(bool readFailed, const ImportReport& report) {
  if (readFailed) {
    return QStringLiteral("Строка %1: «%2» — не число.")
        .arg(report.FailedLine)
        .arg(QString::fromStdString(report.FailedToken));
  }
  if (report.NumbersRead == 0) return QStringLiteral("В тексте нет ни одного числа.");
  return QStringLiteral("Прочитано %1 (%2), а нужно не менее 4 пар (8 чисел).")
      .arg(QString::fromStdString(RussianCount(report.NumbersRead, "число", "числа", "чисел")),
           QString::fromStdString(RussianCount(report.Pairs, "пара", "пары", "пар")));
}

// The file's name after the last directory separator of this platform.
QString FileNameOf(const QString& path) {
#ifdef Q_OS_WIN
  const int cut = std::max(path.lastIndexOf('\\'), path.lastIndexOf('/'));
#else
  const int cut = path.lastIndexOf('/');
#endif
  return path.mid(cut + 1);
}

}  // namespace

void TForm1::BitBtn1Click() {
  QString path;
  if (RunOpenDialog) {
    path = RunOpenDialog();
  } else {
    // Text files are offered first; any other name the user types or picks opens too.
    QFileDialog dialog(
        this, QString(), OpenDialogDirectory, QStringLiteral("Text (*.txt);;Все файлы (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() == QDialog::Accepted) path = dialog.selectedFiles().value(0);
  }
  if (path.isEmpty()) return;
  OpenDataFile(path);
}

namespace {

// The one local file a drag carries, or an empty text.
QString DroppedFile(const QMimeData* mime) {
  if (mime == nullptr || !mime->hasUrls() || mime->urls().size() != 1) return {};
  const QUrl url = mime->urls().front();
  return url.isLocalFile() ? url.toLocalFile() : QString();
}

}  // namespace

void TForm1::dragEnterEvent(QDragEnterEvent* e) {
  if (!DroppedFile(e->mimeData()).isEmpty()) e->acceptProposedAction();
}

// A file dropped on the window opens as if the open dialog had chosen it.
void TForm1::dropEvent(QDropEvent* e) {
  const QString path = DroppedFile(e->mimeData());
  if (path.isEmpty()) return;
  e->acceptProposedAction();
  RunHandler([this, path] { OpenDataFile(path); });
}

void TForm1::OpenDataFile(const QString& path) {
  CloseImportNotice(*this);
  Memo1->hide();
  BitBtn3->hide();
  State.FitStage = 0;
  State.DataPath = path.toStdString();
  State.DataName = FileNameOf(path).toStdString();
  OpenDialogDirectory = QFileInfo(path).absolutePath();  // the next open starts beside it
  TakeReadData(Core.LoadFile(State.DataPath), QString::fromStdString(State.DataName));
}

void TForm1::PasteData(const QByteArray& text) {
  // A paste that brings no data leaves the data, the fit, the caption and the plot as they
  // were, and only says why.
  DataOutcome outcome =
      Core.LoadBytes(std::string_view(text.constData(), text.size()), kClipboardName.toStdString());
  if (!outcome.Accepted && !outcome.Fault) {
    ShowMessage(
        MessageKind::Plain,
        kErrorCaption,
        kNoPairsPastedText + '\n' + PasteRefusedDetail(outcome.ReadFailed, outcome.Findings));
    return;
  }
  CloseImportNotice(*this);
  Memo1->hide();
  BitBtn3->hide();
  State.FitStage = 0;
  State.DataPath.clear();
  State.DataName = kClipboardName.toStdString();
  TakeReadData(std::move(outcome), kClipboardName);
}

bool TForm1::TakeReadData(DataOutcome outcome, const QString& name) {
  if (outcome.Fault) std::rethrow_exception(outcome.Fault);  // RunHandler shows it
  if (!outcome.Accepted) {
    ForgetImport(*this);
    // The fixed message text first, word for word; what went wrong, and in which file, on a line
    // of its own.
    const std::string detail = outcome.ReadFailed
                                   ? UnreadableDetail(State.DataName, outcome.Findings)
                                   : TooShortDetail(State.DataName, outcome.Findings);
    ShowMessage(MessageKind::Plain,
                kErrorCaption,
                (outcome.ReadFailed ? kUnreadableText : kTooShortText) + '\n' +
                    QString::fromStdString(detail));
    Core.UseRandomSample();
    ShowNewDataSet(RandomSampleCaption());
    return false;
  }
  // Both filled in one pass, so a '%' in the name is never taken for a placeholder.
  ShowNewDataSet(QStringLiteral("Harmora - %1 (%2)")
                     .arg(name, QString::number(State.Observations.LastIndex + 1)));
  ImportAccepted(*this, std::move(outcome.Findings), QString::fromStdString(State.DataName));
  return true;
}

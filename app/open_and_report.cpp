// The open workflow and the formulas report.
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/import_notice.h"
#include "app/report_text.h"
#include "app/tform1.h"
#include "data/data_file_reader.h"
#include "data/import_check.h"
#include "data/import_listing.h"

namespace {

const QString kUnreadableText = QStringLiteral(
    "Не удалось прочитать числовые данные из файла. Инструкция по созданию файла данных "
    "находится в документе About.doc.");
const QString kTooShortText = QStringLiteral(
    "Файл данных должен содержать не менее 4 наблюдений (не менее 8 чисел). Подробности можно "
    "найти в документе About.doc.");
const QString kErrorCaption = QStringLiteral("Ошибка");
const QString kRandomCaption = QStringLiteral("Harmora - random (10)");

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
  const QString path =
      RunOpenDialog ? RunOpenDialog()
                    : QFileDialog::getOpenFileName(
                          this, QString(), OpenDialogDirectory, QStringLiteral("Text (*.txt)"));
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

  // The file is read into a scratch set: a read aborted by a fault leaves the data as it was.
  ObservationSet scratch = State.Observations;
  bool readFailed = false;
  ImportReport report = LoadCheckedDataFile(State.DataPath, scratch, readFailed);
  State.ReadFailed = readFailed;

  if (readFailed || scratch.LastIndex < 3) {
    ForgetImport(*this);
    // The designed text first, as it stands; what went wrong, and in which file, on its own line.
    const std::string detail = readFailed ? UnreadableDetail(State.DataName, report)
                                          : TooShortDetail(State.DataName, report);
    ShowMessage(
        MessageKind::Plain,
        kErrorCaption,
        (readFailed ? kUnreadableText : kTooShortText) + '\n' + QString::fromStdString(detail));
    MakeRandomSample(State.Observations, State.Random);
    NewDataSet();
    ShowMinPeriod();
    setWindowTitle(kRandomCaption);
    FormResize();
    return;
  }
  PrepareData(scratch);
  State.Observations = scratch;
  NewDataSet();
  ShowMinPeriod();
  // Both filled in one pass, so a '%' in the file's name is never taken for a placeholder.
  setWindowTitle(QStringLiteral("Harmora - %1 (%2)")
                     .arg(QString::fromStdString(State.DataName),
                          QString::number(State.Observations.LastIndex + 1)));
  FormResize();
  ImportAccepted(*this, std::move(report), QString::fromStdString(State.DataName));
}

void TForm1::BitBtn3Click() {
  Image5->hide();
  Image6->hide();
  Memo1->setVisible(!Memo1->isVisible());
  Memo1->clear();
  WriteReport(State, [this](const std::string& line) {
    Memo1->appendPlainText(QString::fromStdString(line));
  });
}

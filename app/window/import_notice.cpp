#include "app/window/import_notice.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <optional>

#include "app/window/tform1.h"

namespace {

const QString kNoticeName = QStringLiteral("ImportNotice");

constexpr int kMargin = 10;        // from the plot's top left corner, like the report box
constexpr int kNoticeWidth = 520;  // at most; narrower when the plot is

// The panel, with the report of the data shown; it follows the form's size.
class ImportNotice : public QLabel {
 public:
  explicit ImportNotice(TForm1& form) : QLabel(&form), Form(form) {
    setObjectName(kNoticeName);
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
    setMargin(6);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(255, 255, 225));
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("Щелчок или Esc — закрыть"));
    hide();
    form.installEventFilter(this);
  }

  void Place() {
    const int width = std::min(kNoticeWidth, Form.State.Geometry.PlotWidth - 2 * kMargin);
    setFixedWidth(std::max(width, 100));
    setFixedHeight(heightForWidth(this->width()));
    move(kMargin, kMargin);
  }

  std::optional<ImportReport> Report;
  QString SourceName;

 protected:
  void mousePressEvent(QMouseEvent* e) override {
    e->accept();
    hide();
  }
  void mouseReleaseEvent(QMouseEvent* e) override { e->accept(); }
  void mouseDoubleClickEvent(QMouseEvent* e) override { e->accept(); }

  bool eventFilter(QObject* watched, QEvent* e) override {
    if (watched == &Form && e->type() == QEvent::Resize && isVisible()) Place();
    return false;
  }

 private:
  TForm1& Form;
};

ImportNotice* Find(TForm1& form) {
  return static_cast<ImportNotice*>(
      form.findChild<QLabel*>(kNoticeName, Qt::FindDirectChildrenOnly));
}

ImportNotice& Notice(TForm1& form) {
  if (ImportNotice* notice = Find(form)) return *notice;
  return *new ImportNotice(form);
}

QString NoticeText(const ImportReport& report) {
  QString text = QString::fromStdString(ImportSignText(report.Signs.front()));
  const auto more = static_cast<std::int64_t>(report.Signs.size()) - 1;
  if (more > 0) {
    text +=
        QStringLiteral("\nЕщё %1 — «Как прочитан файл…» в меню графика.")
            .arg(QString::fromStdString(RussianCount(more, "признак", "признака", "признаков")));
  }
  return text;
}

}  // namespace

void ImportAccepted(TForm1& form, ImportReport report, const QString& sourceName) {
  ImportNotice& notice = Notice(form);
  notice.SourceName = sourceName;
  notice.Report = std::move(report);
  if (notice.Report->Signs.empty()) {
    notice.hide();
    return;
  }
  notice.setText(NoticeText(*notice.Report));
  notice.Place();
  notice.show();
  notice.raise();
}

void DataBytesAccepted(TForm1& form, std::string_view bytes, const QString& sourceName) {
  ImportAccepted(form, CheckImportBytes(bytes), sourceName);
}

void ForgetImport(TForm1& form) {
  if (ImportNotice* notice = Find(form)) {
    notice->hide();
    notice->Report.reset();
    notice->SourceName.clear();
  }
}

bool CloseImportNotice(TForm1& form) {
  ImportNotice* notice = Find(form);
  if (notice == nullptr || !notice->isVisible()) return false;
  notice->hide();
  return true;
}

QLabel* ImportNoticeOf(TForm1& form) { return Find(form); }

const ImportReport* ShownImport(TForm1& form, QString* sourceName) {
  ImportNotice* notice = Find(form);
  if (notice == nullptr || !notice->Report) return nullptr;
  if (sourceName != nullptr) *sourceName = notice->SourceName;
  return &*notice->Report;
}

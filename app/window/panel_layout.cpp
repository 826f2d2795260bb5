// The control panel and the floating pictures: creation, placement, and the mouse rules.
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyleOptionSpinBox>
#include <QSvgRenderer>

#include "app/window/svg_pixmap.h"
#include "app/window/tform1.h"

namespace {

QPushButton* GlyphButton(QWidget* parent, QRect place, const QString& svg) {
  auto* button = new QPushButton(parent);
  button->setGeometry(place);
  const QSize glyph = QSvgRenderer(svg).defaultSize();
  if (glyph.isValid()) {
    button->setIcon(SvgIcon(svg, glyph));
    button->setIconSize(glyph);
  }
  return button;
}

QLabel* Picture(QWidget* parent, QRect place, const QString& svg) {
  auto* label = new QLabel(parent);
  label->setGeometry(place);
  label->setPixmap(SvgPixmap(svg, place.size(), parent->devicePixelRatioF() < 2 ? 2.0 : 3.0));
  label->setScaledContents(true);
  return label;
}

// A spinner with the box to its left: the box is the spin box's own line edit, read-only, so
// the arrows and the arrow keys change the value and nothing can be typed.
QSpinBox* Spinner(QWidget* parent, int left, int top, int minimum, int maximum, int value) {
  auto* spinner = new QSpinBox(parent);
  spinner->setGeometry(left, top, 42, 21);
  spinner->setRange(minimum, maximum);
  spinner->setValue(value);
  spinner->setWrapping(false);
  spinner->setAlignment(Qt::AlignRight);
  spinner->findChild<QLineEdit*>()->setReadOnly(true);
  // Its own menu's "Step up" and "Step down" would change it without the mouse-up.
  spinner->setContextMenuPolicy(Qt::NoContextMenu);
  return spinner;
}

constexpr int kDepthListPadding = 12;  // the list's item margins, with room to spare

QLineEdit* BoxOf(QSpinBox* spinner) { return spinner->findChild<QLineEdit*>(); }

QFont ReportFont() {
  QFont font(QStringLiteral("Courier New"));
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setPixelSize(11);
  // Where Courier New is missing, its metric twin keeps the columns the same width.
  if (!QFontDatabase::families().contains(font.family())) {
    font.setFamilies({QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")});
  }
  return font;
}

}  // namespace

void TForm1::CreatePictures() {
  Image5 = Picture(this, QRect(0, 64, 273, 145), QStringLiteral(":/formula_hint.svg"));
  Image5->hide();
  Image6 = Picture(this, QRect(144, 24, 321, 401), QStringLiteral(":/about.svg"));
  Image6->hide();
  Memo1 = new QPlainTextEdit(this);
  Memo1->setGeometry(10, 10, 400, 540);
  Memo1->setReadOnly(true);
  Memo1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Memo1->setFont(ReportFont());
  Memo1->hide();
}

void TForm1::CreatePanel() {
  Panel1 = new QFrame(this);
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel1->setLineWidth(1);
  Panel1->setAutoFillBackground(true);
  Panel1->setMouseTracking(true);
  Panel1->setGeometry(width() - kPanelWidth, 0, kPanelWidth, height());

  BitBtn1 = GlyphButton(Panel1, {3, 5, 60, 45}, QStringLiteral(":/open.svg"));
  BitBtn2 = GlyphButton(Panel1, {3, 50, 60, 50}, QStringLiteral(":/find.svg"));
  BitBtn3 = GlyphButton(Panel1, {3, 100, 60, 55}, QStringLiteral(":/formulas.svg"));
  BitBtn3->hide();
  Image1 = Picture(Panel1, {3, 155, 59, 57}, QStringLiteral(":/harmonics_label.svg"));
  UpDown1 = Spinner(Panel1, 10, 177, 1, 5, 1);
  Image2 = Picture(Panel1, {3, 215, 60, 20}, QStringLiteral(":/min_period_label.svg"));
  Edit6 = new QLineEdit(Panel1);
  Edit6->setGeometry(3, 235, 60, 21);
  Edit6->setReadOnly(true);
  // A narrow face and slim margins let the 60-pixel box show a period below 10 with all nine
  // decimals; longer texts scroll with the cursor.
  QFont narrow(QStringLiteral("Liberation Sans"));
  narrow.setPixelSize(10);
  Edit6->setFont(narrow);
  Edit6->setTextMargins(-2, 0, -2, 0);
  BitBtn5 = GlyphButton(Panel1, {3, 255, 20, 20}, QStringLiteral(":/halve.svg"));
  BitBtn7 = GlyphButton(Panel1, {23, 255, 20, 20}, QStringLiteral(":/double.svg"));
  BitBtn8 = GlyphButton(Panel1, {43, 255, 20, 20}, QStringLiteral(":/reset.svg"));
  Image7 = Picture(Panel1, {3, 275, 60, 50}, QStringLiteral(":/depth_label.svg"));
  ComboBox1 = new QComboBox(Panel1);
  ComboBox1->setGeometry(3, 300, 60, 21);
  // A slim arrow leaves the 60-pixel box room for six digits.
  ComboBox1->setStyleSheet(QStringLiteral(
      "QComboBox { padding-left: 3px; padding-right: 0px; }"
      " QComboBox::drop-down { width: 12px; border: 0px; }"
      " QComboBox::down-arrow { image: url(:/combo_arrow.svg); width: 7px; height: 4px; }"));
  ComboBox1->addItems({QStringLiteral("10000"),
                       QStringLiteral("50000"),
                       QStringLiteral("100000"),
                       QStringLiteral("500000"),
                       QStringLiteral("998888")});
  // The closed box keeps its 60 pixels; the open list is as wide as its widest item needs.
  QAbstractItemView* depthList = ComboBox1->view();
  depthList->setMinimumWidth(depthList->sizeHintForColumn(0) + 2 * depthList->frameWidth() +
                             kDepthListPadding);
  Image3 = Picture(Panel1, {3, 325, 60, 100}, QStringLiteral(":/x_marks_label.svg"));
  UpDown2 = Spinner(Panel1, 10, 345, 3, 101, 9);
  UpDown3 = Spinner(Panel1, 10, 398, 0, 9, 3);
  Image4 = Picture(Panel1, {3, 425, 60, 100}, QStringLiteral(":/y_marks_label.svg"));
  UpDown4 = Spinner(Panel1, 10, 446, 3, 101, 5);
  UpDown5 = Spinner(Panel1, 10, 498, 0, 9, 3);
  BitBtn4 = GlyphButton(Panel1, {3, 525, 40, 21}, QStringLiteral(":/magnifier.svg"));
  BitBtn6 = GlyphButton(Panel1, {43, 525, 20, 21}, QStringLiteral(":/alpha.svg"));
  Edit1 = BoxOf(UpDown1);
  Edit2 = BoxOf(UpDown2);
  Edit3 = BoxOf(UpDown3);
  Edit4 = BoxOf(UpDown4);
  Edit5 = BoxOf(UpDown5);

  // Pictures lie under the boxes that sit on them.
  for (QWidget* w : {static_cast<QWidget*>(UpDown1),
                     static_cast<QWidget*>(UpDown2),
                     static_cast<QWidget*>(UpDown3),
                     static_cast<QWidget*>(UpDown4),
                     static_cast<QWidget*>(UpDown5),
                     static_cast<QWidget*>(ComboBox1)}) {
    w->raise();
  }
  for (QWidget* w : {static_cast<QWidget*>(Image1),
                     static_cast<QWidget*>(Image2),
                     static_cast<QWidget*>(BitBtn3),
                     static_cast<QWidget*>(BitBtn4)}) {
    w->setMouseTracking(true);
  }
  // The find button holds the focus at start; the rest follow in the panel's order.
  const QList<QWidget*> order = {BitBtn2,
                                 BitBtn3,
                                 UpDown1,
                                 BitBtn1,
                                 BitBtn4,
                                 UpDown2,
                                 UpDown3,
                                 UpDown4,
                                 UpDown5,
                                 BitBtn6,
                                 Edit6,
                                 BitBtn5,
                                 BitBtn7,
                                 BitBtn8,
                                 ComboBox1};
  for (int i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
  BitBtn2->setFocus();
}

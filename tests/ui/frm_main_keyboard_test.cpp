// The window without a mouse: Tab from the run button reaches every text
// box in reading order, and a screen reader can name every control.

#include <QAccessible>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <tuple>

#include "frm_main.h"
#include "ui_test_support.h"

using namespace quelvane;
using namespace quelvane::testing;

namespace {

// Reading order: the frames column by column, each frame's boxes row by row.
auto ReadingPosition(const QWidget* box) {
  const QWidget* frame = box->parentWidget();
  return std::make_tuple(frame->x(), frame->y(), box->y(), box->x());
}

// How far apart two rectangles are; 0 when they touch or overlap.
double Gap(const QRect& a, const QRect& b) {
  const int dx = std::max({0, b.left() - a.right() - 1, a.left() - b.right() - 1});
  const int dy = std::max({0, b.top() - a.bottom() - 1, a.top() - b.bottom() - 1});
  return std::hypot(dx, dy);
}

QString AccessibleName(QWidget* control) {
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
  return accessible ? accessible->text(QAccessible::Name) : QString();
}

}  // namespace

class FrmMainKeyboardTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir folder_;
  std::unique_ptr<FakeVolumes> volumes_;
  std::unique_ptr<FrmMain> window_;

 private slots:
  void init() {
    volumes_ = std::make_unique<FakeVolumes>(std::vector<Volume>{{folder_.path(), {}}});
    window_ = std::make_unique<FrmMain>(*volumes_, folder_.path(), folder_.path());
    window_->show();
  }
  void cleanup() { window_.reset(); }

  void tabReachesEveryTextBoxInReadingOrder() {
    // As if every paragraph mode were chosen at once, so no box is skipped.
    QList<QLineEdit*> boxes = window_->findChildren<QLineEdit*>();
    for (QLineEdit* box : boxes) box->setEnabled(true);
    std::sort(boxes.begin(), boxes.end(),
              [](QWidget* a, QWidget* b) { return ReadingPosition(a) < ReadingPosition(b); });

    QWidget* const start = window_->findChild<QWidget*>("cmdTrim");
    QCOMPARE(window_->focusWidget(), start);
    QList<QLineEdit*> reached;
    QStringList visited;
    do {
      QTest::keyClick(window_->focusWidget(), Qt::Key_Tab);
      visited << window_->focusWidget()->objectName();
      if (auto* box = qobject_cast<QLineEdit*>(window_->focusWidget())) reached << box;
    } while (window_->focusWidget() != start && visited.size() < 100);
    QCOMPARE(window_->focusWidget(), start);  // the round ends where it began
    QCOMPARE(reached, boxes);
  }

  // A label's buddy is the box it names: one on its own row, or for a
  // heading above a block of boxes, the nearest box below it.
  void labelsAreBuddiesOfTheirBoxes() {
    for (QLabel* label : window_->findChildren<QLabel*>()) {
      if (label->text().isEmpty()) continue;  // lblCourse, the progress row
      const QRect caption = label->geometry();
      auto onRow = [&caption](const QWidget* box) {
        return box->y() <= caption.bottom() && caption.top() <= box->geometry().bottom();
      };
      const QList<QLineEdit*> boxes = label->parentWidget()->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly);
      auto* buddy = qobject_cast<QLineEdit*>(label->buddy());
      QVERIFY2(boxes.contains(buddy), qPrintable(label->objectName()));
      const QString pair = label->objectName() + " -> " + buddy->objectName();
      if (std::any_of(boxes.begin(), boxes.end(), onRow)) {
        QVERIFY2(onRow(buddy), qPrintable(pair));
        continue;
      }
      double nearest = 1e9;
      for (const QLineEdit* box : boxes) {
        if (box->y() > caption.bottom()) nearest = std::min(nearest, Gap(caption, box->geometry()));
      }
      QVERIFY2(buddy->y() > caption.bottom() && Gap(caption, buddy->geometry()) <= nearest, qPrintable(pair));
    }
  }

  // Names come from captions or short descriptions; the stops of the Tab
  // round must be told apart by name alone.
  void everyControlHasAName() {
    QStringList stops;
    for (QWidget* control : window_->findChildren<QWidget*>()) {
      const QString objectName = control->objectName();
      if (objectName.isEmpty() || objectName.startsWith("qt_")) continue;  // Qt's own parts of a control
      const QString name = AccessibleName(control);
      QVERIFY2(!name.isEmpty(), qPrintable(objectName));
      QVERIFY2(!name.contains('&'), qPrintable(name));
      if (control->focusPolicy() & Qt::TabFocus) {
        QVERIFY2(!stops.contains(name), qPrintable(name));
        stops << name;
      }
    }
    QCOMPARE(AccessibleName(window_->findChild<QWidget*>("txtAllT(2)")), QStringLiteral("整行相同：替换为 3"));
    QCOMPARE(AccessibleName(window_->findChild<QWidget*>("txtEnd(1)")), QStringLiteral("段尾取消文字"));
  }
};

QTEST_MAIN(FrmMainKeyboardTest)
#include "frm_main_keyboard_test.moc"

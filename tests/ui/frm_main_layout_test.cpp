// The window as it opens: every control where the user expects it, with its
// caption and start state, and the help text.

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "frm_main.h"
#include "help_text.h"
#include "message_box_answerer.h"
#include "ui_test_support.h"

using namespace quelvane;
using namespace quelvane::testing;

class FrmMainLayoutTest : public QObject {
  Q_OBJECT

 private:
  template <typename Control = QWidget>
  Control* Find(const QString& name) const {
    return window_->findChild<Control*>(name);
  }

  QTemporaryDir folder_;
  std::unique_ptr<FakeVolumes> volumes_;
  std::unique_ptr<FrmMain> window_;

 private slots:
  void init() {
    volumes_ = std::make_unique<FakeVolumes>(std::vector<Volume>{{folder_.path(), {}}});
    window_ = std::make_unique<FrmMain>(*volumes_, folder_.path(), folder_.path());
  }
  void cleanup() { window_.reset(); }

  void startStates() {
    QCOMPARE(window_->windowTitle(), QStringLiteral("Quelvane"));
    QCOMPARE(window_->size(), QSize(811, 535));
    for (const char* name : {"optParagraph", "optBlank"}) QVERIFY2(Find<QRadioButton>(name)->isChecked(), name);
    for (const char* name : {"optLink", "optDivide", "optDelete", "optAdd", "chkOrdinal"}) {
      QVERIFY2(!Find<QAbstractButton>(name)->isChecked(), name);
    }
    const QList<QLineEdit*> boxes = window_->findChildren<QLineEdit*>();
    QCOMPARE(boxes.size(), 36);
    for (const QLineEdit* box : boxes) QVERIFY2(box->text().isEmpty(), qPrintable(box->objectName()));
    QVERIFY(Find<QLabel>("lblCourse")->text().isEmpty());

    QStringList waiting{"chkOrdinal", "labDivide", "txtDivide"};
    for (int i = 0; i < 5; ++i) {
      waiting << QStringLiteral("labTop(%1)").arg(i) << QStringLiteral("txtLink(%1)").arg(i)
              << QStringLiteral("labLink(%1)").arg(i);
    }
    for (const QString& name : waiting) QVERIFY2(!Find(name)->isEnabled(), qPrintable(name));

    window_->show();
    QCOMPARE(window_->focusWidget(), Find("cmdTrim"));
    QCOMPARE(Find("cmdTrim")->nextInFocusChain(), Find("cmdExit"));
  }

  void captions() {
    const QList<std::pair<const char*, const char*>> captions{
        {"cmdTrim", "整理&T"}, {"cmdExit", "退出&X"}, {"labTop(3)", "以"}, {"labLink(1)", "开头视为整段"},
        {"labAll", "与左栏内容相同的行，整行替换为对应右栏中的内容"},
        {"labLeft", "以左栏内容开头的行，整行替换为对应右栏中的内容"},
        {"labRight", "以左栏内容结尾的行，整行替换为对应右栏中的内容"},
        {"optLink", "断行续接"}, {"chkOrdinal", "以序数词开头视为整段"}, {"optDivide", "等长分段"},
        {"labDivide", "分段后每段最多保留的字符数："}, {"optParagraph", "不调段落"},
        {"LabBegin(0)", "段首增加文字"}, {"LabEnd(0)", "段尾增加文字"}, {"LabBegin(1)", "段首取消文字"},
        {"LabEnd(1)", "段尾取消文字"}, {"optDelete", "删除空行"}, {"optAdd", "段间设行"}, {"optBlank", "不调空行"},
        {"labReplace", "替换为"}};
    for (const auto& [name, caption] : captions) QCOMPARE(Find(name)->property("text").toString(), caption);
    const QList<std::pair<const char*, const char*>> frames{{"frmAll", "整行替换"}, {"frmParagraph", "段落处理"},
        {"frmBegin", "首尾处理"}, {"frmBlank", "空行处理"}, {"frmReplace", "文字替换"}};
    for (const auto& [name, caption] : frames) QCOMPARE(Find<QGroupBox>(name)->title(), caption);
  }

  // A fixed layout must still leave every control whole and visible. Rows
  // a twip-row apart (the uneven txtRightS rows) may share a border line.
  void controlsStayInsideTheirContainersWithoutOverlap() {
    QList<QWidget*> containers{window_.get()};
    for (QGroupBox* frame : window_->findChildren<QGroupBox*>()) containers.push_back(frame);
    for (QWidget* container : containers) {
      const QList<QWidget*> controls = container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
      for (qsizetype i = 0; i < controls.size(); ++i) {
        const QString name = controls[i]->objectName();
        if (name.isEmpty()) continue;  // Qt's own parts of a control
        QVERIFY2(container->rect().contains(controls[i]->geometry()), qPrintable(name));
        for (qsizetype j = i + 1; j < controls.size(); ++j) {
          if (controls[j]->objectName().isEmpty()) continue;
          const QRect shared = controls[i]->geometry() & controls[j]->geometry();
          QVERIFY2(shared.isEmpty() || std::min(shared.width(), shared.height()) <= 1,
                   qPrintable(name + " / " + controls[j]->objectName()));
        }
      }
    }
  }

  // Captions are drawn at a fixed point size in a fixed layout, so each must
  // fit its control: at scale 1 and, as frm_main_layout_test_2x, at 2, where
  // the window is drawn with twice the pixels.
  void captionsFitAtTheScreensScale() {
    for (QAbstractButton* button : window_->findChildren<QAbstractButton*>()) {
      QStyleOptionButton option;
      option.initFrom(button);
      const QStyle::SubElement textArea = qobject_cast<QRadioButton*>(button) ? QStyle::SE_RadioButtonContents
                                          : qobject_cast<QCheckBox*>(button)  ? QStyle::SE_CheckBoxContents
                                                                              : QStyle::SE_PushButtonContents;
      QVERIFY2(button->fontMetrics().horizontalAdvance(QString(button->text()).remove('&')) <=
                   button->style()->subElementRect(textArea, &option, button).width(),
               qPrintable(button->objectName()));
    }
    for (QLabel* label : window_->findChildren<QLabel*>()) {
      QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width(),
               qPrintable(label->objectName()));
    }
    const qreal scale = qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble();
    QCOMPARE(window_->grab().size(), QSize(811, 535) * scale);
  }

  void backgrounds() {
    for (const char* name : {"txtLink(0)", "txtDivide"}) {
      auto* box = Find<QLineEdit>(name);
      box->setEnabled(true);
      QCOMPARE(box->palette().color(QPalette::Active, QPalette::Base),
               box->palette().color(QPalette::Active, QPalette::Button));
    }
    for (const char* name : {"txtBegin(1)", "txtEnd(0)", "txtReplaceS", "txtReplaceT"}) {
      auto* box = Find<QLineEdit>(name);
      QCOMPARE(box->palette().color(QPalette::Base), box->palette().color(QPalette::HighlightedText));
    }
  }

  void helpText() {
    const QString text = HelpText();
    QVERIFY(text.endsWith("\r\n"));
    QCOMPARE(text.count('\n'), text.count("\r\n"));
    const QStringList lines = text.chopped(2).split("\r\n");
    QCOMPARE(lines.size(), 46);
    // Each heading is followed by that many lines numbered "1." on, the
    // last ending in "。" and the others in "；".
    const QList<std::pair<QString, int>> sections{
        {"一、功能：", 0}, {"二、整理方式：", 15}, {"三、操作步骤：", 9}, {"四、注意事项：", 11}, {"五、软件信息：", 0}};
    for (const auto& [heading, numbered] : sections) {
      const qsizetype at = lines.indexOf(heading);
      QVERIFY2(at >= 0, qPrintable(heading));
      for (int n = 1; n <= numbered; ++n) {
        const QString& line = lines[at + n];
        QVERIFY2(QRegularExpression(QStringLiteral("^%1\\.[^ ].*%2$").arg(n).arg(n == numbered ? "。" : "；"))
                     .match(line).hasMatch(), qPrintable(line));
      }
    }
    QCOMPARE(lines.indexOf("五、软件信息："), 40);
    for (const char* fixed : {"2.检查文件列表；", "3.输入替换内容；", "9.确认整理。", "2.子文件夹内文件不会改动；",
                              "9.硬回车即视为一段；", "10.替换时区分大小写；", "11.整理不可恢复。"}) {
      QVERIFY2(lines.contains(fixed), fixed);
    }

    auto* help = Find<QPlainTextEdit>("txtHelp");
    QVERIFY(help->isReadOnly());
    QCOMPARE(help->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(help->toPlainText(), lines.join('\n') + '\n');
    QCOMPARE(help->verticalScrollBar()->value(), 0);
  }

  void mnemonicsPressTheButtons() {
    window_->show();
    window_->activateWindow();
    if (!QTest::qWaitForWindowActive(window_.get())) QSKIP("this platform does not activate windows");
    QSignalSpy trim(Find<QPushButton>("cmdTrim"), &QPushButton::clicked);
    QSignalSpy exit(Find<QPushButton>("cmdExit"), &QPushButton::clicked);
    MessageBoxAnswerer answerer({QMessageBox::Ok});  // the folder has no text files
    // A mnemonic presses its button visibly, so the click comes a moment later.
    QTest::keyClick(window_->windowHandle(), Qt::Key_T, Qt::AltModifier);
    QVERIFY(trim.count() == 1 || trim.wait());
    QCOMPARE(answerer.seen().size(), size_t{1});
    window_->activateWindow();  // back from the message box
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    QTest::keyClick(window_->windowHandle(), Qt::Key_X, Qt::AltModifier);
    QVERIFY(exit.count() == 1 || exit.wait());
    QVERIFY(!window_->isVisible());
  }
};

QTEST_MAIN(FrmMainLayoutTest)
#include "frm_main_layout_test.moc"

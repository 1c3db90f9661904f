#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "framework/classes/ClassRegistry.h"
#include "framework/classes/EventBinding.h"
#include "framework/classes/LayoutTableWriter.h"
#include "framework/picture/Picture.h"
#include "framework/runtime/MainThreadRule.h"
#include "framework/runtime/Thread.h"
#include "framework/runtime/ThreadAccessingUIException.h"
#include "framework/runtime/UnhandledException.h"
#include "framework/ui/Canvas.h"
#include "framework/ui/Label.h"
#include "framework/ui/MsgBox.h"
#include "framework/ui/ProgressWheel.h"
#include "framework/ui/PushButton.h"
#include "framework/ui/ShowURL.h"
#include "framework/ui/TextField.h"
#include "framework/ui/Window.h"
#include "tests/support/Waiting.h"
#include "tests/support/WorkerAttempts.h"

namespace {

// A shown window to put controls on, and a receiver for their events.
class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = std::make_shared<fw::Window>();
    fw::SetProperties(window, fw::LayoutTableWriter()
                                  .Int32("Width", 300)
                                  .Int32("Height", 200)
                                  .Bool("HasBackColor", true)
                                  .Color("BackColor", 0x3C3C3C)
                                  .Bytes());
    window->Show();
  }
  void TearDown() override {
    window->Close();
    fw::SetMainThreadRuleActive(false);
    fw::SetUnhandledReporter(nullptr);
    fw::SetMsgBoxHandler(nullptr);
    fw::SetShowURLHandler(nullptr);
  }

 public:
  // A control of kind T in the window, with table applied.
  template <class T>
  fw::Ref<T> Make(const std::string& name, const std::string& table = "") {
    auto c = window->New<T>();
    c->Constructor();
    window->AddControl(name, c);
    fw::SetProperties(c, table);
    return c;
  }

 protected:
  static void Click(QWidget* w, QPoint at) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), w->mapToGlobal(QPointF(at)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
  }

  fw::Ref<fw::Window> window;
};

// --- layout tables on each kind of control ---

struct TableCase {
  const char* what;
  std::function<fw::Ref<fw::RectControl>(ControlsTest&)>
      make;  // makes the control and applies a table
  std::function<void(fw::RectControl&)> check;
};

void PrintTo(const TableCase& c, std::ostream* os) { *os << c.what; }

class ControlTables : public ControlsTest, public ::testing::WithParamInterface<TableCase> {};

TEST_P(ControlTables, TableValuesReachTheWidget) {
  fw::Ref<fw::RectControl> c = GetParam().make(*this);
  ASSERT_TRUE(c);
  GetParam().check(*c);
}

fw::LayoutTableWriter Common(const std::string& name, bool visible = true, bool enabled = true) {
  fw::LayoutTableWriter w;
  w.String("Name", name)
      .Int32("Index", INT32_MIN)
      .Int32("Left", 20)
      .Int32("Top", 30)
      .Int32("Width", 120)
      .Int32("Height", 22)
      .Bool("LockLeft", true)
      .Bool("LockRight", false)
      .Int32("TabIndex", 4)
      .Bool("Visible", visible)
      .Bool("Enabled", enabled)
      .String("HelpTag", "help text");
  return w;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ControlTables,
    ::testing::Values(TableCase{"RectControl values on a text field",
                                [](ControlsTest& t) {
                                  return t.Make<fw::TextField>("F", Common("F", true, false));
                                },
                                [](fw::RectControl& c) {
                                  EXPECT_EQ(c.Widget()->geometry(), QRect(20, 30, 120, 22));
                                  EXPECT_FALSE(c.Widget()->isEnabled());
                                  EXPECT_TRUE(c.Widget()->isVisible());
                                  EXPECT_EQ(c.Widget()->toolTip().toStdString(), "help text");
                                  EXPECT_EQ(c.TabIndex(), 4);
                                  EXPECT_EQ(c.Index(), INT32_MIN);
                                  EXPECT_EQ(c.Name(), "F");
                                }},
                      TableCase{"invisible control stays hidden in a shown window",
                                [](ControlsTest& t) {
                                  return t.Make<fw::ProgressWheel>("W", Common("W", false, false));
                                },
                                [](fw::RectControl& c) {
                                  EXPECT_FALSE(c.Widget()->isVisible());
                                  EXPECT_FALSE(c.Visible());
                                  EXPECT_FALSE(c.Enabled());
                                }},
                      TableCase{"text field texts and states",
                                [](ControlsTest& t) {
                                  return t.Make<fw::TextField>("F",
                                                               Common("F")
                                                                   .Bool("Border", false)
                                                                   .Bool("Password", true)
                                                                   .Color("TextColor", 0x102030)
                                                                   .Color("BackColor", 0xFFFFFF)
                                                                   .String("CueText", "myblogpics")
                                                                   .String("Text", "1")
                                                                   .Bool("ReadOnly", true)
                                                                   .Int32("LimitText", 5)
                                                                   .Int32("Alignment", 3)
                                                                   .String("Mask", "")
                                                                   .Bool("UseFocusRing", false));
                                },
                                [](fw::RectControl& c) {
                                  auto& f = dynamic_cast<fw::TextField&>(c);
                                  QLineEdit* e = f.Edit();
                                  EXPECT_EQ(f.Text(), "1");
                                  EXPECT_EQ(e->text().toStdString(), "1");
                                  EXPECT_EQ(e->placeholderText().toStdString(), "myblogpics");
                                  EXPECT_TRUE(e->isReadOnly());
                                  EXPECT_FALSE(e->hasFrame());
                                  EXPECT_EQ(e->echoMode(), QLineEdit::Password);
                                  EXPECT_EQ(e->maxLength(), 5);
                                  EXPECT_TRUE(e->alignment() & Qt::AlignRight);
                                  EXPECT_EQ(e->palette().color(QPalette::Active, QPalette::Text),
                                            QColor(0x10, 0x20, 0x30));
                                  EXPECT_EQ(e->palette().color(QPalette::Active, QPalette::Base),
                                            QColor(Qt::white));
                                  EXPECT_FALSE(f.UseFocusRing());
                                }},
                      TableCase{"button caption, default and cancel",
                                [](ControlsTest& t) {
                                  return t.Make<fw::PushButton>("B", Common("B")
                                                                         .String("Caption", "&Go")
                                                                         .Bool("Default", true)
                                                                         .Bool("Cancel", false)
                                                                         .Int32("ButtonStyle", 3)
                                                                         .Bool("Bold", true));
                                },
                                [](fw::RectControl& c) {
                                  auto& b = dynamic_cast<fw::PushButton&>(c);
                                  EXPECT_EQ(b.Button()->text().toStdString(), "&Go");
                                  EXPECT_TRUE(b.Button()->isDefault());
                                  EXPECT_TRUE(b.Default());
                                  EXPECT_FALSE(b.Cancel());
                                  EXPECT_TRUE(b.Button()->font().bold());
                                  EXPECT_EQ(b.ButtonStyle(), 3);
                                }},
                      TableCase{
                          "label text, colour, alignment, wrapping",
                          [](ControlsTest& t) {
                            return t.Make<fw::Label>("L", Common("L")
                                                              .String("Text", "Pictures saved: ")
                                                              .Int32("TextAlign", 1)
                                                              .Color("TextColor", 0xFF5200)
                                                              .Bool("Multiline", true)
                                                              .Bool("Selectable", true)
                                                              .Bool("Italic", true));
                          },
                          [](fw::RectControl& c) {
                            auto& l = dynamic_cast<fw::Label&>(c);
                            QLabel* q = l.LabelWidget();
                            EXPECT_EQ(q->text().toStdString(), "Pictures saved: ");
                            EXPECT_EQ(q->textFormat(), Qt::PlainText);
                            EXPECT_TRUE(q->alignment() & Qt::AlignHCenter);
                            EXPECT_TRUE(q->wordWrap());
                            EXPECT_EQ(q->palette().color(QPalette::Active, QPalette::WindowText),
                                      QColor(0xFF, 0x52, 0x00));
                            EXPECT_TRUE(q->textInteractionFlags() & Qt::TextSelectableByMouse);
                            EXPECT_TRUE(q->font().italic());
                            EXPECT_FALSE(q->focusPolicy() & Qt::TabFocus);
                          }},
                      TableCase{"canvas focus and erasing",
                                [](ControlsTest& t) {
                                  return t.Make<fw::Canvas>("C", Common("C")
                                                                     .Bool("AcceptFocus", false)
                                                                     .Bool("EraseBackground", false)
                                                                     .Bool("DoubleBuffer", false));
                                },
                                [](fw::RectControl& c) {
                                  EXPECT_EQ(c.Widget()->focusPolicy(), Qt::NoFocus);
                                  EXPECT_FALSE(c.Widget()->autoFillBackground());
                                }}));

TEST_F(ControlsTest, ValuesSetBeforeConstructorTakeEffectThenAndTheWidgetShowsOnlyInItsWindow) {
  auto f = window->New<fw::TextField>();
  fw::SetProperties(f, Common("F").String("Text", "early").Bytes());
  EXPECT_FALSE(f->Widget()->isVisible());  // not a window of its own
  f->Constructor();
  EXPECT_EQ(f->Widget()->parentWidget(), window->ContentWidget());
  EXPECT_TRUE(f->Widget()->isVisible());
  EXPECT_EQ(f->Widget()->geometry(), QRect(20, 30, 120, 22));
  EXPECT_EQ(f->Text(), "early");
}

TEST_F(ControlsTest, ConstructorWithoutAWindowRaises) {
  auto f = std::make_shared<fw::TextField>();
  EXPECT_THROW(f->Constructor(), fw::NilObjectException);
}

TEST_F(ControlsTest, TextUnitAndSizeGiveTheFont) {
  auto l = Make<fw::Label>("L");
  const QFont standard = QGuiApplication::font();
  l->SetTextUnit(uint8_t{0});
  EXPECT_EQ(l->LabelWidget()->font().pointSizeF(),
            standard.pointSizeF());  // toolkit's default size
  l->SetTextSize(12);
  l->SetTextUnit(uint8_t{1});
  EXPECT_EQ(l->LabelWidget()->font().pixelSize(), 12);
  l->SetTextUnit(uint8_t{2});
  EXPECT_EQ(l->LabelWidget()->font().pointSizeF(), 12.0);
  l->SetTextUnit(uint8_t{3});
  EXPECT_EQ(l->LabelWidget()->font().pointSizeF(), 12.0 * 72);
  l->SetTextSize(0);
  EXPECT_EQ(l->LabelWidget()->font().pointSizeF(), standard.pointSizeF());
  fw::SetProperties(l, fw::LayoutTableWriter().String("TextFont", "System").Bytes());
  EXPECT_EQ(l->LabelWidget()->font().family(), standard.family());
}

// --- events ---

struct Receiver {
  std::vector<std::string> seen;
  bool answer = true;
  void Action(fw::PushButton& b) { seen.push_back("Action " + b.Caption()); }
  void TextChange(fw::TextField& f) { seen.push_back("TextChange " + f.Text()); }
  bool LabelDown(fw::Label&, int32_t x, int32_t y) {
    seen.push_back("Label " + std::to_string(x) + "," + std::to_string(y));
    return answer;
  }
  bool CanvasDown(fw::Canvas&, int32_t x, int32_t y) {
    seen.push_back("Canvas " + std::to_string(x) + "," + std::to_string(y));
    return answer;
  }
  void Fail(fw::PushButton&) { throw fw::NilObjectException("in the handler"); }
};

TEST_F(ControlsTest, UnboundEventsDoNothingAndUnboundMouseDownYieldsFalse) {
  auto label = Make<fw::Label>("L", Common("L").Bytes());
  auto canvas = Make<fw::Canvas>("C", Common("C").Bytes());
  auto button = Make<fw::PushButton>("B", Common("B").Bytes());
  EXPECT_FALSE(label->MouseDown(1, 2));
  EXPECT_FALSE(canvas->MouseDown(1, 2));
  button->Push();
  Click(label->Widget(), {3, 4});
}

TEST_F(ControlsTest, BoundHandlersRunWithTheirSenderAndResult) {
  auto r = std::make_shared<Receiver>();
  auto label = Make<fw::Label>("L", Common("L").Bytes());
  auto canvas = Make<fw::Canvas>("C", Common("C").Bytes());
  auto button = Make<fw::PushButton>("B", Common("B").String("Caption", "Go").Bytes());
  auto field = Make<fw::TextField>("F", Common("F").Bytes());
  fw::RuntimeAddEventHandler(label, "MouseDown",
                             fw::RuntimeCreateDelegate(&Receiver::LabelDown, r));
  fw::RuntimeAddEventHandler(canvas, "MouseDown",
                             fw::RuntimeCreateDelegate(&Receiver::CanvasDown, r));
  fw::RuntimeAddEventHandler(button, "Action", fw::RuntimeCreateDelegate(&Receiver::Action, r));
  fw::RuntimeAddEventHandler(field, "TextChange",
                             fw::RuntimeCreateDelegate(&Receiver::TextChange, r));

  Click(label->Widget(), {3, 4});
  Click(canvas->Widget(), {5, 6});
  button->Button()->click();
  field->SetText("typed");
  EXPECT_EQ(r->seen,
            (std::vector<std::string>{"Label 3,4", "Canvas 5,6", "Action Go", "TextChange typed"}));
  EXPECT_TRUE(label->MouseDown(0, 0));
  r->answer = false;
  EXPECT_FALSE(canvas->MouseDown(0, 0));

  fw::RuntimeAddEventHandler(button, "Action", nullptr);  // unbound again
  r->seen.clear();
  button->Push();
  EXPECT_TRUE(r->seen.empty());
}

TEST_F(ControlsTest, BindingChecksTheEventAndTheHandler) {
  auto r = std::make_shared<Receiver>();
  auto button = Make<fw::PushButton>("B");
  auto label = Make<fw::Label>("L");
  EXPECT_THROW(fw::RuntimeAddEventHandler(button, "MouseDown",
                                          fw::RuntimeCreateDelegate(&Receiver::Action, r)),
               fw::RuntimeException);
  EXPECT_THROW(fw::RuntimeAddEventHandler(label, "MouseDown",
                                          fw::RuntimeCreateDelegate(&Receiver::CanvasDown, r)),
               fw::RuntimeException);
}

TEST_F(ControlsTest, ExceptionEscapingAHandlerIsReportedNotPassedIntoTheToolkit) {
  std::vector<std::string> reports;
  fw::SetUnhandledReporter(
      [&](std::exception_ptr e, std::string_view) { reports.push_back(fw::DescribeException(e)); });
  auto r = std::make_shared<Receiver>();
  auto button = Make<fw::PushButton>("B");
  fw::RuntimeAddEventHandler(button, "Action", fw::RuntimeCreateDelegate(&Receiver::Fail, r));
  button->Button()->click();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find("NilObjectException"), std::string::npos);
}

TEST_F(ControlsTest, HandlerThatClosesAndFreesTheWindowFromItsOwnButton) {
  struct Closer {
    std::weak_ptr<fw::Window> w;
    void Action(fw::PushButton&) { w.lock()->Close(); }
  };
  auto closer = std::make_shared<Closer>();
  auto other = std::make_shared<fw::Window>();
  other->Show();
  closer->w = other;
  auto b = other->New<fw::PushButton>();
  b->Constructor();
  other->AddControl("B", b);
  fw::RuntimeAddEventHandler(b, "Action", fw::RuntimeCreateDelegate(&Closer::Action, closer));
  QPointer<QPushButton> q = b->Button();
  std::weak_ptr<fw::Window> weak = other;
  b.reset();
  other.reset();
  q->click();  // the window and the button go while the click is delivered
  EXPECT_TRUE(weak.expired());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(q.isNull());
}

// --- canvas and wheel ---

TEST_F(ControlsTest, CanvasPaintsItsBackdropWithTheMaskAsTransparency) {
  auto pic = std::make_shared<fw::Picture>(4, 4);
  pic->MutableImage().fill(QColor(200, 0, 0));
  QImage& mask = pic->Mask(true)->MutableImage();                   // black: opaque
  for (int y = 0; y < 4; ++y) mask.setPixelColor(0, y, Qt::white);  // left column transparent
  auto canvas = Make<fw::Canvas>("C", Common("C").Bool("EraseBackground", true).Bytes());
  canvas->SetBackdrop(pic);
  EXPECT_EQ(canvas->Backdrop(), pic);

  const QImage shot = window->ContentWidget()->grab().toImage();
  EXPECT_EQ(shot.pixelColor(20 + 2, 30 + 2), QColor(200, 0, 0));
  EXPECT_EQ(shot.pixelColor(20, 30 + 2), QColor(0x3C, 0x3C, 0x3C));
  EXPECT_EQ(shot.pixelColor(20 + 10, 30 + 10), QColor(0x3C, 0x3C, 0x3C));  // past the picture

  canvas->SetBackdrop(nullptr);
  EXPECT_EQ(window->ContentWidget()->grab().toImage().pixelColor(22, 32), QColor(0x3C, 0x3C, 0x3C));
}

TEST_F(ControlsTest, ProgressWheelTurnsOnlyWhileVisibleAndEnabled) {
  auto wheel = Make<fw::ProgressWheel>("W", Common("W", false, false).Bytes());
  EXPECT_FALSE(wheel->Spinning());
  wheel->SetVisible(true);
  EXPECT_FALSE(wheel->Spinning());
  wheel->SetEnabled(true);
  EXPECT_TRUE(wheel->Spinning());
  wheel->SetVisible(false);
  EXPECT_FALSE(wheel->Spinning());
  const QImage shot = [&] {
    wheel->SetVisible(true);
    return wheel->Widget()->grab().toImage();
  }();
  EXPECT_FALSE(shot.isNull());
}

// --- the main-thread rule, message box and web addresses ---

TEST_F(ControlsTest, ControlSettersAndMsgBoxOnAWorkerRaiseButShowURLDoesNot) {
  auto field = Make<fw::TextField>("F");
  auto label = Make<fw::Label>("L");
  std::vector<std::string> boxes, urls;
  fw::SetMsgBoxHandler([&](const std::string& t) { boxes.push_back(t); });
  fw::SetShowURLHandler([&](const std::string& u) { urls.push_back(u); });
  fw::SetMainThreadRuleActive(true);
  const std::vector<std::string> raised = testsupport::RaisedOnWorker({
      {"ReadOnly", [&] { field->SetReadOnly(true); }},
      {"Text get", [&] { (void)field->Text(); }},
      {"Label", [&] { label->SetText("x"); }},
      {"TextUnit", [&] { label->SetTextUnit(uint8_t{0}); }},
      {"Visible", [&] { label->SetVisible(false); }},
      {"MsgBox", [&] { fw::MsgBox("from a worker"); }},
      {"ShowURL", [&] { fw::ShowURL("http://worker.example/"); }},
  });
  EXPECT_EQ(raised, (std::vector<std::string>{"ReadOnly", "Text get", "Label", "TextUnit",
                                              "Visible", "MsgBox"}));
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(urls, (std::vector<std::string>{"http://worker.example/"}));
  EXPECT_FALSE(field->ReadOnly());
}

TEST_F(ControlsTest, MsgBoxAndShowURLGoToTheirHandlers) {
  std::vector<std::string> boxes, urls;
  fw::SetMsgBoxHandler([&](const std::string& t) { boxes.push_back(t); });
  fw::SetShowURLHandler([&](const std::string& u) { urls.push_back(u); });
  fw::MsgBox("Enter a Tumblr blogadress!");
  fw::ShowURL("https://maker.example/");
  EXPECT_EQ(boxes, (std::vector<std::string>{"Enter a Tumblr blogadress!"}));
  EXPECT_EQ(urls, (std::vector<std::string>{"https://maker.example/"}));
}

}  // namespace

#include "UIKitTest.h"

#include "platform/uikit/alert_view.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/interactive_host.h"
#include "platform/uikit/key_input.h"
#include "platform/uikit/label.h"
#include "platform/uikit/offscreen_host.h"
#include "platform/uikit/pan_gesture_recognizer.h"
#include "platform/uikit/pinch_gesture_recognizer.h"
#include "platform/uikit/pointer_gestures.h"
#include "platform/uikit/test_driver.h"
#include "platform/uikit/text_field.h"
#include "platform/uikit/text_view.h"
#include "platform/uikit/window.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QInputMethodQueryEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QWindow>

#include <utility>

namespace {

using ui::Color;
using ui::Rect;

// Changes its colour each time it is laid out, as a frame lays it out.
class Relaying : public ui::View {
public:
    using ui::View::View;
    void layoutSubviews() override {
        ui::View::layoutSubviews();
        setBackgroundColor(++layouts % 2 ? Color::redColor() : Color::greenColor());
    }
    int layouts = 0;
};

// A minimal text input: takes typed text and the input method's composition.
class TextBox : public ui::View, public ui::KeyInput {
public:
    using View::View;
    QString text;
    QString marked;
    std::vector<QString> markedSteps;
    bool canBecomeFirstResponder() const override { return true; }
    bool hasText() const override { return !text.isEmpty(); }
    void insertText(const QString& typed) override {
        marked.clear();
        text += typed;
    }
    void deleteBackward() override { text.chop(1); }
    void setMarkedText(const QString& composing, ui::Range) override {
        marked = composing;
        if (!composing.isEmpty()) markedSteps.push_back(composing);
    }
    void unmarkText() override {
        text += marked;
        marked.clear();
    }
    void moveCaret(ui::CaretMovement movement) override { moves.push_back(movement); }
    QString shownText() const override { return text; }
    std::vector<ui::CaretMovement> moves;
};

class HostTest : public UIKitTest {
protected:
    void SetUp() override {
        UIKitTest::SetUp();
        window = std::make_shared<ui::Window>();
        window->setBackgroundColor(Color::colorWithWhite(0.92));
    }

    // A small screen: a title bar, a card with a stretched background, a label,
    // a button and an image.
    void buildSampleScreen() {
        QImage bubble(20, 20, QImage::Format_ARGB32);
        bubble.fill(Qt::transparent);
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 20; ++x) {
                const bool edge = x < 2 || y < 2 || x > 17 || y > 17;
                bubble.setPixel(x, y, edge ? qRgb(86, 186, 34) : qRgb(255, 255, 255));
            }
        }
        auto bar = std::make_shared<ui::View>(Rect{0, 0, 320, 64});
        bar->setBackgroundColor(Color::rgb(86, 186, 34));
        bar->setTag(10101);
        auto title = std::make_shared<ui::Label>(Rect{0, 20, 320, 44});
        title->setText(QStringLiteral("房源列表"));
        title->setFont(ui::Font::boldSystemFontOfSize(18));
        title->setTextColor(Color::colorWithWhite(245 / 255.0));
        title->setTextAlignment(ui::TextAlignment::Center);
        bar->addSubview(title);
        window->addSubview(bar);

        auto card = std::make_shared<ui::ImageView>(Rect{10, 80, 300, 120});
        card->setImage(ui::Image::imageWithQImage(bubble)->stretchableImageWithLeftCapWidth(8, 8));
        card->setUserInteractionEnabled(true);
        window->addSubview(card);
        auto text = std::make_shared<ui::Label>(Rect{12, 10, 276, 60});
        text->setNumberOfLines(2);
        text->setFont(ui::Font::systemFontOfSize(14));
        text->setTextColor(Color::rgb(51, 51, 51));
        text->setText(QStringLiteral(
            "该信息是放心房，经纪人承诺房源真实有效！欢迎随时来电咨询看房，周末也可预约。"));
        card->addSubview(text);
        auto price = std::make_shared<ui::Label>(Rect{12, 80, 276, 20});
        price->setFont(ui::Font::boldSystemFontOfSize(12));
        price->setTextColor(Color::rgb(247, 127, 0));
        price->setTextAlignment(ui::TextAlignment::Right);
        price->setText(QStringLiteral("1200元/月"));
        card->addSubview(price);

        auto button = std::make_shared<ui::Button>(Rect{60, 220, 200, 40});
        button->setTitle(QStringLiteral("获取更多信息"), ui::kControlStateNormal);
        button->setBackgroundImage(ui::Image::imageWithColor(Color::rgb(247, 127, 0)),
                                   ui::kControlStateNormal);
        button->layer()->setCornerRadius(6);
        button->setClipsToBounds(true);
        button->setTag(6581);
        window->addSubview(button);

        auto badge = std::make_shared<ui::View>(Rect{270, 230, 22, 22});
        badge->setBackgroundColor(Color::redColor());
        badge->layer()->setCornerRadius(11);
        badge->layer()->setBorderWidth(2);
        badge->layer()->setBorderColor(Color::whiteColor());
        window->addSubview(badge);
    }

    // What the desktop's input method hears when it asks the host's window.
    static QVariant askInputMethod(QWindow* native, Qt::InputMethodQuery query) {
        QInputMethodQueryEvent event(query);
        QCoreApplication::sendEvent(native, &event);
        return event.value(query);
    }
    // A frame of the display link, after which the host has told the input method what
    // changed.
    void nextFrame() {
        clock().advance(50ms);
        QCoreApplication::processEvents();
    }

    std::shared_ptr<ui::Window> window;
};

TEST_F(HostTest, ScreenshotOfASmallTreeMatchesTheReference) {
    buildSampleScreen();
    ui::OffscreenHost host(window);
    auto image = host.render();
    EXPECT_EQ(image->pixels().size(), QSize(640, 960));
    EXPECT_TRUE(matchesReference(image->pixels(), QStringLiteral("sample_screen.png")));

    // The same through the test driver, at scale 1.
    ui::TestDriver driver(window);
    EXPECT_TRUE(
        matchesReference(driver.screenshot(1)->pixels(), QStringLiteral("sample_screen@1x.png")));

    const QString path = sandboxPath() + QStringLiteral("/shots/screen.png");
    ASSERT_TRUE(host.renderToFile(path));
    EXPECT_EQ(QImage(path).size(), QSize(640, 960));
}

TEST_F(HostTest, LineBreakModesMatchTheReference) {
    const ui::LineBreakMode modes[] = {
        ui::LineBreakMode::WordWrap,     ui::LineBreakMode::CharacterWrap,
        ui::LineBreakMode::Clip,         ui::LineBreakMode::TruncateHead,
        ui::LineBreakMode::TruncateTail, ui::LineBreakMode::TruncateMiddle};
    double y = 0;
    for (auto mode : modes) {
        for (int lines : {1, 2}) {
            auto label = std::make_shared<ui::Label>(Rect{5, y, 150, 36});
            label->setFont(ui::Font::systemFontOfSize(13));
            label->setNumberOfLines(lines);
            label->setLineBreakMode(mode);
            label->setBackgroundColor(Color::whiteColor());
            label->setText(QStringLiteral(
                "Housing 租房 合租房 二手房 brokers answer needs 经纪人承诺房源真实有效"));
            window->addSubview(label);
            y += 39;
        }
    }
    EXPECT_TRUE(matchesReference(ui::OffscreenHost(window, 1).render()->pixels(),
                                 QStringLiteral("line_break_modes.png")));
}

TEST_F(HostTest, DriverFindsTapsDragsAndReads) {
    buildSampleScreen();
    ui::TestDriver driver(window);
    ASSERT_NE(driver.findByTag(6581), nullptr);
    EXPECT_EQ(driver.findByTag(6581)->className(), "Button");
    EXPECT_EQ(driver.findByText(QStringLiteral("获取更多信息")), driver.findByTag(6581));
    EXPECT_EQ(driver.findByClassName("ImageView"),
              driver.findAll([](ui::View& v) { return v.className() == "ImageView"; }).front());
    EXPECT_NE(driver.find<ui::Label>(
                  [](ui::Label& l) { return l.text().startsWith(QStringLiteral("1200")); }),
              nullptr);
    // What a label shows, cut as drawn.
    auto* text = driver.find<ui::Label>([](ui::Label& l) { return l.numberOfLines() == 2; });
    const QString shown = driver.textOf(text);
    EXPECT_EQ(shown.count('\n'), 1);
    EXPECT_TRUE(shown.endsWith(QStringLiteral("…")));
    EXPECT_EQ(driver.findByAccessibilityLabel(QStringLiteral("房源列表")),
              driver.find<ui::Label>());
    driver.findByTag(6581)->setAccessibilityLabel(QStringLiteral("more"));
    EXPECT_EQ(driver.findByAccessibilityLabel(QStringLiteral("more")), driver.findByTag(6581));

    int presses = 0;
    auto* button = static_cast<ui::Button*>(driver.findByTag(6581));
    button->addTarget(this, ui::kControlEventTouchUpInside,
                      [&](ui::Control&, const ui::Event*) { ++presses; });
    EXPECT_TRUE(driver.tapText(QStringLiteral("获取更多信息")));
    EXPECT_EQ(presses, 1);
    // Tapping the title label reaches the button that holds it.
    EXPECT_TRUE(driver.tap(button->titleLabel()));
    EXPECT_EQ(presses, 2);
    // A view covered by another is not tapped.
    auto cover = std::make_shared<ui::View>(Rect{0, 200, 320, 100});
    window->addSubview(cover);
    EXPECT_FALSE(driver.tap(button));
    EXPECT_EQ(presses, 2);
    cover->setHidden(true);
    EXPECT_EQ(driver.findByText(QStringLiteral("nothing")), nullptr);

    std::vector<ui::Point> pans;
    auto pan = std::make_shared<ui::PanGestureRecognizer>(this, [&](ui::GestureRecognizer& r) {
        pans.push_back(static_cast<ui::PanGestureRecognizer&>(r).translationInView(nullptr));
    });
    window->addGestureRecognizer(pan);
    driver.drag({20, 300}, {120, 300});
    EXPECT_EQ(pans.back(), (ui::Point{100, 0}));
    window->removeGestureRecognizer(pan.get());

    double scale = 0;
    auto pinch = std::make_shared<ui::PinchGestureRecognizer>(this, [&](ui::GestureRecognizer& r) {
        scale = static_cast<ui::PinchGestureRecognizer&>(r).scale();
    });
    window->addGestureRecognizer(pinch);
    driver.pinch({160, 300}, 50, 150);
    EXPECT_NEAR(scale, 3, 1e-9);
}

TEST_F(HostTest, DriverTypesIntoTheFirstResponderWithTheInputMethod) {
    auto box = std::make_shared<TextBox>(Rect{0, 0, 100, 30});
    window->addSubview(box);
    ui::TestDriver driver(window);
    EXPECT_FALSE(driver.type(QStringLiteral("ignored")));  // nobody takes text yet
    ASSERT_TRUE(box->becomeFirstResponder());
    EXPECT_TRUE(driver.type(QStringLiteral("abc")));
    EXPECT_TRUE(driver.pressBackspace());
    EXPECT_TRUE(driver.compose(
        {QStringLiteral("zu"), QStringLiteral("租"), QStringLiteral("租f"), QStringLiteral("租房")},
        QStringLiteral("租房")));
    EXPECT_EQ(box->text, QStringLiteral("ab租房"));
    EXPECT_EQ(box->markedSteps.size(), 4u);
    EXPECT_TRUE(box->marked.isEmpty());
    EXPECT_EQ(driver.textOf(box.get()), QStringLiteral("ab租房"));
}

TEST_F(HostTest, InteractiveHostTurnsMouseIntoTouchesAndKeysIntoText) {
    auto button = std::make_shared<ui::Button>(Rect{100, 100, 100, 50});
    int presses = 0;
    button->addTarget(this, ui::kControlEventTouchUpInside,
                      [&](ui::Control&, const ui::Event*) { ++presses; });
    window->addSubview(button);
    auto box = std::make_shared<TextBox>(Rect{0, 300, 320, 40});
    window->addSubview(box);

    ui::InteractiveHost host(window);
    host.show();
    EXPECT_TRUE(window->isKeyWindow());
    QWindow* native = host.nativeWindow();
    ASSERT_NE(native, nullptr);
    const double zoom = host.zoom();
    EXPECT_EQ(native->size(), QSize(int(320 * zoom), int(480 * zoom)));

    const QPointF inside(150 * zoom, 120 * zoom);
    QMouseEvent press(QEvent::MouseButtonPress, inside, inside, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, inside, inside, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(native, &press);
    EXPECT_TRUE(button->isHighlighted());
    QCoreApplication::sendEvent(native, &release);
    EXPECT_EQ(presses, 1);

    ASSERT_TRUE(box->becomeFirstResponder());
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QCoreApplication::sendEvent(native, &key);
    QKeyEvent back(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QCoreApplication::sendEvent(native, &back);
    QCoreApplication::sendEvent(native, &key);
    QInputMethodEvent composing(QStringLiteral("fang"), {});
    QCoreApplication::sendEvent(native, &composing);
    EXPECT_EQ(box->marked, QStringLiteral("fang"));
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("房"));
    QCoreApplication::sendEvent(native, &commit);
    EXPECT_EQ(box->text, QStringLiteral("a房"));
    // The arrows, Home and End move the caret and type nothing.
    for (const Qt::Key moving :
         {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down, Qt::Key_Home, Qt::Key_End}) {
        QKeyEvent arrow(QEvent::KeyPress, moving, Qt::NoModifier);
        QCoreApplication::sendEvent(native, &arrow);
    }
    using ui::CaretMovement;
    EXPECT_EQ(box->moves,
              (std::vector{CaretMovement::Left, CaretMovement::Right, CaretMovement::Up,
                           CaretMovement::Down, CaretMovement::LineStart, CaretMovement::LineEnd}));
    EXPECT_EQ(box->text, QStringLiteral("a房"));

    // Frames come from the display link on the clock, only when something changed; while
    // nothing does, the link sleeps and the clock runs nothing.
    runMainLoopUntil(
        [&] {
            clock().advance(50ms);
            return host.frameCount() > 0;
        },
        2s);
    clock().advance(1s);
    drainMainLoop();
    const int asked = host.framesAsked();
    const std::uint64_t actions = clock().actionsRun();
    clock().advance(10s);
    drainMainLoop();
    EXPECT_EQ(host.framesAsked(), asked);
    EXPECT_EQ(clock().actionsRun(), actions);
    const int before = host.frameCount();
    button->setBackgroundColor(Color::blueColor());
    clock().advance(50ms);
    EXPECT_EQ(host.framesAsked(), asked + 1) << "the change woke the link";
    runMainLoopUntil([&] { return host.frameCount() > before; }, 2s);
    EXPECT_GT(host.frameCount(), before);
    // The frame's own drawing changes nothing that asks for another, nor wakes the link
    // that fell asleep before the desktop let the frame be drawn.
    clock().advance(1s);
    drainMainLoop();
    EXPECT_EQ(host.framesAsked(), asked + 1);
    auto relaying = std::make_shared<Relaying>(Rect{0, 400, 50, 50});
    window->addSubview(relaying);
    clock().advance(50ms);
    const int frames = host.frameCount();
    const int layouts = relaying->layouts;
    runMainLoopUntil([&] { return host.frameCount() > frames; }, 2s);
    ASSERT_GT(relaying->layouts, layouts) << "laid out as the frame was drawn";
    const std::uint64_t drawn = clock().actionsRun();
    clock().advance(1s);
    drainMainLoop();
    EXPECT_EQ(clock().actionsRun(), drawn);
    EXPECT_EQ(host.framesAsked(), asked + 2);
    // Nor, drawn while the link is still awake, does it ask for another frame.
    relaying->setNeedsLayout();
    clock().advance(20ms);  // one tick, which asks for the frame
    EXPECT_EQ(host.framesAsked(), asked + 3);
    const int shown = host.frameCount();
    runMainLoopUntil([&] { return host.frameCount() > shown; }, 2s);
    clock().advance(1s);
    drainMainLoop();
    EXPECT_EQ(host.framesAsked(), asked + 3);
    host.close();
    EXPECT_FALSE(host.isVisible());
}

// A key brings a character of two units (an emoji), a letter with its marks, a joined family:
// each goes in whole, in a field and in a text view, and the caret then steps over it whole.
// Other scripts arrive as before; the control characters of Tab, Escape, Delete and keys held
// with Ctrl type nothing, nor does half a pair of surrogates.
TEST_F(HostTest, TheDesktopsKeysTypeEveryCharacterWholeAndNoControlCharacter) {
    auto field = std::make_shared<ui::TextField>(Rect{10, 60, 300, 30});
    auto view = std::make_shared<ui::TextView>(Rect{10, 120, 300, 100});
    window->addSubview(field);
    window->addSubview(view);
    ui::InteractiveHost host(window);
    host.show();
    QWindow* native = host.nativeWindow();
    const auto press = [&](const QString& text, Qt::Key key = Qt::Key_unknown) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(native, &event);
    };
    const QString grin = QString::fromUcs4(U"\U0001F600");
    const QString accented = QStringLiteral("e\u0301");
    const QString family = QString::fromUcs4(U"\U0001F468\u200D\U0001F469\u200D\U0001F467");

    const std::pair<ui::TextInput*, ui::Responder*> inputs[] = {{field.get(), field.get()},
                                                                {view.get(), view.get()}};
    for (const auto& [input, responder] : inputs) {
        SCOPED_TRACE(responder == field.get() ? "the field" : "the text view");
        ASSERT_TRUE(responder->becomeFirstResponder());
        press("a", Qt::Key_A);
        press(grin);
        press("b", Qt::Key_B);
        EXPECT_EQ(input->text(), "a" + grin + "b");
        EXPECT_EQ(input->selectedRange(), (ui::Range{4, 0}));
        press({}, Qt::Key_Left);
        press({}, Qt::Key_Left);
        EXPECT_EQ(input->selectedRange(), (ui::Range{1, 0})) << "over the emoji at once";
        press({}, Qt::Key_Right);
        EXPECT_EQ(input->selectedRange(), (ui::Range{3, 0}));
        press({}, Qt::Key_Backspace);
        EXPECT_EQ(input->text(), "ab") << "the emoji deleted whole";

        // Arabic, Hebrew and Chinese, a key each.
        const QString scripts = QStringLiteral("\u0628\u05E9\u623F");
        press(accented);
        press(family);
        for (const QChar letter : scripts) press(letter);
        const QString typed = "a" + accented + family + scripts + "b";
        EXPECT_EQ(input->text(), typed);
        for (const char* control : {"\t", "\x01", "\x1b", "\x7f"})
            press(QString::fromLatin1(control));
        press(grin.left(1));
        press(grin.right(1));
        EXPECT_EQ(input->text(), typed);
        press("x" + grin.right(1), Qt::Key_X);
        press(grin.left(1) + "y", Qt::Key_Y);
        EXPECT_EQ(input->text(), typed.chopped(1) + "xyb") << "of half a pair, the letter beside";
    }
    host.close();
    clock().advance(1s);
}

TEST_F(HostTest, AResizedWindowShowsTheWholeScreenInThePhonesShape) {
    // A bar at the very bottom, as the tab bar is.
    auto bar = std::make_shared<ui::Button>(Rect{0, 431, 320, 49});
    int presses = 0;
    bar->addTarget(this, ui::kControlEventTouchUpInside,
                   [&](ui::Control&, const ui::Event*) { ++presses; });
    window->addSubview(bar);
    ui::InteractiveHost host(window);
    host.show();
    QWindow* native = host.nativeWindow();
    const auto click = [&](QPointF at) {
        QMouseEvent press(QEvent::MouseButtonPress, at, at, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, at, Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QCoreApplication::sendEvent(native, &press);
        QCoreApplication::sendEvent(native, &release);
    };
    const auto resizeTo = [&](QSize size) {
        const int frames = host.frameCount();
        native->resize(size);
        return runMainLoopUntil(
            [&] { return native->size() == size && host.frameCount() > frames; }, 2s);
    };

    // Half as tall: the screen shrinks to half its size, centred, and its bottom edge is
    // the window's.
    const QSize natural = native->size();
    ASSERT_TRUE(resizeTo({natural.width(), natural.height() / 2}));
    EXPECT_NEAR(host.zoom() * 480, natural.height() / 2, 1);
    const QRectF area = host.screenArea();
    EXPECT_NEAR(area.width() / area.height(), 320.0 / 480.0, 1e-6);
    EXPECT_NEAR(area.center().x(), natural.width() / 2.0, 1);
    EXPECT_NEAR(area.bottom(), natural.height() / 2, 1);
    click({natural.width() / 2.0, natural.height() / 2.0 - 4});
    EXPECT_EQ(presses, 1) << "the bottom bar is on screen";
    click({area.left() - 2, natural.height() / 2.0 - 4});
    EXPECT_EQ(presses, 1) << "beside the screen is nothing";
    // The desktop may tell of a new size without asking for a repaint (a window that shrinks
    // uncovers nothing): the frame at the new scale is drawn all the same, though nothing in
    // the screen changed.
    const int frames = host.frameCount();
    QResizeEvent resized(native->size(), natural);
    QCoreApplication::sendEvent(native, &resized);
    EXPECT_TRUE(runMainLoopUntil([&] { return host.frameCount() > frames; }, 2s));

    // Wider than the phone: bars at the sides; the screen keeps its full height.
    ASSERT_TRUE(resizeTo({natural.width() * 2, natural.height()}));
    EXPECT_NEAR(host.screenArea().height(), natural.height(), 1);
    EXPECT_NEAR(host.screenArea().left(), natural.width() / 2.0, 1);
    click({natural.width() * 1.0, natural.height() - 4.0});
    EXPECT_EQ(presses, 2);
    host.close();
}

TEST_F(HostTest, TheWheelPinchesOnlyAViewThatTakesPinchesWithBothFingersOnIt) {
    // A narrow zoomable strip at the right edge beside a plain panel.
    auto panel = std::make_shared<ui::View>(Rect{0, 0, 200, 480});
    window->addSubview(panel);
    auto strip = std::make_shared<ui::View>(Rect{200, 100, 120, 200});
    window->addSubview(strip);
    auto inner = std::make_shared<ui::View>(Rect{10, 10, 50, 50});
    strip->addSubview(inner);
    double scale = 1;
    std::vector<ui::GestureRecognizerState> states;
    auto pinch = std::make_shared<ui::PinchGestureRecognizer>(this, [&](ui::GestureRecognizer& r) {
        auto& recognizer = static_cast<ui::PinchGestureRecognizer&>(r);
        states.push_back(recognizer.state());
        scale *= recognizer.scale();
        recognizer.setScale(1);
    });
    strip->addGestureRecognizer(pinch);
    ui::PointerGestures gestures(*window);

    EXPECT_FALSE(gestures.wheel({100, 240}, 1)) << "nothing there takes a pinch";
    EXPECT_EQ(window->activeTouchCount(), 0u);

    // Over a subview near the screen's edge: both fingers land inside the strip.
    ASSERT_TRUE(gestures.wheel({315, 120}, 2));
    EXPECT_EQ(window->activeTouchCount(), 2u);
    EXPECT_NEAR(scale, 2, 1e-9);
    clock().advance(200ms);
    ASSERT_TRUE(gestures.wheel({315, 120}, -1)) << "the same fingers while the wheel turns";
    EXPECT_NEAR(scale, std::sqrt(2.0), 1e-9);
    clock().advance(ns::seconds(ui::PointerGestures::kWheelRest));
    EXPECT_EQ(window->activeTouchCount(), 0u) << "lifted once the wheel rested";
    EXPECT_EQ(states.front(), ui::GestureRecognizerState::Began);
    EXPECT_EQ(states.back(), ui::GestureRecognizerState::Ended);
    // In a corner the fingers lie side by side, moved in from the edge.
    scale = 1;
    ASSERT_TRUE(gestures.wheel({318, 102}, 2));
    EXPECT_NEAR(scale, 2, 1e-9);
    gestures.endPinch();

    // Zooming by a thousand times takes fresh fingers on the way and loses no step.
    scale = 1;
    for (int notch = 0; notch < 20; ++notch) ASSERT_TRUE(gestures.wheel({260, 200}, 1));
    gestures.endPinch();
    EXPECT_NEAR(scale, 1024, 1e-6);
    EXPECT_EQ(window->activeTouchCount(), 0u);

    // A disabled recognizer takes no pinch.
    pinch->setEnabled(false);
    EXPECT_FALSE(gestures.beginPinch({260, 200}));
}

TEST_F(HostTest, TheDesktopsInputMethodHearsWhichTextInputHasTheKeys) {
    auto name = std::make_shared<ui::TextField>(Rect{10, 60, 300, 30});
    auto phone = std::make_shared<ui::TextField>(Rect{10, 120, 300, 30});
    phone->setKeyboardType(ui::KeyboardType::NumberPad);
    window->addSubview(name);
    window->addSubview(phone);
    ui::InteractiveHost host(window);
    host.show();
    QWindow* native = host.nativeWindow();
    int told = 0;
    const auto connection = QObject::connect(
        QGuiApplication::inputMethod(), &QInputMethod::cursorRectangleChanged, [&] { ++told; });
    const auto ask = [&](Qt::InputMethodQuery query) { return askInputMethod(native, query); };
    const auto frame = [&] { nextFrame(); };
    frame();
    told = 0;
    EXPECT_FALSE(ask(Qt::ImEnabled).toBool()) << "no text input has the keys";

    // Each change of the input with the keys is told at the next frame, with what it takes
    // and where it is.
    ASSERT_TRUE(name->becomeFirstResponder());
    frame();
    EXPECT_GE(told, 1);
    EXPECT_TRUE(ask(Qt::ImEnabled).toBool());
    EXPECT_EQ(ask(Qt::ImHints).toInt(), int(Qt::ImhNone));
    const QRectF at = ask(Qt::ImCursorRectangle).toRectF();
    const double zoom = host.zoom();
    EXPECT_NEAR(at.top(), 60 * zoom, 1e-6);
    EXPECT_NEAR(at.height(), 30 * zoom, 1e-6);
    told = 0;
    frame();
    EXPECT_EQ(told, 0) << "nothing changed";
    ASSERT_TRUE(phone->becomeFirstResponder());
    frame();
    EXPECT_GE(told, 1);
    EXPECT_EQ(ask(Qt::ImHints).toInt(), int(Qt::ImhDigitsOnly));
    phone->setSecureTextEntry(true);
    EXPECT_TRUE(ask(Qt::ImHints).toInt() & Qt::ImhHiddenText);

    // What the input method commits lands in the input with the keys: of a number pad's,
    // only what its keys type, whether it comes composed, committed or as a key's text.
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("138"));
    QCoreApplication::sendEvent(native, &commit);
    EXPECT_EQ(phone->text(), "138");
    QInputMethodEvent composing(QStringLiteral("ni"), {});
    QCoreApplication::sendEvent(native, &composing);
    EXPECT_EQ(phone->text(), "138") << "the composition shows nothing on a number pad";
    QInputMethodEvent chinese;
    chinese.setCommitString(QStringLiteral("你"));
    QCoreApplication::sendEvent(native, &chinese);
    for (const auto& [key, text] : {std::pair{Qt::Key_A, "a"}, std::pair{Qt::Key_0, "0"}}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString::fromLatin1(text));
        QCoreApplication::sendEvent(native, &press);
    }
    EXPECT_EQ(phone->text(), "1380");
    told = 0;
    ASSERT_TRUE(phone->resignFirstResponder());
    frame();
    EXPECT_GE(told, 1);
    EXPECT_FALSE(ask(Qt::ImEnabled).toBool());
    QObject::disconnect(connection);
    host.close();
    // The keyboard, which outlives the test, ends its slide on this test's clock.
    clock().advance(1s);
}

// The desktop's keys and its input method reach no field beneath an alert: the input method
// hears at the next frame that no text input has the keys, and again, when the alert goes,
// that the field has them back.
TEST_F(HostTest, TheDesktopsKeysReachNoFieldBeneathAnAlert) {
    auto phone = std::make_shared<ui::TextField>(Rect{10, 120, 300, 30});
    phone->setKeyboardType(ui::KeyboardType::NumberPad);
    window->addSubview(phone);
    ui::InteractiveHost host(window);
    host.show();
    QWindow* native = host.nativeWindow();
    const auto ask = [&](Qt::InputMethodQuery query) { return askInputMethod(native, query); };
    const auto frame = [&] { nextFrame(); };
    const auto press = [&](Qt::Key key, const QString& text = {}) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(native, &event);
    };
    ASSERT_TRUE(phone->becomeFirstResponder());
    for (const char digit : {'1', '2', '3'}) press(Qt::Key(digit), QString(QLatin1Char(digit)));
    frame();
    ASSERT_EQ(phone->text(), "123");
    ASSERT_TRUE(ask(Qt::ImEnabled).toBool());

    auto alert = std::make_shared<ui::AlertView>("", "请输入正确的手机号码",
                                                 std::weak_ptr<ui::AlertViewDelegate>(), "确定");
    alert->show();
    int told = 0;
    const auto connection = QObject::connect(
        QGuiApplication::inputMethod(), &QInputMethod::cursorRectangleChanged, [&] { ++told; });
    frame();
    EXPECT_GE(told, 1);
    EXPECT_FALSE(ask(Qt::ImEnabled).toBool()) << "no text input has the keys";
    press(Qt::Key_4, "4");
    press(Qt::Key_5, "5");
    press(Qt::Key_Backspace);
    press(Qt::Key_Left);
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("6"));
    QCoreApplication::sendEvent(native, &commit);
    EXPECT_EQ(phone->text(), "123");
    EXPECT_EQ(phone->selectedRange(), (ui::Range{3, 0}));
    EXPECT_TRUE(phone->isFirstResponder()) << "the field keeps the keys for when the alert goes";

    alert->dismissWithClickedButtonIndex(0, false);
    told = 0;
    frame();
    EXPECT_GE(told, 1);
    EXPECT_TRUE(ask(Qt::ImEnabled).toBool());
    press(Qt::Key_4, "4");
    EXPECT_EQ(phone->text(), "1234");
    QObject::disconnect(connection);
    host.close();
    clock().advance(1s);
}

}  // namespace

#include "WidgetTest.h"

#include "platform/foundation/notification_center.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "ui/widgets/QXSlide.h"

namespace {

using ui::Point;
using ui::Rect;

class QXSlideTest : public WidgetTest {
protected:
    QStringList announced;
    std::shared_ptr<ns::NotificationCenter::Observation> observation =
        ns::NotificationCenter::defaultCenter().addObserver(
            QXSlide::kChangeNotification,
            [this](const ns::Notification& note) { announced << note.objectAs<QString>(); });

    std::shared_ptr<QXSlide> place(std::shared_ptr<QXSlide> slide) {
        window().addSubview(slide);
        return slide;
    }

    // Drags a thumb of `slide` by `dx` points.
    void drag(QXSlide& slide, int tag, double dx) {
        const Point from = slide.convertPointToView(slide.thumb(tag)->center(), nullptr);
        window().touchDown(from);
        window().touchMove(from + Point(dx / 2, 0));
        window().touchMove(from + Point(dx, 0));
        window().touchUp(from + Point(dx, 0));
    }

    ui::Label* label(QXSlide& slide, int tag) {
        return static_cast<ui::Label*>(slide.viewWithTag(tag));
    }
};

TEST_F(QXSlideTest, RangesWithoutWidthAndListsOfOneMarkAreRefused) {
    EXPECT_EQ(QXSlide::initWithFrame(Rect(0, 0, 290, 20), QXSlide::kValue, 5, 5), nullptr);
    EXPECT_EQ(QXSlide::initWithFrame(Rect(0, 0, 290, 20), QXSlide::kAgeRange, 5, 5, 5, 5), nullptr);
    EXPECT_EQ(QXSlide::initWithFrame(Rect(0, 0, 290, 20), QXSlide::kMarks, QStringList{"1万"}),
              nullptr);
    EXPECT_EQ(QXSlide::initWithFrame(Rect(0, 0, 290, 20), QXSlide::kMarks, QStringList{}), nullptr);
}

TEST_F(QXSlideTest, TheValueThumbStopsAtTheEndsAndAnnouncesWhereItIs) {
    auto slide = place(QXSlide::initWithFrame(Rect(15, 200, 290, 20), QXSlide::kValue, 1, 10));
    drag(*slide, QXSlide::kLeftThumbTag, 135);
    EXPECT_EQ(slide->thumb(QXSlide::kLeftThumbTag)->center().x, 145);
    EXPECT_EQ(slide->curLeft(), 5);  // 1 + 0.5 x 9, fraction dropped
    EXPECT_EQ(slide->processView()->frame(), Rect(10, 5, 135, 10));
    EXPECT_EQ(announced.last(), "5");
    EXPECT_TRUE(label(*slide, QXSlide::kLeftLabelTag)->isHidden());

    drag(*slide, QXSlide::kLeftThumbTag, 500);
    EXPECT_EQ(slide->thumb(QXSlide::kLeftThumbTag)->center().x, 280);
    EXPECT_EQ(slide->curLeft(), 10);
    drag(*slide, QXSlide::kLeftThumbTag, -900);
    EXPECT_EQ(slide->thumb(QXSlide::kLeftThumbTag)->center().x, 10);
    EXPECT_EQ(slide->curLeft(), 1);
}

TEST_F(QXSlideTest, AgeThumbsCannotPassEachOther) {
    auto slide =
        place(QXSlide::initWithFrame(Rect(15, 200, 290, 20), QXSlide::kAgeRange, 18, 72, 27, 45));
    QXSlideControl* left = slide->thumb(QXSlide::kLeftThumbTag);
    QXSlideControl* right = slide->thumb(QXSlide::kRightThumbTag);
    EXPECT_EQ(left->center().x, 10 + 45);
    EXPECT_EQ(right->center().x, 10 + 135);
    EXPECT_EQ(label(*slide, QXSlide::kLeftLabelTag)->text(), QStringLiteral("27岁"));
    EXPECT_EQ(label(*slide, QXSlide::kRightLabelTag)->text(), QStringLiteral("45岁"));

    drag(*slide, QXSlide::kLeftThumbTag, 200);
    EXPECT_EQ(left->center().x, right->center().x);
    EXPECT_EQ(slide->curLeft(), 45);
    // Where they meet, the thumb moved last lies on top and takes the finger.
    drag(*slide, QXSlide::kRightThumbTag, -100);
    EXPECT_EQ(left->center().x, 45);
    drag(*slide, QXSlide::kRightThumbTag, -250);
    EXPECT_EQ(right->center().x, 45);
    drag(*slide, QXSlide::kRightThumbTag, 300);
    EXPECT_EQ(right->center().x, 280);
    EXPECT_EQ(slide->curRight(), 72);
    EXPECT_EQ(label(*slide, QXSlide::kRightLabelTag)->text(), QStringLiteral("72岁"));
    EXPECT_EQ(label(*slide, QXSlide::kRightLabelTag)->textColor(), ui::Color::rgb(255, 89, 131));
    EXPECT_EQ(slide->processView()->frame().size.width, 280 - left->center().x);
}

TEST_F(QXSlideTest, MarksSnapToTheNearestOne) {
    auto slide = place(QXSlide::initWithFrame(Rect(15, 200, 290, 20), QXSlide::kMarks,
                                              {"不限", "1000", "2000", "3000", "4000"}));
    drag(*slide, QXSlide::kLeftThumbTag, 100);
    EXPECT_EQ(slide->curLeft(), 1);
    EXPECT_EQ(slide->thumb(QXSlide::kLeftThumbTag)->center().x, 67.5 + 10);
    EXPECT_EQ(slide->processView()->frame().size.width, 67.5);
}

TEST_F(QXSlideTest, AValueBelowTheMinimumPutsTheThumbAtTheStart) {
    auto slide = place(QXSlide::initWithFrame(Rect(15, 200, 290, 20), QXSlide::kValue, 2, 12));
    slide->setCurLeft(*slide, 7);
    EXPECT_EQ(slide->curLeft(), 7);
    EXPECT_EQ(slide->thumb(QXSlide::kLeftThumbTag)->center().x, 10 + 135);
    EXPECT_EQ(announced.last(), "7");
    slide->setCurLeft(*slide, -3);
    EXPECT_EQ(slide->curLeft(), 2);
    EXPECT_EQ(slide->thumb(QXSlide::kLeftThumbTag)->center().x, 10);
    EXPECT_EQ(slide->processView()->frame().size.width, 0);
    EXPECT_EQ(announced.last(), "2");
    run(2);
    EXPECT_EQ(label(*slide, QXSlide::kLeftLabelTag)->alpha(), 0);
}

}  // namespace

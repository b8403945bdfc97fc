#pragma once

#include "WidgetTest.h"

#include "platform/uikit/scroll_view.h"

#include <memory>

// A fixture with a full-window scroll view of 1,000 points of content that
// bounces vertically, and a finger that drags it.
class ScrollingTest : public WidgetTest {
protected:
    std::shared_ptr<ui::ScrollView> scroll =
        std::make_shared<ui::ScrollView>(ui::Rect(0, 0, 320, 480));

    void SetUp() override {
        WidgetTest::SetUp();
        scroll->setContentSize({320, 1000});
        scroll->setAlwaysBounceVertical(true);
        window().addSubview(scroll);
    }

    // A finger down on the scroll view that has started a drag; the test then puts
    // the offset exactly where it wants it.
    void startDrag() {
        window().touchDown({160, 200});
        window().touchMove({160, 215});
        window().touchMove({160, 216});
        ASSERT_TRUE(scroll->isDragging());
    }

    void release() {
        window().touchUp({160, 216});
        run(1);
    }
};
